#include "cgi-bin/circles/measures.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;

// Text for k whole sixteenths, in lowest terms; each starts with a space.
const char *const sixteenths[16] = {
    " ",    " 1/16", " 1/8", " 3/16",  " 1/4", " 5/16",  " 3/8", " 7/16",
    " 1/2", " 9/16", " 5/8", " 11/16", " 3/4", " 13/16", " 7/8", " 15/16",
};

// Whole sixteenths in the fractional part |f| (|f| < 1, or not a number),
// truncated toward zero. The magnitude is counted so a negative value reads
// like its positive twin. Scaling by 16 is exact, so a finite |f| below 1
// never reaches 16; a fraction that is not a number, or anything else out of
// range, counts as none.
int sixteenthsIn(double f) {
  const double scaled = 16.0 * std::fabs(f);
  if (!(scaled >= 0.0 && scaled < 16.0)) return 0;
  return static_cast<int>(scaled);
}

}  // namespace

void measureText(char (&text)[kMeasureTextSize], double value) {
  double whole;
  const double fraction = std::modf(value, &whole);
  std::snprintf(text, sizeof text, "%.0f%s (%.3f)", whole, sixteenths[sixteenthsIn(fraction)],
                value);
}

void fractionAndDecimal(FILE *out, double value) {
  char text[kMeasureTextSize];
  measureText(text, value);
  std::fprintf(out, " %s ", text);
}

CircleMeasures circleMeasures(double radius) {
  return {radius, radius + radius, (kPi * radius) * radius, kTwoPi * radius};
}

void writeMeasures(FILE *out, const CircleMeasures &m) {
  std::fputs("Circles radius is ", out);
  fractionAndDecimal(out, m.radius);
  std::fputs(", diameter is ", out);
  fractionAndDecimal(out, m.diameter);
  std::fputs("<br>\n", out);
  std::fputs("Area inside the circle is about ", out);
  fractionAndDecimal(out, m.area);
  std::fputs(" square units.<br>\n", out);
  std::fputs("Circumference around the circle is about ", out);
  fractionAndDecimal(out, m.circumference);
  std::fputs(" units.<br>\n", out);
}
