// The roots figure: the complex plane with axes and a scale, the number
// re + im*i with its modulus circle, and the roots the page lists on their
// circle of radius r^(1/n), joined in order.
#include <cmath>
#include <cstdio>
#include <vector>

#include "cgi-bin/roots/roots.h"
#include "site/figures/figure_parts.h"
#include "site/figures/svg.h"

namespace {

constexpr int kWidth = 600, kHeight = 400;
constexpr double kCx = 300, kCy = 200;  // the origin
constexpr double kPlot = 170;           // pixels from the origin to the scale's end
constexpr double kRing = 150;           // the roots' circle when the number is off the scale
// A number farther out than this many times the roots' radius would shrink
// the roots to a dot; it is drawn at the edge, off the scale, instead.
constexpr double kOffScale = 8;
constexpr int kMaxLabels = 12;  // roots are labelled only up to this many
constexpr double kLabelGap = 10;

// What the page computes for the request.
struct RootsAnswer {
  RootsInput in;
  double r, theta;
  std::vector<complexRoot> roots;  // empty when the page lists none
};

// The page's own computation, in its order.
void answer(RootsAnswer *a, const char *query) {
  a->in = readRootsInput(query);
  a->r = findModulus(a->in.re, a->in.im);
  a->theta = findAngle(a->in.re, a->in.im, a->r);
  if (!rootsListed(a->in.n)) return;
  a->roots.resize(rootCount(a->in.n));
  findRoots(a->roots.data(), static_cast<int>(a->roots.size()), a->in.n, a->r, a->theta);
}

// A root as the page's list item prints it, lifted by 5e-7 the same way.
// Formatted in the process's locale, as the page is.
void pageText(char *dest, std::size_t cap, const complexRoot &root) {
  std::snprintf(dest, cap, "%.5lf%+.5lfi", root.real + 0.0000005, root.imaginary + 0.0000005);
}

bool finiteRoots(const std::vector<complexRoot> &roots) {
  for (const complexRoot &root : roots)
    if (!std::isfinite(root.real) || !std::isfinite(root.imaginary)) return false;
  return true;
}

// Writes into |why| the reason nothing can be drawn for the answer; false
// when it can be drawn.
bool problem(char *why, std::size_t cap, const RootsAnswer &a) {
  if (a.roots.empty())
    std::snprintf(why, cap, "No roots are listed for an index beyond \u00b1%d.", kMaxRootIndex);
  else if (a.r == 0)
    std::snprintf(why, cap, "The modulus is 0, so the angle and the roots are not numbers.");
  else if (!finiteRoots(a.roots))
    std::snprintf(why, cap, "These roots are not finite numbers.");
  else
    return false;
  return true;
}

// How the plane is fitted to the figure: |extent| is the modulus drawn
// kPlot pixels from the origin.
struct Plane {
  double extent;
  bool numberOnScale;
};

Plane fitPlane(const RootsAnswer &a) {
  const double rho = a.roots[0].modulus;
  if (rho == 0 || a.r <= kOffScale * rho) return Plane{std::fmax(a.r, rho), true};
  return Plane{rho * kPlot / kRing, false};
}

double toX(const Plane &p, double re) { return kCx + re / p.extent * kPlot; }
double toY(const Plane &p, double im) { return kCy - im / p.extent * kPlot; }

// A label kLabelGap pixels out from a point at (x, y) in direction
// (dx, dy): anchored away from the point, and above the line through it
// when it lies beside the point, so labels by the real axis clear the
// tick labels below it.
void drawLabelAt(FILE *out, const char *cls, double x, double y, double dx, double dy,
                 const char *text) {
  const char *anchor = dx > 0.3 ? "start" : dx < -0.3 ? "end" : "middle";
  const double baseline = dy > 0.3 ? -2 : dy < -0.3 ? 10 : -4;
  svg_text(out, cls, x + dx * kLabelGap, y - dy * kLabelGap + baseline, anchor, text);
}

void drawAxes(FILE *out) {
  std::fprintf(out,
               "<g class=\"fig-axis\" stroke=\"currentColor\" stroke-width=\"1\">"
               "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/>"
               "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/></g>\n",
               kCx - kPlot - 25, kCy, kCx + kPlot + 25, kCy, kCx, kCy + kPlot + 25, kCx,
               kCy - kPlot - 25);
  svg_text(out, "fig-label", kCx + kPlot + 25, kCy + 16, "end", "Re");
  svg_text(out, "fig-label", kCx + 6, kCy - kPlot - 14, "start", "Im");
}

// Ticks every nice step on both axes, labelled on the positive halves.
void drawScale(FILE *out, const Plane &p, double step) {
  std::fputs("<g class=\"fig-tick\" stroke=\"currentColor\" stroke-width=\"1\">", out);
  for (int k = 1; k * step <= p.extent * (1 + 1e-9); ++k) {
    const double d = k * step / p.extent * kPlot;
    std::fprintf(out,
                 "<line x1=\"%.3f\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\"/>"
                 "<line x1=\"%.3f\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\"/>"
                 "<line x1=\"%.0f\" y1=\"%.3f\" x2=\"%.0f\" y2=\"%.3f\"/>"
                 "<line x1=\"%.0f\" y1=\"%.3f\" x2=\"%.0f\" y2=\"%.3f\"/>",
                 kCx + d, kCy - 4, kCx + d, kCy + 4, kCx - d, kCy - 4, kCx - d, kCy + 4, kCx - 4,
                 kCy - d, kCx + 4, kCy - d, kCx - 4, kCy + d, kCx + 4, kCy + d);
  }
  std::fputs("</g>\n", out);
  char value[32];
  for (int k = 1; k * step <= p.extent * (1 + 1e-9); ++k) {
    const double d = k * step / p.extent * kPlot;
    std::snprintf(value, sizeof value, "%g", k * step);
    svg_text(out, "fig-x-tick", kCx + d, kCy + 16, "middle", value);
    svg_text(out, "fig-y-tick", kCx - 7, kCy - d + 4, "end", value);
  }
}

// The number as a point with its modulus circle, or, off the scale, as a
// hollow point at the edge in its direction.
void drawNumber(FILE *out, const RootsAnswer &a, const Plane &p) {
  char label[96];
  const double dx = a.in.re / a.r, dy = a.in.im / a.r;
  double x, y;
  if (p.numberOnScale) {
    x = toX(p, a.in.re);
    y = toY(p, a.in.im);
    std::fprintf(out,
                 "<circle class=\"fig-modulus\" cx=\"%.0f\" cy=\"%.0f\" r=\"%.3f\" fill=\"none\" "
                 "stroke=\"currentColor\" stroke-dasharray=\"4 3\"/>\n"
                 "<circle class=\"fig-number\" cx=\"%.3f\" cy=\"%.3f\" r=\"4\" "
                 "fill=\"currentColor\"/>\n",
                 kCx, kCy, a.r / p.extent * kPlot, x, y);
    std::snprintf(label, sizeof label, "z = %.6g%+.6gi", a.in.re, a.in.im);
    drawLabelAt(out, "fig-number-label", x, y, dx, dy, label);
  } else {
    x = kCx + dx * (kPlot + 14);
    y = kCy - dy * (kPlot + 14);
    std::fprintf(out,
                 "<circle class=\"fig-number fig-off-scale\" cx=\"%.3f\" cy=\"%.3f\" r=\"4\" "
                 "fill=\"none\" stroke=\"currentColor\"/>\n",
                 x, y);
    // The edge is crowded with the roots' labels: the note goes in a corner.
    std::snprintf(label, sizeof label, "z = %.6g%+.6gi", a.in.re, a.in.im);
    svg_text(out, "fig-number-label", 8, 18, "start", label);
    svg_text(out, "fig-number-label", 8, 34, "start", "off the scale: the hollow mark");
  }
}

// The roots' circle, the polygon joining the roots in order, and the roots
// as dots (zero-length strokes with round caps, a few bytes each).
void drawRoots(FILE *out, const RootsAnswer &a, const Plane &p) {
  std::fprintf(out,
               "<circle class=\"fig-root-circle\" cx=\"%.0f\" cy=\"%.0f\" r=\"%.3f\" "
               "fill=\"none\" stroke=\"currentColor\"/>\n",
               kCx, kCy, a.roots[0].modulus / p.extent * kPlot);
  std::fputs(
      "<polygon class=\"fig-polygon\" fill=\"none\" stroke=\"currentColor\" "
      "stroke-linejoin=\"round\" points=\"",
      out);
  for (const complexRoot &root : a.roots)
    std::fprintf(out, "%s%.3f,%.3f", &root == &a.roots[0] ? "" : " ", toX(p, root.real),
                 toY(p, root.imaginary));
  std::fputs(
      "\"/>\n<path class=\"fig-roots\" fill=\"none\" stroke=\"currentColor\" "
      "stroke-linecap=\"round\" stroke-width=\"",
      out);
  // Many dots would merge into a thick ring; smaller ones stay a ring of dots.
  std::fputs(a.roots.size() > 60 ? "3\" d=\"" : "6\" d=\"", out);
  for (const complexRoot &root : a.roots)
    std::fprintf(out, "M%.3f %.3fh0", toX(p, root.real), toY(p, root.imaginary));
  std::fputs("\"/>\n", out);
}

// Labels as the page lists the roots; |labels| holds one text per root.
void drawLabels(FILE *out, const RootsAnswer &a, const Plane &p, const char (*labels)[64],
                std::size_t labelled) {
  for (std::size_t k = 0; k < labelled; ++k) {
    const complexRoot &root = a.roots[k];
    const double rho = root.modulus;
    const double dx = rho > 0 ? root.real / rho : 1, dy = rho > 0 ? root.imaginary / rho : 0;
    drawLabelAt(out, "fig-root-label", toX(p, root.real), toY(p, root.imaginary), dx, dy,
                labels[k]);
  }
}

// The text alternative: what is drawn and, when few, the roots themselves.
void describe(char *desc, std::size_t cap, const RootsAnswer &a, const Plane &p, double step,
              const char (*labels)[64], std::size_t labelled) {
  const int count = static_cast<int>(a.roots.size());
  int used = std::snprintf(
      desc, cap,
      "The complex plane with a tick every %g. The number %.6g%+.6gi has modulus %.6g%s. "
      "Its %d root%s of index %d %s on the circle of radius %.6g, joined in order",
      step, a.in.re, a.in.im, a.r,
      p.numberOnScale ? " and is drawn with its modulus circle" : ", off the scale", count,
      count == 1 ? "" : "s", a.in.n, count == 1 ? "lies" : "lie",
      static_cast<double>(a.roots[0].modulus));
  for (std::size_t k = 0; k < labelled && used > 0 && static_cast<std::size_t>(used) < cap; ++k)
    used += std::snprintf(desc + used, cap - used, "%s%s", k == 0 ? ": " : ", ", labels[k]);
  if (used > 0 && static_cast<std::size_t>(used) < cap) std::snprintf(desc + used, cap - used, ".");
}

void drawProblem(FILE *out, const RootsAnswer &a, const char *why) {
  char title[128];
  std::snprintf(title, sizeof title, "Roots of index %d of %.6g%+.6gi", a.in.n, a.in.re, a.in.im);
  open_figure(out, "roots", kWidth, kHeight, title, why);
  drawAxes(out);
  svg_text(out, "fig-note", kCx, 40, "middle", why);
  close_figure(out, why);
}

}  // namespace

bool roots_figure(FILE *out, const char *query) {
  RootsAnswer a;
  answer(&a, query);
  const std::size_t labelled = a.roots.size() <= kMaxLabels ? a.roots.size() : 0;
  char labels[kMaxLabels][64];
  for (std::size_t k = 0; k < labelled; ++k) pageText(labels[k], sizeof labels[k], a.roots[k]);

  CNumbers numbers;
  if (!numbers.ok()) return false;
  char why[96];
  bool blocked = problem(why, sizeof why, a);
  const Plane plane = blocked ? Plane{} : fitPlane(a);
  if (!blocked && !drawable_extent(plane.extent)) {
    std::snprintf(why, sizeof why, "These roots are too small or too large to draw.");
    blocked = true;
  }
  if (blocked) {
    drawProblem(out, a, why);
    return true;
  }
  const double step = nice_step(plane.extent / 2);
  char title[128], desc[1024], caption[192];
  std::snprintf(title, sizeof title, "Roots of index %d of %.6g%+.6gi", a.in.n, a.in.re, a.in.im);
  describe(desc, sizeof desc, a, plane, step, labels, labelled);
  std::snprintf(caption, sizeof caption,
                "The %zu root%s of index %d of %.6g%+.6gi on the circle of radius %.6g.",
                a.roots.size(), a.roots.size() == 1 ? "" : "s", a.in.n, a.in.re, a.in.im,
                static_cast<double>(a.roots[0].modulus));
  open_figure(out, "roots", kWidth, kHeight, title, desc);
  drawAxes(out);
  drawScale(out, plane, step);
  drawRoots(out, a, plane);
  drawNumber(out, a, plane);
  drawLabels(out, a, plane, labels, labelled);
  close_figure(out, caption);
  return true;
}
