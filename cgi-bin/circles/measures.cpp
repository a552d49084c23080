#include "cgi-bin/circles/measures.h"

#include <cmath>

char buffer[80];

namespace {

const double kPi = 3.141592653589793;
const double kTwoPi = 6.283185307179586;

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

char *fractionAndDecimal(FILE *out, char *buf, double value) {
  double whole;
  const double fraction = std::modf(value, &whole);
  std::fprintf(out, " %.0f%s (%.3f) ", whole, sixteenths[sixteenthsIn(fraction)], value);
  return buf;
}

double circleArea(double radius) { return (kPi * radius) * radius; }

double circleCircumference(double radius) { return kTwoPi * radius; }

void findAreaAndCircumference(FILE *out, double radius) {
  const double circumference = circleCircumference(radius);
  const double area = circleArea(radius);
  std::fputs("Circles radius is ", out);
  fractionAndDecimal(out, buffer, radius);
  std::fputs(", diameter is ", out);
  fractionAndDecimal(out, buffer, radius + radius);
  std::fputs("<br>\n", out);
  std::fputs("Area inside the circle is about ", out);
  fractionAndDecimal(out, buffer, area);
  std::fputs(" square units.<br>\n", out);
  std::fputs("Circumference around the circle is about ", out);
  fractionAndDecimal(out, buffer, circumference);
  std::fputs(" units.<br>\n", out);
}
