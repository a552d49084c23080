#include "cgi-bin/roots/roots.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <vector>

#include "page/answer_page.h"
#include "formlib/formlib.h"

namespace {

// The double nearest to pi: the angle of a number left of the imaginary
// axis, the step between roots and every conversion to degrees use it.
constexpr double kPi = std::numbers::pi;

// Narrowing a double that lies outside float's range is undefined, so the
// overflow that IEEE rounding gives is spelled out: from FLT_MAX plus half
// an ulp (2^128 - 2^103, exact in double) on the value is infinite, anything
// nearer rounds to FLT_MAX. Not-a-number and infinities keep their sign.
float toFloat(double x) {
  constexpr double kMax = std::numeric_limits<float>::max();
  constexpr double kOverflow = kMax + 0x1p103;
  constexpr float kInf = std::numeric_limits<float>::infinity();
  if (x >= kOverflow) return kInf;
  if (x <= -kOverflow) return -kInf;
  if (x > kMax) return std::numeric_limits<float>::max();
  if (x < -kMax) return -std::numeric_limits<float>::max();
  return static_cast<float>(x);
}

// The index as form_int reads it, so a huge index stays huge and meets the
// bound. 0 (nothing readable) means square roots.
int toIndex(const char *text) {
  int value = form_int(text);
  return value == 0 ? 2 : value;
}

// The number's parts as atof reads them: a decimal or exponent number,
// 0 when nothing is readable. strtod reports overflow as infinity.
double toPart(const char *text) { return std::strtod(text, nullptr); }

// Sets real and imaginary from the record's stored angle and modulus.
void placeRoot(complexRoot *root) {
  double angle = root->angle;
  double modulus = root->modulus;
  root->real = toFloat(std::cos(angle) * modulus);
  root->imaginary = toFloat(std::sin(angle) * modulus);
}

void printTitle(FILE *out) {
  std::fprintf(out, "<p><center><h1>Roots of complex numbers.</h1></center>\n");
  std::fprintf(out, "\n<hr><p>");
}

void printMeasures(FILE *out, double re, double im, double r, double theta, double delta) {
  std::fprintf(out, "\n|%lf%+lfi| = ", re, im);
  std::fprintf(out, "%lf.", r);
  std::fprintf(out, "\n<br>&theta; = %lf radians (%lf&deg;).", theta, (180 * theta) / kPi);
  std::fprintf(out, "\n<br>&#8710; = %lf radians (%lf&deg;).", delta, (180 * delta) / kPi);
  std::fprintf(out, "\n</p><p>");
}

// Square roots carry no index over the radical sign.
void printHeading(FILE *out, int n, double re, double im) {
  if (n == 2) {
    std::fprintf(out,
                 "\n<h1>&#8730;<span style=\"text-decoration:overline\">%lf%+lfi</span> =</h1>", re,
                 im);
    return;
  }
  std::fprintf(out,
               "\n<h1><sup>%d</sup>&#8730;<span style=\"text-decoration:overline\">%lf%+lfi"
               "</span> =</h1>",
               n, re, im);
}

void printList(FILE *out, const std::vector<complexRoot> &list) {
  std::fprintf(out, "\n<ul>");
  for (const complexRoot &root : list) {
    char text[kRootTextSize];
    rootText(text, root);
    std::fprintf(out, "\n<li>%s</li>", text);
  }
  std::fprintf(out, "</ul><hr>");
}

void printNotice(FILE *out) {
  std::fprintf(out, "\n<p>Too many roots to list: enter an index from %d to %d.</p><hr>",
               -kMaxRootIndex, kMaxRootIndex);
}

void printForm(FILE *out) {
  std::fputs(
      "<img alt=\"[circles]\"  src=\"../images/circles3.gif\"><p>Enter the root you wish to "
      "find of a complex number, followed by the<br>real and imaginary components of the "
      "complex number.<br></h2><hr><form action=\"../cgi-bin/roots.pl\" ><table "
      "class=\"hidden\"><td class=\"hidden\"><sup><input type=\"text\"  name=\"root\"     "
      "size=1 ></sup>&#8730;&nbsp;<input type=\"text\"  name=\"real\" size=4 >+<input "
      "type=\"text\"  name=\"imaginary\" size=4 >i</td></table></td><tr></table><input "
      "type=\"submit\"                  value=\"submit\" ><input type=\"reset\"></form></center>",
      out);
}

}  // namespace

double findModulus(double re, double im) { return std::sqrt(re * re + im * im); }

double findAngle(double re, double im, double r) {
  if (re < 0) return kPi - std::asin(im / r);
  return std::asin(im / r);
}

double findStep(int n) { return (kPi + kPi) / n; }

int rootCount(int n) { return n >= 2 ? n : 1; }

int findRoots(complexRoot *list, int cap, int n, double r, double theta) {
  if (n == 0 || cap < rootCount(n)) return 0;
  int count = rootCount(n);
  double delta = findStep(n);
  list[0].angle = toFloat(theta / n);
  list[0].modulus = toFloat(std::exp(std::log(r) / n));
  placeRoot(&list[0]);
  for (int k = 1; k < count; ++k) {
    list[k].modulus = list[0].modulus;
    list[k].angle = toFloat(k * delta + list[0].angle);
    placeRoot(&list[k]);
  }
  return count;
}

bool rootsListed(int n) { return n >= -kMaxRootIndex && n <= kMaxRootIndex; }

RootsInput readRootsInput(const char *query) {
  FormBuffer form;
  copy_form(form, query);
  char root[256], real[256], imaginary[256];
  get_var(root, "root", form);
  get_var(real, "real", form);
  get_var(imaginary, "imaginary", form);
  return RootsInput{toIndex(root), toPart(real), toPart(imaginary)};
}

void rootText(char (&text)[kRootTextSize], const complexRoot &root) {
  std::snprintf(text, sizeof text, "%.5lf%+.5lfi", root.real + 0.0000005,
                root.imaginary + 0.0000005);
}

void answerRoots(RootsAnswer *answer, const char *query) {
  answer->in = readRootsInput(query);
  const RootsInput &in = answer->in;
  answer->r = findModulus(in.re, in.im);
  answer->theta = findAngle(in.re, in.im, answer->r);
  answer->delta = findStep(in.n);
  answer->listed = rootsListed(in.n);
  answer->roots.clear();
  if (!answer->listed) return;
  answer->roots.resize(rootCount(in.n));
  findRoots(answer->roots.data(), static_cast<int>(answer->roots.size()), in.n, answer->r,
            answer->theta);
}

void writeRoots(FILE *out, const RootsAnswer &a) {
  printTitle(out);
  printMeasures(out, a.in.re, a.in.im, a.r, a.theta, a.delta);
  printHeading(out, a.in.n, a.in.re, a.in.im);
  if (a.listed) {
    printList(out, a.roots);
  } else {
    printNotice(out);
  }
  printForm(out);
}

int roots_page(FILE *out, const char *query) {
  RootsAnswer answer;
  return answer_page<answerRoots, writeRoots>(out, query, &answer);
}
