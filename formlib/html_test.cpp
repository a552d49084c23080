#include <gtest/gtest.h>

#include "formlib/formlib.h"

namespace {

TEST(HtmlEscape, WritesTheFiveCharactersAsEntities) {
  const struct {
    const char *in, *out;
  } cases[] = {
      {"<script>alert('x&y')</script>", "&lt;script&gt;alert(&#39;x&amp;y&#39;)&lt;/script&gt;"},
      {"say \"hi\"", "say &quot;hi&quot;"},
      {"plain 12/25/20", "plain 12/25/20"},
      {"", ""},
  };
  for (const auto &c : cases) {
    char out[html_escaped_size(64)];
    EXPECT_STREQ(html_escape(out, c.in), c.out) << c.in;
  }
}

TEST(HtmlEscape, NeverWritesHalfAnEntity) {
  char out[7];
  EXPECT_STREQ(html_escape(out, "ab<cd"), "ab&lt;");  // 7 bytes with the terminator
  EXPECT_STREQ(html_escape(out, "abc<d"), "abc");
  EXPECT_STREQ(html_escape(out, "abcdefgh"), "abcdef");
  char exact[html_escaped_size(2)];
  EXPECT_STREQ(html_escape(exact, "''"), "&#39;&#39;");
}

}  // namespace
