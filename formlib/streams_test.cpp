#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formlib/formlib.h"
#include "testsupport/run_program.h"

namespace {

// A read-only stream over |text|.
FILE *stream_of(const std::string &text) {
  FILE *f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

TEST(Fmakeword, StopsAtStopEndOrBudget) {
  FILE *f = stream_of("ab&cd&ef");
  int budget = 7;
  struct Step {
    const char *word;
    int budget;
  } steps[] = {{"ab", 4}, {"cd", 1}, {"e", 0}};
  for (const Step &s : steps) {
    char *word = fmakeword(f, '&', &budget);
    ASSERT_NE(word, nullptr);
    EXPECT_STREQ(word, s.word);
    EXPECT_EQ(budget, s.budget);
    std::free(word);
  }
  std::fclose(f);
}

TEST(Fmakeword, GrowsPastItsFirstAllocation) {
  std::string big(250000, 'x');
  FILE *f = stream_of(big + "&rest");
  int budget = -1;  // never reaches exactly 0
  char *word = fmakeword(f, '&', &budget);
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(std::string(word), big);
  std::free(word);
  word = fmakeword(f, '&', &budget);
  EXPECT_STREQ(word, "rest");
  std::free(word);
  std::fclose(f);
}

TEST(Fmakeword, AWriteOnlyStreamEndsTheWord) {
  FILE *f = std::fopen("/dev/null", "w");
  int budget = 10;
  char *word = fmakeword(f, '&', &budget);
  ASSERT_NE(word, nullptr);
  EXPECT_STREQ(word, "");
  std::free(word);
  std::fclose(f);
}

struct Line {
  const char *text;
  int result;
};

TEST(QeldGetline, EndsAtLfOrEotDropsCrAndCutsAtCapacity) {
  struct Case {
    std::string input;
    int n;
    std::vector<Line> lines;
  } cases[] = {
      {"abc\r\ndefghij\n", 5, {{"abc", 0}, {"defg", 0}, {"ij", 0}, {"", 1}}},
      {"ab\x04"
       "cd",
       16,
       {{"ab", 0}, {"cd", 1}}},
      {"a\rb\r\rc\n", 16, {{"ab\rc", 0}, {"", 1}}},
      {"last", 16, {{"last", 1}}},
      {"xyz", 1, {{"", 0}, {"", 0}, {"", 0}, {"", 1}}},
      {"", 4, {{"", 1}}},
  };
  for (const Case &c : cases) {
    FILE *f = stream_of(c.input);
    for (const Line &want : c.lines) {
      char line[16] = "garbage";
      EXPECT_EQ(qeld_getline(line, c.n, f), want.result) << c.input;
      EXPECT_STREQ(line, want.text) << c.input;
    }
    std::fclose(f);
  }
}

TEST(QeldGetline, AFailingStreamEndsTheLine) {
  FILE *f = std::fopen("/dev/null", "w");
  char line[8] = "garbage";
  EXPECT_EQ(qeld_getline(line, sizeof line, f), 1);
  EXPECT_STREQ(line, "");
  std::fclose(f);
}

// A destination whose writes fail: the copy stops there instead of
// draining (or, from an endless source, spinning on) the source.
TEST(SendFd, StopsOnAWriteError) {
  const std::string bytes(1 << 20, 'x');
  void (*const previous)(int) = std::signal(SIGPIPE, SIG_IGN);
  for (const char *what : {"full device", "full device, unbuffered", "pipe without a reader"}) {
    FILE *to = nullptr;
    if (std::strcmp(what, "pipe without a reader") == 0) {
      int ends[2];
      ASSERT_EQ(pipe(ends), 0);
      close(ends[0]);
      to = fdopen(ends[1], "w");
    } else {
      to = std::fopen("/dev/full", "w");
      if (std::strstr(what, "unbuffered")) std::setvbuf(to, nullptr, _IONBF, 0);
    }
    ASSERT_NE(to, nullptr) << what;
    FILE *from = stream_of(bytes);
    send_fd(from, to);
    EXPECT_TRUE(std::ferror(to)) << what;
    EXPECT_LT(std::ftell(from), 65536L) << what << ": went on reading after the failure";
    std::fclose(from);
    std::fclose(to);
  }
  std::signal(SIGPIPE, previous);
}

TEST(SendFd, CopiesEveryByte) {
  std::string bytes("a\0b\x80\xff\n", 6);
  FILE *from = stream_of(bytes);
  std::string copied = capture([&](FILE *to) { send_fd(from, to); });
  EXPECT_EQ(copied, bytes);
  std::fclose(from);
}

}  // namespace
