#include "cgi-bin/circles/circles.h"

#include <cstdlib>

#include "cgi-bin/circles/measures.h"
#include "formlib/formlib.h"

int error_type = 0;

void errorMessage(FILE *out, int code) {
  if (code != 1) return;
  std::fputs(
      "<h2>\n"
      "<br>\n"
      "If any part of the fraction is filled in, you must specify numerator and<br>\n"
      "denominator.  The denominator may not be 0.<br>\n"
      "</h2>\n",
      out);
}

namespace {

// The form, as the page prints it after the result; no newline follows.
const char kForm[] =
    "<center><img alt=\"[circles]\"  src=\"../images/circles2.gif\"><p>Enter a length and "
    "select whether it is the radius<br>or the diameter, and then click on submit.<br><form "
    "action=\"circles.pl\" ><table class=\"hidden\"><td class=\"hidden\"><input type=\"text\"  "
    "name=\"length\"     size=5 >&nbsp;&nbsp;<input type=\"text\"  name=\"length_num\" size=1 "
    ">/<input type=\"text\"  name=\"length_den\" size=1 ></td><td class=\"hidden\"><table "
    "class=\"hidden\">\t<h6><td class=\"hidden\"><input type=\"radio\" name=\"dimension\"  "
    "value=\"radius\"   checked >radius</td><tr>\t<td class=\"hidden\"><input type=\"radio\" "
    "name=\"dimension\"  value=\"diameter\" >diameter</td></h6></table></td><tr></table><input "
    "type=\"submit\"                  value=\"submit\" ><input type=\"reset\"></form></center>";

// The raw fields of one request, each cut to its buffer. The dimension
// buffer holds "diameter"; only its first character is ever tested.
struct Fields {
  char dimension[9];
  char length[256];
  char num[256];
  char den[256];
  int num_len;  // text lengths of the fraction, 0 when absent or empty
  int den_len;
};

void readFields(Fields &f, const char *form) {
  get_var(f.dimension, "dimension", form);
  get_var(f.length, "length", form);
  f.num_len = get_var(f.num, "length_num", form);
  f.den_len = get_var(f.den, "length_den", form);
  if (f.num_len < 0) f.num_len = 0;
  if (f.den_len < 0) f.den_len = 0;
}

bool hasFraction(const Fields &f) { return f.num_len != 0 || f.den_len != 0; }

// The request the fields ask: the length entered is the decimal alone, or
// the decimal plus the fraction. A fraction missing a part, or whose
// denominator converts to zero, is error 1 with a length of 0.
CircleRequest requestOf(const Fields &f) {
  CircleRequest c{f.dimension[0] == 'r', 0, 0.0};
  double length = std::atof(f.length);
  if (hasFraction(f)) {
    const double den = f.den_len == 0 ? 0.0 : std::atof(f.den);
    if (f.num_len == 0 || den == 0.0) {
      c.error = 1;
      return c;
    }
    length += std::atof(f.num) / den;
  }
  c.radius = c.isRadius ? length : length / 2;
  return c;
}

void copyForm(char (&form)[2048], const char *query) {
  std::snprintf(form, sizeof form, "%s", query ? query : "");
}

// Echoes the input as typed, each field escaped for the page.
void printEcho(FILE *out, const Fields &f) {
  char length[html_escaped_size(sizeof f.length - 1)];
  char num[html_escaped_size(sizeof f.num - 1)];
  char den[html_escaped_size(sizeof f.den - 1)];
  char dimension[html_escaped_size(sizeof f.dimension - 1)];
  html_escape(length, f.length);
  html_escape(dimension, f.dimension);
  if (!hasFraction(f)) {
    std::fprintf(out, "<p>Original input was: %s is the %s of the circle.<br>\n", length,
                 dimension);
    return;
  }
  html_escape(num, f.num);
  html_escape(den, f.den);
  std::fprintf(out, "<p>Original input was: %s %s/%s is the %s of the circle.<br>\n", length, num,
               den, dimension);
}

void printResult(FILE *out, double radius) {
  if (error_type != 0)
    errorMessage(out, error_type);
  else
    findAreaAndCircumference(out, radius);
}

}  // namespace

CircleRequest readCircleRequest(const char *query) {
  char form[2048];
  copyForm(form, query);
  Fields f;
  readFields(f, form);
  return requestOf(f);
}

int circles_page(FILE *out, const char *query) {
  char form[2048];
  copyForm(form, query);
  Fields f;
  readFields(f, form);
  const CircleRequest c = requestOf(f);
  error_type = c.error;
  printEcho(out, f);
  std::fputs("<hr width=\"80%\">\n", out);
  std::fputs("<p>\n", out);
  printResult(out, c.radius);
  std::fputs(kForm, out);
  return 0;
}
