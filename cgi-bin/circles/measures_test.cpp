#include "cgi-bin/circles/measures.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <random>
#include <string>

#include "testsupport/run_program.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string measure(double value) {
  return capture([&](FILE *out) { fractionAndDecimal(out, value); });
}

struct Measure {
  double value;
  const char *text;
};

const Measure kMeasures[] = {
    // whole numbers show the lone-space entry
    {0, " 0  (0.000) "},
    {2, " 2  (2.000) "},
    {1e20, " 100000000000000000000  (100000000000000000000.000) "},
    // sixteenths are truncated, never rounded up
    {3.5, " 3 1/2 (3.500) "},
    {0.03, " 0  (0.030) "},
    {0.0625, " 0 1/16 (0.062) "},
    {15.9375, " 15 15/16 (15.938) "},
    {3.141592653589793, " 3 1/8 (3.142) "},
    {0.999, " 0 15/16 (0.999) "},
    {0.9999, " 0 15/16 (1.000) "},
    {std::nextafter(1.0, 0.0), " 0 15/16 (1.000) "},
    // negatives: the signed whole part, then the sixteenths of the magnitude
    {-2, " -2  (-2.000) "},
    {-2.5, " -2 1/2 (-2.500) "},
    {-0.5, " -0 1/2 (-0.500) "},
    {-0.03, " -0  (-0.030) "},
    // no table entry exists for these: the lone space
    {kInf, " inf  (inf) "},
    {-kInf, " -inf  (-inf) "},
    {kNaN, " nan  (nan) "},
    {-kNaN, " -nan  (-nan) "},
};

void PrintTo(const Measure &c, std::ostream *os) { *os << c.value; }

class MeasureText : public testing::TestWithParam<Measure> {};

TEST_P(MeasureText, WholePartSixteenthsAndDecimal) {
  EXPECT_EQ(measure(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, MeasureText, testing::ValuesIn(kMeasures));

// The sixteenths and decimal of v = sign * (whole + p / 2^j), worked out in
// integers. Such values are exact doubles, so the text has one right answer:
// the whole part, the truncated sixteenths k/16 of p / 2^j reduced by their
// greatest common divisor, and the value rounded to three places, an exact
// tie going to the even digit.
std::string exactMeasure(bool negative, std::int64_t whole, std::int64_t p, int j) {
  const std::int64_t q = std::int64_t{1} << j;
  const std::int64_t k = p * 16 / q;
  char fraction[16] = " ";
  if (k != 0) {
    const std::int64_t common = std::gcd(k, std::int64_t{16});
    std::snprintf(fraction, sizeof fraction, " %" PRId64 "/%" PRId64, k / common, 16 / common);
  }
  const std::int64_t scaled = (whole * q + p) * 1000;
  std::int64_t thousandths = scaled / q;
  const std::int64_t rest = scaled % q;
  if (2 * rest > q || (2 * rest == q && thousandths % 2 == 1)) ++thousandths;
  const char *sign = negative ? "-" : "";
  char text[128];
  std::snprintf(text, sizeof text, " %s%" PRId64 "%s (%s%" PRId64 ".%03" PRId64 ") ", sign, whole,
                fraction, sign, thousandths / 1000, thousandths % 1000);
  return text;
}

TEST(MeasureText, AgreesWithExactSixteenthsOfDyadicValues) {
  std::mt19937_64 rng(20260107);
  std::uniform_int_distribution<std::int64_t> wholes(0, 1000000);
  std::uniform_int_distribution<int> shifts(0, 20);
  for (int i = 0; i < 20000; ++i) {
    const bool negative = i % 2 == 1;
    const std::int64_t whole = i % 3 == 0 ? 0 : wholes(rng);
    const int j = shifts(rng);
    const std::int64_t p = std::uniform_int_distribution<std::int64_t>(0, (1 << j) - 1)(rng);
    const double magnitude = static_cast<double>(whole) + std::ldexp(static_cast<double>(p), -j);
    const double value = negative ? -magnitude : magnitude;
    ASSERT_EQ(measure(value), exactMeasure(negative, whole, p, j))
        << whole << " + " << p << "/2^" << j << (negative ? ", negated" : "");
  }
}

// The area of a huge radius overflows to infinity; whole parts of any size
// keep all their digits, never an exponent.
TEST(ResultBlock, HugeRadiusKeepsEveryDigitAndOverflowsTheArea) {
  const std::string text = capture([](FILE *out) { writeMeasures(out, circleMeasures(1e300)); });
  EXPECT_EQ(text.rfind("Circles radius is  10000000000000000525047602552044202487", 0), 0u);
  EXPECT_NE(text.find("Area inside the circle is about  inf  (inf)  square units.<br>\n"),
            std::string::npos);
  EXPECT_EQ(text.find("e+"), std::string::npos);
}

}  // namespace
