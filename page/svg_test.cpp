#include "page/svg.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "testsupport/run_program.h"

namespace {

// ---- the figures' printf: printf's bytes in the "C" locale ----

// Values where a shortcut would round wrong: ties to even at three
// decimals, a negative that rounds to zero, the shortcut's bound, and what
// only the general path writes.
TEST(SvgPrintf, WritesWhatPrintfWritesInTheCLocale) {
  std::vector<double> values = {0.0625, 0.0635, 2.5,  3.5,    -0.0004, -0.0,     1e15 - 0.5, 1e15,
                                0.1,    1e-7,   1e22, -1e300, 5e-324,  INFINITY, -NAN};
  std::mt19937_64 bits(18);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(
        std::ldexp(static_cast<double>(bits() >> 11), static_cast<int>(bits() % 90) - 80));
    values.push_back((static_cast<double>(bits() % 2000001) - 1e6) / 16000);
  }
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  for (const char *format : {"%.0f", "%.3f", "%.4f", "%f", "%g", "%+.6g", "%.0g", "x=%.5f%%"}) {
    SCOPED_TRACE(format);
    for (double value : values) {
      std::setlocale(LC_NUMERIC, "C");
      char expected[400], got[400];
      std::snprintf(expected, sizeof expected, format, value);
      std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a comma for printf, never here
      ASSERT_EQ(svg_snprintf(got, sizeof got, format, value),
                static_cast<int>(std::strlen(expected)));
      ASSERT_STREQ(got, expected) << value;
    }
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  char cut[8];
  EXPECT_EQ(
      svg_snprintf(cut, sizeof cut, "%s %d %zu %lld %.2s", "ab", -3, std::size_t{7}, -4LL, "xyz"),
      13);
  EXPECT_STREQ(cut, "ab -3 7");
}

// One call may write more than the writer gathers at a time: every byte
// arrives, in order, the numbers after a long text included.
TEST(SvgPrintf, OneCallLongerThanItsChunk) {
  std::string text;
  for (int i = 0; text.size() < 5000; ++i) text += std::to_string(i) + ",";
  for (std::size_t size : {1023, 1024, 1025, 3000, 5000}) {
    const std::string part = text.substr(0, size);
    char expected[6000];
    std::snprintf(expected, sizeof expected, "<%s|%.3f|%d>", part.c_str(), 2.5, 7);
    EXPECT_EQ(capture([&](FILE *out) { svg_printf(out, "<%s|%.3f|%d>", part.c_str(), 2.5, 7); }),
              expected)
        << size;
  }
}

// Written to a stream, a number is formatted straight into the gathered
// text, which is written out first when too little room is left: a sign
// and the numbers around that point must come out as printf writes them,
// and a label longer than its buffers must arrive whole, escaped.
TEST(SvgPrintf, SignedNumbersAndLongLabelsThroughAStream) {
  const std::string text(1100, 'x');
  for (std::size_t size : {600, 662, 663, 664, 700, 1100}) {
    const std::string part = text.substr(0, size);
    char expected[1200];
    std::snprintf(expected, sizeof expected, "%s%+.3f%+d%+g", part.c_str(), 2.5, 7, -0.25);
    EXPECT_EQ(
        capture([&](FILE *out) { svg_printf(out, "%s%+.3f%+d%+g", part.c_str(), 2.5, 7, -0.25); }),
        expected)
        << size;
  }
  std::string label;
  for (int i = 0; i < 700; ++i) label += i % 7 == 0 ? "&\xC3\xA9" : "ab";
  EXPECT_EQ(capture([&](FILE *out) { svg_text(out, "c", 1.5, -2, "start", label.c_str()); }),
            "<text class=\"c\" x=\"1.500\" y=\"-2.000\" text-anchor=\"start\" "
            "fill=\"currentColor\">" +
                capture([&](FILE *out) { xml_text(out, label.c_str()); }) + "</text>\n");
}

// A label's bytes that are not UTF-8, or not allowed in XML, each become
// U+FFFD; the markup characters are escaped.
struct TextCase {
  const char *name, *text, *written;
};

const TextCase kTexts[] = {
    {"Plain", "1/1/21", "1/1/21"},
    {"Markup", "<b>&\"'", "&lt;b&gt;&amp;&quot;&#39;"},
    {"TwoByteLetter", "\xC3\xA9", "\xC3\xA9"},
    {"CutTwoByte", "a\xC3", "a\uFFFD"},
    {"LoneContinuation",
     "a\x80"
     "b",
     "a\uFFFD"
     "b"},
    {"Overlong", "\xC0\xAF", "\uFFFD\uFFFD"},
    {"OverlongThreeByte", "\xE0\x80\xAF", "\uFFFD\uFFFD\uFFFD"},
    {"Surrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
    {"BeyondUnicode", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"ControlCharacter", "a\x01", "a\uFFFD"},
    {"NonCharacter", "\xEF\xBF\xBE", "\uFFFD"},
};

class LabelText : public testing::TestWithParam<TextCase> {};

TEST_P(LabelText, IsValidXml) {
  EXPECT_EQ(capture([](FILE *out) { xml_text(out, GetParam().text); }), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Bytes, LabelText, testing::ValuesIn(kTexts),
                         [](const testing::TestParamInfo<TextCase> &info) {
                           return std::string(info.param.name);
                         });

// A scale's step is the largest 1, 2 or 5 times a power of ten within its
// limit.
TEST(ScaleStep, IsTheLargestNiceNumberWithin) {
  const std::pair<double, double> kSteps[] = {{7, 5},     {1, 1},        {10, 10},   {9.99, 5},
                                              {25, 20},   {2, 2},        {0.3, 0.2}, {1e-3, 1e-3},
                                              {4.999, 2}, {1e300, 1e300}};
  for (const auto &[limit, step] : kSteps) EXPECT_DOUBLE_EQ(nice_step(limit), step) << limit;
}

}  // namespace
