#include "cgi-bin/circles/circles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "testsupport/run_program.h"

namespace {

// The form every page ends with posts to the page the fields it reads,
// the radius chosen.
const char kFormStart[] = "<center><img alt=\"[circles]\"";
const char *const kFormParts[] = {"<form action=\"circles.pl\" >",
                                  "name=\"length\"",
                                  "name=\"length_num\"",
                                  "name=\"length_den\"",
                                  "value=\"radius\"   checked",
                                  "value=\"diameter\" >",
                                  "</form></center>"};

// |out| with its form checked and cut off.
std::string withoutForm(const std::string &out) {
  const std::size_t at = out.rfind(kFormStart);
  EXPECT_NE(at, std::string::npos) << out;
  if (at == std::string::npos) return out;
  for (const char *part : kFormParts) EXPECT_NE(out.find(part, at), std::string::npos) << part;
  return out.substr(0, at);
}

const char kError[] =
    "<h2>\n<br>\nIf any part of the fraction is filled in, you must specify numerator and<br>\n"
    "denominator.  The denominator may not be 0.<br>\n</h2>\n";

// The result block from the four measure texts.
std::string block(const std::string &r, const std::string &d, const std::string &a,
                  const std::string &c) {
  return "Circles radius is " + r + ", diameter is " + d + "<br>\n" +
         "Area inside the circle is about " + a + " square units.<br>\n" +
         "Circumference around the circle is about " + c + " units.<br>\n";
}

const std::string kZero = block(" 0  (0.000) ", " 0  (0.000) ", " 0  (0.000) ", " 0  (0.000) ");
const std::string kRadius1 =
    block(" 1  (1.000) ", " 2  (2.000) ", " 3 1/8 (3.142) ", " 6 1/4 (6.283) ");
const std::string kRadius2 =
    block(" 2  (2.000) ", " 4  (4.000) ", " 12 9/16 (12.566) ", " 12 9/16 (12.566) ");
const std::string kRadius3 =
    block(" 3  (3.000) ", " 6  (6.000) ", " 28 1/4 (28.274) ", " 18 13/16 (18.850) ");
const std::string kRadius2Half =
    block(" 2 1/2 (2.500) ", " 5  (5.000) ", " 19 5/8 (19.635) ", " 15 11/16 (15.708) ");
const std::string kNaN = block(" nan  (nan) ", " nan  (nan) ", " nan  (nan) ", " nan  (nan) ");

std::string page(const std::string &echo, const std::string &result) {
  return "<p>Original input was: " + echo + " of the circle.<br>\n<hr width=\"80%\">\n<p>\n" +
         result;
}

TEST(CirclesPage, WorkedExampleWholePage) {
  const ProgramResult r = run_cgi("circles", "length=2&length_num=1&length_den=2&dimension=radius");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(withoutForm(r.out),
            std::string("<p>Original input was: 2 1/2 is the radius of the circle.<br>\n"
                        "<hr width=\"80%\">\n"
                        "<p>\n"
                        "Circles radius is  2 1/2 (2.500) , diameter is  5  (5.000) <br>\n"
                        "Area inside the circle is about  19 5/8 (19.635)  square units.<br>\n"
                        "Circumference around the circle is about  15 11/16 (15.708)  "
                        "units.<br>\n"));
}

struct Request {
  const char *name;
  std::optional<std::string> query;
  std::string echo;    // the echo line between "was: " and " of the circle"
  std::string result;  // the error or result block
};

const Request kRequests[] = {
    // radius or diameter, by the first character only
    {"Diameter", "length=10&dimension=diameter", "10 is the diameter",
     block(" 5  (5.000) ", " 10  (10.000) ", " 78 1/2 (78.540) ", " 31 3/8 (31.416) ")},
    {"RimIsRadius", "length=2&dimension=rim", "2 is the rim", kRadius2},
    {"UpperCaseRadiusIsDiameter", "length=2&dimension=Radius", "2 is the Radius", kRadius1},
    // the fraction
    {"ZeroDenominator", "length=3&length_num=1&length_den=0&dimension=radius",
     "3 1/0 is the radius", kError},
    {"MissingDenominator", "length=3&length_num=1&dimension=radius", "3 1/ is the radius", kError},
    {"MissingNumerator", "length=3&length_den=2&dimension=radius", "3 /2 is the radius", kError},
    {"TextDenominator", "length=3&length_num=1&length_den=abc&dimension=radius",
     "3 1/abc is the radius", kError},
    {"EmptyFractionFieldsAreNoFraction", "length=3&length_num=&length_den=&dimension=radius",
     "3 is the radius", kRadius3},
    {"FractionAlone", "length_num=3&length_den=4&dimension=radius", " 3/4 is the radius",
     block(" 0 3/4 (0.750) ", " 1 1/2 (1.500) ", " 1 3/4 (1.767) ", " 4 11/16 (4.712) ")},
    {"TextNumeratorIsZero", "length=2&length_num=x&length_den=4&dimension=radius",
     "2 x/4 is the radius", kRadius2},
    {"NegativeNumeratorSubtracts", "length=3&length_num=-1&length_den=1&dimension=radius",
     "3 -1/1 is the radius", kRadius2},
    {"NotANumberDenominator", "length=1&length_num=1&length_den=nan&dimension=r",
     "1 1/nan is the r", kNaN},
    {"RawTextEchoed", "length=3+1%2F2&dimension=radius", "3+1%2F2 is the radius", kRadius3},
    // nothing given
    {"EmptyQuery", "", " is the ", kZero},
    {"UnsetQuery", std::nullopt, " is the ", kZero},
    // negative lengths
    {"NegativeWhole", "length=-2&dimension=radius", "-2 is the radius",
     block(" -2  (-2.000) ", " -4  (-4.000) ", " 12 9/16 (12.566) ", " -12 9/16 (-12.566) ")},
    {"NegativeNotWhole", "length=-2.5&dimension=radius", "-2.5 is the radius",
     block(" -2 1/2 (-2.500) ", " -5  (-5.000) ", " 19 5/8 (19.635) ", " -15 11/16 (-15.708) ")},
    {"NegativeBelowOne", "length=-1&dimension=diameter", "-1 is the diameter",
     block(" -0 1/2 (-0.500) ", " -1  (-1.000) ", " 0 3/4 (0.785) ", " -3 1/8 (-3.142) ")},
    // values that are not finite
    {"NotANumber", "length=nan&dimension=radius", "nan is the radius", kNaN},
    {"Infinite", "length=-inf&dimension=radius", "-inf is the radius",
     block(" -inf  (-inf) ", " -inf  (-inf) ", " inf  (inf) ", " -inf  (-inf) ")},
    // echoed text is escaped for the page
    {"EscapesEveryEchoedField", "length=<script>&length_num=\"1'&length_den=2>&dimension=r<b>",
     "&lt;script&gt; &quot;1&#39;/2&gt; is the r&lt;b&gt;", kZero},
    // over-long input is cut
    {"LongDimensionCut", "length=2&dimension=rrrrrrrrrrrrr", "2 is the rrrrrrrr", kRadius2},
    {"LongNumeratorCut",
     "length=2&length_num=1" + std::string(300, 'x') + "&length_den=2&dimension=r",
     "2 1" + std::string(254, 'x') + "/2 is the r", kRadius2Half},
    {"QueryCutAt2047Bytes",
     "length=2&dimension=r&pad=" + std::string(2047 - 25, '.') + "&length_num=1&length_den=2",
     "2 is the r", kRadius2},
};

void PrintTo(const Request &c, std::ostream *os) { *os << c.name; }

class CirclesRequest : public testing::TestWithParam<Request> {};

TEST_P(CirclesRequest, WholePage) {
  const Request &c = GetParam();
  const ProgramResult r = run_cgi("circles", c.query);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(withoutForm(r.out), page(c.echo, c.result));
}

INSTANTIATE_TEST_SUITE_P(Table, CirclesRequest, testing::ValuesIn(kRequests),
                         [](const testing::TestParamInfo<Request> &info) {
                           return std::string(info.param.name);
                         });

TEST(CirclesPage, EachRequestStartsWithoutError) {
  const std::string bad = capture([](FILE *out) { circles_page(out, "length=1&length_num=1"); });
  ASSERT_NE(bad.find(kError), std::string::npos);
  const std::string good = capture([](FILE *out) { circles_page(out, "length=1&dimension=r"); });
  EXPECT_EQ(withoutForm(good), page("1 is the r", kRadius1));
}

}  // namespace
