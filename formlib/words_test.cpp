#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "formlib/formlib.h"

namespace {

struct Split {
  const char *line;
  const char *word;
  const char *rest;
};

const Split kSplits[] = {
    {"a=1&b=2", "a=1", "b=2"}, {"a=1", "a=1", ""}, {"&b", "", "b"},
    {"a&&b", "a", "&b"},  // only one stop character is stepped over
    {"", "", ""},
};

TEST(Getword, SplitsAtTheFirstStop) {
  for (const Split &c : kSplits) {
    char line[64];
    std::strcpy(line, c.line);
    char word[64] = "garbage";
    getword(word, line, '&');
    EXPECT_STREQ(word, c.word) << c.line;
    EXPECT_STREQ(line, c.rest) << c.line;
  }
}

TEST(Makeword, SplitsLikeGetword) {
  for (const Split &c : kSplits) {
    char line[64];
    std::strcpy(line, c.line);
    char *word = makeword(line, '&');
    ASSERT_NE(word, nullptr);
    EXPECT_STREQ(word, c.word) << c.line;
    EXPECT_STREQ(line, c.rest) << c.line;
    std::free(word);
  }
}

TEST(Getword, AWordTooLongForItsBufferContinuesOnTheNextCall) {
  char line[] = "abcdefg&h";
  char word[4];
  getword(word, line, '&');
  EXPECT_STREQ(word, "abc");
  EXPECT_STREQ(line, "defg&h");
  getword(word, line, '&');
  EXPECT_STREQ(word, "def");
  getword(word, line, '&');
  EXPECT_STREQ(word, "g");
  EXPECT_STREQ(line, "h");
}

TEST(IndRind, FindFirstAndLast) {
  struct Case {
    const char *s;
    char c;
    int first, last;
  } cases[] = {
      {"abcb", 'b', 1, 3}, {"abcb", 'z', -1, -1}, {"", 'a', -1, -1},
      {"abc", '\0', -1, -1}, {"a", 'a', 0, 0},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ind(c.s, c.c), c.first) << c.s;
    EXPECT_EQ(rind(c.s, c.c), c.last) << c.s;
  }
}

TEST(EscapeShellCmd, EscapesEveryMetacharacter) {
  const Split cases[] = {
      {"ls; rm *", "ls\\; rm \\*", nullptr},
      {"a\\b", "a\\\\b", nullptr},
      {"plain words\tand\nlines", "plain words\tand\nlines", nullptr},
      {"&;`'\"|*?~<>^()[]{}$\\",
       "\\&\\;\\`\\'\\\"\\|\\*\\?\\~\\<\\>\\^\\(\\)\\[\\]\\{\\}\\$\\\\", nullptr},
      {"", "", nullptr},
  };
  for (const Split &c : cases) {
    char cmd[128];
    std::strcpy(cmd, c.line);
    escape_shell_cmd(cmd);
    EXPECT_STREQ(cmd, c.word) << c.line;
  }
}

TEST(EscapeShellCmd, CutsBeforeAMetacharacterThatNoLongerFits) {
  const Split cases[] = {
      {"ab;", "ab\\;", nullptr},  // 5 bytes with terminator: fits exactly
      {"ab;c", "ab", nullptr},    // the backslash would need a sixth byte
      {"a;b;", "a", nullptr},  // no room to grow at all
  };
  for (const Split &c : cases) {
    char cmd[5];
    std::strcpy(cmd, c.line);
    escape_shell_cmd(cmd);
    EXPECT_STREQ(cmd, c.word) << c.line;
  }
}

}  // namespace
