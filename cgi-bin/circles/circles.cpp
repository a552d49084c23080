#include "cgi-bin/circles/circles.h"

#include <cstdlib>

#include "page/answer_page.h"
#include "formlib/formlib.h"

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

// The length entered is the decimal alone, or the decimal plus the
// fraction. A fraction missing a part, or whose denominator converts to
// zero, is error 1 with a circle of radius 0.
void computeCircle(CircleAnswer *a, int num_len, int den_len) {
  a->isRadius = a->dimension[0] == 'r';
  a->hasFraction = num_len > 0 || den_len > 0;
  a->error = 0;
  double length = std::atof(a->length);
  if (a->hasFraction) {
    const double den = den_len > 0 ? std::atof(a->den) : 0.0;
    if (num_len <= 0 || den == 0.0) {
      a->error = 1;
      a->measures = CircleMeasures{};
      return;
    }
    length += std::atof(a->num) / den;
  }
  a->measures = circleMeasures(a->isRadius ? length : length / 2);
}

// Echoes the input as typed, each field escaped for the page.
void printEcho(FILE *out, const CircleAnswer &f) {
  char length[html_escaped_size(sizeof f.length - 1)];
  char num[html_escaped_size(sizeof f.num - 1)];
  char den[html_escaped_size(sizeof f.den - 1)];
  char dimension[html_escaped_size(sizeof f.dimension - 1)];
  html_escape(length, f.length);
  html_escape(dimension, f.dimension);
  if (!f.hasFraction) {
    std::fprintf(out, "<p>Original input was: %s is the %s of the circle.<br>\n", length,
                 dimension);
    return;
  }
  html_escape(num, f.num);
  html_escape(den, f.den);
  std::fprintf(out, "<p>Original input was: %s %s/%s is the %s of the circle.<br>\n", length, num,
               den, dimension);
}

}  // namespace

void answerCircle(CircleAnswer *answer, const char *query) {
  FormBuffer form;
  copy_form(form, query);
  get_var(answer->dimension, "dimension", form);
  get_var(answer->length, "length", form);
  const int num_len = get_var(answer->num, "length_num", form);
  const int den_len = get_var(answer->den, "length_den", form);
  computeCircle(answer, num_len, den_len);
}

void writeCircle(FILE *out, const CircleAnswer &answer) {
  printEcho(out, answer);
  std::fputs("<hr width=\"80%\">\n", out);
  std::fputs("<p>\n", out);
  if (answer.error != 0)
    errorMessage(out, answer.error);
  else
    writeMeasures(out, answer.measures);
  std::fputs(kForm, out);
}

int circles_page(FILE *out, const char *query) {
  CircleAnswer answer;
  return answer_page<answerCircle, writeCircle>(out, query, &answer);
}
