// The roots figure: the complex plane with axes and a scale, the number
// re + im*i with its modulus circle, and the roots the page lists on their
// circle of radius r^(1/n), joined in order, all from the page's answer.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cgi-bin/roots/roots_site.h"
#include "page/svg.h"

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

bool finiteRoots(const std::vector<complexRoot> &roots) {
  for (const complexRoot &root : roots)
    if (!std::isfinite(root.real) || !std::isfinite(root.imaginary)) return false;
  return true;
}

// Writes into |why| the reason nothing can be drawn for the answer; false
// when it can be drawn.
bool problem(char *why, std::size_t cap, const RootsAnswer &a) {
  if (!a.listed)
    svg_snprintf(why, cap, "No roots are listed for an index beyond \u00b1%d.", kMaxRootIndex);
  else if (a.r == 0)
    svg_snprintf(why, cap, "The modulus is 0, so the angle and the roots are not numbers.");
  else if (!finiteRoots(a.roots))
    svg_snprintf(why, cap, "These roots are not finite numbers.");
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

// The rough box a label covers, from its font size: a character of these
// numbers is about 0.58 of the size wide, the digits' height 0.72 of it.
// Labels are placed by these boxes to keep them off the axes and off each
// other. The sizes are figures.css's, 12 the svg's own.
constexpr double kCharWidth = 0.58, kCapHeight = 0.72;
constexpr double kRootLabelSize = 11, kLabelSize = 12, kTickSize = 10;
constexpr double kAxisEnd = kPlot + 25;  // pixels from the origin to an axis' end

struct Box {
  double left, top, width, height;
  double right() const { return left + width; }
  double bottom() const { return top + height; }
};

Box textBox(const char *text, double size) {
  return Box{0, 0, std::strlen(text) * kCharWidth * size, kCapHeight * size};
}

bool overlap(const Box &a, const Box &b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// What the axes keep clear for themselves: the real axis, its ticks, the
// numbers under them and "Re" beyond its end; the imaginary axis with the
// numbers left of it and "Im" at its top. |tickWidth| is the widest number.
struct AxisBands {
  Box real, imaginary;
};

AxisBands axisBands(double tickWidth) {
  const double numbers = std::fmax(tickWidth, 2 * kCharWidth * kLabelSize);
  return AxisBands{Box{kCx - kAxisEnd - 5, kCy - 6, 2 * kAxisEnd + 5 + 25, 24},
                   Box{kCx - 9 - numbers, kCy - kAxisEnd, numbers + 14, 2 * kAxisEnd}};
}

// A label placed kLabelGap pixels out from its point (x, y) along the
// direction (dx, dy) the point lies in from the origin: beside the point on
// the side it faces, above or below it by the sign of dy; then moved off
// the axes' bands (above the real axis for a point on it, below when
// |flip|, which also puts it on the other side of a point off the axis),
// and kept within the figure.
Box placeLabel(const AxisBands &bands, double x, double y, double dx, double dy, bool flip, Box b) {
  if (flip) dy = -dy;
  const double ox = x + dx * kLabelGap, oy = y - dy * kLabelGap;
  b.left = dx > 0.3 ? ox : dx < -0.3 ? ox - b.width : ox - b.width / 2;
  b.top = oy - dy * b.height / 2 - b.height / 2;
  if (overlap(b, bands.real)) {
    const bool above = std::fabs(y - kCy) < 0.5 ? !flip : y < kCy;
    b.top = above ? bands.real.top - 2 - b.height : bands.real.bottom() + 2;
  }
  if (overlap(b, bands.imaginary))
    b.left = x > kCx - 0.5 ? bands.imaginary.right() + 2 : bands.imaginary.left - 2 - b.width;
  b.left = std::fmin(std::fmax(b.left, 2), kWidth - 2 - b.width);
  b.top = std::fmin(std::fmax(b.top, 2), kHeight - 2 - b.height);
  return b;
}

// Writes |text| in box |b| for the point at |x|: anchored at the end
// nearer the point, so a wider font than guessed grows away from it.
void drawLabel(FILE *out, const char *cls, const Box &b, double x, const char *text) {
  if (b.left >= x)
    svg_text(out, cls, b.left, b.bottom(), "start", text);
  else if (b.right() <= x)
    svg_text(out, cls, b.right(), b.bottom(), "end", text);
  else
    svg_text(out, cls, b.left + b.width / 2, b.bottom(), "middle", text);
}

void drawAxes(FILE *out) {
  svg_printf(out,
             "<g class=\"fig-axis\" stroke=\"currentColor\" stroke-width=\"1\">"
             "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/>"
             "<line x1=\"%.0f\" y1=\"%.0f\" x2=\"%.0f\" y2=\"%.0f\"/></g>\n",
             kCx - kAxisEnd, kCy, kCx + kAxisEnd, kCy, kCx, kCy + kAxisEnd, kCx, kCy - kAxisEnd);
  // Beyond the ends, clear of the ticks' numbers: on the real axis' line
  // past its end, left of the imaginary axis' top.
  svg_text(out, "fig-label", kCx + kAxisEnd + 4, kCy + 4, "start", "Re");
  svg_text(out, "fig-label", kCx - 6, kCy - kAxisEnd + 11, "end", "Im");
}

// Calls |f|(k, d) for every tick out from the origin: the k-th, d pixels out.
template <class F>
void forEachTick(const Plane &p, double step, F f) {
  for (int k = 1; k * step <= p.extent * (1 + 1e-9); ++k) f(k, k * step / p.extent * kPlot);
}

// The tick's number at |value| and its negative.
void tickNumbers(char (&value)[32], char (&negative)[33], double number) {
  svg_snprintf(value, sizeof value, "%g", number);
  svg_snprintf(negative, sizeof negative, "-%s", value);
}

// The width of the widest tick number.
double tickNumbersWidth(const Plane &p, double step) {
  double widest = 0;
  forEachTick(p, step, [&](int k, double) {
    char value[32], negative[33];
    tickNumbers(value, negative, k * step);
    widest = std::fmax(widest, textBox(negative, kTickSize).width);
  });
  return widest;
}

// Ticks every nice step on both axes.
void drawTicks(FILE *out, const Plane &p, double step) {
  std::fputs("<g class=\"fig-tick\" stroke=\"currentColor\" stroke-width=\"1\">", out);
  forEachTick(p, step, [&](int, double d) {
    svg_printf(out,
               "<line x1=\"%.3f\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\"/>"
               "<line x1=\"%.3f\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\"/>"
               "<line x1=\"%.0f\" y1=\"%.3f\" x2=\"%.0f\" y2=\"%.3f\"/>"
               "<line x1=\"%.0f\" y1=\"%.3f\" x2=\"%.0f\" y2=\"%.3f\"/>",
               kCx + d, kCy - 4, kCx + d, kCy + 4, kCx - d, kCy - 4, kCx - d, kCy + 4, kCx - 4,
               kCy - d, kCx + 4, kCy - d, kCx - 4, kCy + d, kCx + 4, kCy + d);
  });
  std::fputs("</g>\n", out);
}

// Every tick numbered, under the real axis and left of the imaginary one;
// drawn over the circles, whose lines their halo (figures.css) interrupts.
// The last real number written is the farthest positive one.
void drawTickNumbers(FILE *out, const Plane &p, double step) {
  forEachTick(p, step, [&](int k, double d) {
    char value[32], negative[33];
    tickNumbers(value, negative, k * step);
    svg_text(out, "fig-x-tick", kCx - d, kCy + 16, "middle", negative);
    svg_text(out, "fig-x-tick", kCx + d, kCy + 16, "middle", value);
    svg_text(out, "fig-y-tick", kCx - 7, kCy - d + 4, "end", value);
    svg_text(out, "fig-y-tick", kCx - 7, kCy + d + 4, "end", negative);
  });
}

// The box of the number's mark: its point on the scale, or off the scale
// the hollow point at the edge in its direction.
Box numberMark(const RootsAnswer &a, const Plane &p) {
  const double x = p.numberOnScale ? toX(p, a.in.re) : kCx + a.in.re / a.r * (kPlot + 14);
  const double y = p.numberOnScale ? toY(p, a.in.im) : kCy - a.in.im / a.r * (kPlot + 14);
  return Box{x - 5, y - 5, 10, 10};
}

// The number's mark |mark|, and on the scale its modulus circle and its
// label beside it, clear of the roots' labels |taken|; off the scale the
// label goes in a corner.
void drawNumber(FILE *out, const RootsAnswer &a, const Plane &p, const AxisBands &bands,
                const Box &mark, const Box *taken, std::size_t labelled) {
  char label[96];
  svg_snprintf(label, sizeof label, "z = %.6g%+.6gi", a.in.re, a.in.im);
  const double x = mark.left + 5, y = mark.top + 5;
  if (p.numberOnScale) {
    svg_printf(out,
               "<circle class=\"fig-modulus\" cx=\"%.0f\" cy=\"%.0f\" r=\"%.3f\" fill=\"none\" "
               "stroke=\"currentColor\" stroke-dasharray=\"4 3\"/>\n"
               "<circle class=\"fig-number\" cx=\"%.3f\" cy=\"%.3f\" r=\"4\" "
               "fill=\"currentColor\"/>\n",
               kCx, kCy, a.r / p.extent * kPlot, x, y);
    // A root can share the number's place (index 1, or the root 1 of 1):
    // then the number's label goes on the other side.
    const double dx = a.in.re / a.r, dy = a.in.im / a.r;
    Box b = placeLabel(bands, x, y, dx, dy, false, textBox(label, kLabelSize));
    for (std::size_t k = 0; k < labelled; ++k)
      if (overlap(b, taken[k])) {
        b = placeLabel(bands, x, y, dx, dy, true, b);
        break;
      }
    drawLabel(out, "fig-number-label", b, x, label);
  } else {
    svg_printf(out,
               "<circle class=\"fig-number fig-off-scale\" cx=\"%.3f\" cy=\"%.3f\" r=\"4\" "
               "fill=\"none\" stroke=\"currentColor\"/>\n",
               x, y);
    // The edge is crowded with the roots' labels: the note goes in a corner.
    svg_text(out, "fig-number-label", 8, 18, "start", label);
    svg_text(out, "fig-number-label", 8, 34, "start", "off the scale: the hollow mark");
  }
}

// The roots' circle, the polygon joining the roots in order, and the roots
// as dots (zero-length strokes with round caps, a few bytes each).
void drawRoots(FILE *out, const RootsAnswer &a, const Plane &p) {
  svg_printf(out,
             "<circle class=\"fig-root-circle\" cx=\"%.0f\" cy=\"%.0f\" r=\"%.3f\" "
             "fill=\"none\" stroke=\"currentColor\"/>\n",
             kCx, kCy, a.roots[0].modulus / p.extent * kPlot);
  std::fputs(
      "<polygon class=\"fig-polygon\" fill=\"none\" stroke=\"currentColor\" "
      "stroke-linejoin=\"round\" points=\"",
      out);
  for (const complexRoot &root : a.roots)
    svg_printf(out, "%s%.3f,%.3f", &root == &a.roots[0] ? "" : " ", toX(p, root.real),
               toY(p, root.imaginary));
  std::fputs(
      "\"/>\n<path class=\"fig-roots\" fill=\"none\" stroke=\"currentColor\" "
      "stroke-linecap=\"round\" stroke-width=\"",
      out);
  // Many dots would merge into a thick ring; smaller ones stay a ring of dots.
  std::fputs(a.roots.size() > 60 ? "3\" d=\"" : "6\" d=\"", out);
  for (const complexRoot &root : a.roots)
    svg_printf(out, "M%.3f %.3fh0", toX(p, root.real), toY(p, root.imaginary));
  std::fputs("\"/>\n", out);
}

// Where the labels of the first |labelled| roots go, one box each, on the
// other side of a root when the number's |mark| is in the way. Returns how
// many are drawn: all of them, or none when two would overlap (a small
// circle of many roots), the page listing them just above.
std::size_t placeRootLabels(Box *boxes, const RootsAnswer &a, const Plane &p,
                            const AxisBands &bands, const Box &mark,
                            const char (*labels)[kRootTextSize], std::size_t labelled) {
  for (std::size_t k = 0; k < labelled; ++k) {
    const complexRoot &root = a.roots[k];
    const double rho = root.modulus, x = toX(p, root.real), y = toY(p, root.imaginary);
    const double dx = rho > 0 ? root.real / rho : 1, dy = rho > 0 ? root.imaginary / rho : 0;
    boxes[k] = placeLabel(bands, x, y, dx, dy, false, textBox(labels[k], kRootLabelSize));
    if (overlap(boxes[k], mark)) boxes[k] = placeLabel(bands, x, y, dx, dy, true, boxes[k]);
    for (std::size_t j = 0; j < k; ++j)
      if (overlap(boxes[j], boxes[k])) return 0;
  }
  return labelled;
}

// Labels as the page lists the roots; |labels| holds one text per root.
void drawLabels(FILE *out, const RootsAnswer &a, const Plane &p,
                const char (*labels)[kRootTextSize], const Box *boxes, std::size_t labelled) {
  for (std::size_t k = 0; k < labelled; ++k)
    drawLabel(out, "fig-root-label", boxes[k], toX(p, a.roots[k].real), labels[k]);
}

// The text alternative: what is drawn and, when few, the roots themselves.
void describe(char *desc, std::size_t cap, const RootsAnswer &a, const Plane &p, double step,
              const char (*labels)[kRootTextSize], std::size_t labelled) {
  const int count = static_cast<int>(a.roots.size());
  int used = svg_snprintf(
      desc, cap,
      "The complex plane with a tick every %g. The number %.6g%+.6gi has modulus %.6g%s. "
      "Its %d root%s of index %d %s on the circle of radius %.6g, joined in order",
      step, a.in.re, a.in.im, a.r,
      p.numberOnScale ? " and is drawn with its modulus circle" : ", off the scale", count,
      count == 1 ? "" : "s", a.in.n, count == 1 ? "lies" : "lie",
      static_cast<double>(a.roots[0].modulus));
  for (std::size_t k = 0; k < labelled && used > 0 && static_cast<std::size_t>(used) < cap; ++k)
    used += svg_snprintf(desc + used, cap - used, "%s%s", k == 0 ? ": " : ", ", labels[k]);
  if (used > 0 && static_cast<std::size_t>(used) < cap) svg_snprintf(desc + used, cap - used, ".");
}

void drawProblem(FILE *out, const RootsAnswer &a, const char *why) {
  char title[128];
  svg_snprintf(title, sizeof title, "Roots of index %d of %.6g%+.6gi", a.in.n, a.in.re, a.in.im);
  open_figure(out, "roots", kWidth, kHeight, title, why);
  drawAxes(out);
  svg_text(out, "fig-note", kCx, 40, "middle", why);
  close_figure(out, why);
}

}  // namespace

bool draw_roots_figure(FILE *out, const RootsAnswer &a) {
  const std::size_t labelled = a.roots.size() <= kMaxLabels ? a.roots.size() : 0;
  char labels[kMaxLabels][kRootTextSize];
  for (std::size_t k = 0; k < labelled; ++k) rootText(labels[k], a.roots[k]);

  char why[96];
  bool blocked = problem(why, sizeof why, a);
  const Plane plane = blocked ? Plane{} : fitPlane(a);
  if (!blocked && !drawable_extent(plane.extent)) {
    svg_snprintf(why, sizeof why, "These roots are too small or too large to draw.");
    blocked = true;
  }
  if (blocked) {
    drawProblem(out, a, why);
    return true;
  }
  const double step = nice_step(plane.extent / 2);
  char title[128], desc[1024], caption[192];
  svg_snprintf(title, sizeof title, "Roots of index %d of %.6g%+.6gi", a.in.n, a.in.re, a.in.im);
  describe(desc, sizeof desc, a, plane, step, labels, labelled);
  svg_snprintf(caption, sizeof caption,
               "The %zu root%s of index %d of %.6g%+.6gi on the circle of radius %.6g.",
               a.roots.size(), a.roots.size() == 1 ? "" : "s", a.in.n, a.in.re, a.in.im,
               static_cast<double>(a.roots[0].modulus));
  open_figure(out, "roots", kWidth, kHeight, title, desc);
  const AxisBands bands = axisBands(tickNumbersWidth(plane, step));
  Box boxes[kMaxLabels];
  const Box mark = numberMark(a, plane);
  const std::size_t drawn = placeRootLabels(boxes, a, plane, bands, mark, labels, labelled);
  drawAxes(out);
  drawTicks(out, plane, step);
  drawRoots(out, a, plane);
  drawNumber(out, a, plane, bands, mark, boxes, drawn);
  drawTickNumbers(out, plane, step);
  drawLabels(out, a, plane, labels, boxes, drawn);
  close_figure(out, caption);
  return true;
}
