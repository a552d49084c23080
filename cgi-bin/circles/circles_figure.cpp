// The circle figure: the circle to scale with the length entered, radius or
// diameter, as a labelled line, and the measures the page prints beside it,
// all from the page's answer.
#include <cmath>
#include <cstdio>

#include "cgi-bin/circles/circles_site.h"
#include "page/svg.h"

namespace {

constexpr int kWidth = 600, kHeight = 330;
constexpr double kCx = 175, kCy = 160;  // the centre
constexpr double kRadius = 140;         // pixels of the circle drawn for any radius but 0
constexpr double kColumn = 345;         // left edge of the measures
constexpr double kBarY = 318;           // the scale bar

// The page's texts for the length entered, the area and the circumference.
struct CircleTexts {
  char length[kMeasureTextSize], area[kMeasureTextSize], circumference[kMeasureTextSize];
};

void measureTexts(CircleTexts *t, const CircleAnswer &a) {
  const CircleMeasures &m = a.measures;
  measureText(t->length, a.isRadius ? m.radius : m.diameter);
  measureText(t->area, m.area);
  measureText(t->circumference, m.circumference);
}

// The circle, kRadius pixels for any radius but 0, and the radius (centre to
// the right) or the diameter (left to right through the centre) as a line.
void drawCircle(FILE *out, const CircleAnswer &c, double radiusPx) {
  svg_printf(out,
             "<circle class=\"fig-circle\" cx=\"%.0f\" cy=\"%.0f\" r=\"%.3f\" fill=\"none\" "
             "stroke=\"currentColor\" stroke-width=\"2\"/>\n"
             "<circle class=\"fig-centre\" cx=\"%.0f\" cy=\"%.0f\" r=\"3\" "
             "fill=\"currentColor\"/>\n",
             kCx, kCy, radiusPx, kCx, kCy);
  const double from = c.isRadius ? kCx : kCx - radiusPx;
  svg_printf(out,
             "<line class=\"fig-measure\" x1=\"%.3f\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\" "
             "stroke=\"currentColor\" stroke-width=\"2\"/>\n",
             from, kCy, kCx + radiusPx, kCy);
  svg_text(out, "fig-measure-label", (from + kCx + radiusPx) / 2, kCy - 8, "middle",
           c.isRadius ? "radius" : "diameter");
}

// A bar of |unit| in the circle's scale, with its length written beside it.
void drawScaleBar(FILE *out, double unit, double unitPx) {
  svg_printf(out,
             "<line class=\"fig-scale\" x1=\"20\" y1=\"%.0f\" x2=\"%.3f\" y2=\"%.0f\" "
             "stroke=\"currentColor\" stroke-width=\"3\"/>\n",
             kBarY, 20 + unitPx, kBarY);
  char label[32];
  svg_snprintf(label, sizeof label, "%g", unit);
  svg_text(out, "fig-scale-label", 28 + unitPx, kBarY + 4, "start", label);
}

void drawMeasures(FILE *out, const CircleAnswer &c, const CircleTexts &t) {
  svg_text(out, "fig-label-head", kColumn, 70, "start", c.isRadius ? "Radius" : "Diameter");
  svg_text(out, "fig-measure-value", kColumn, 90, "start", t.length);
  svg_text(out, "fig-label-head", kColumn, 130, "start", "Area");
  svg_text(out, "fig-measure-value", kColumn, 150, "start", t.area);
  svg_text(out, "fig-label-head", kColumn, 190, "start", "Circumference");
  svg_text(out, "fig-measure-value", kColumn, 210, "start", t.circumference);
}

}  // namespace

bool draw_circle_figure(FILE *out, const CircleAnswer &c) {
  const double radius = c.measures.radius;
  if (c.error != 0 || !std::isfinite(radius)) return false;
  const double size = std::fabs(radius);
  if (size != 0 && !drawable_extent(size)) return false;
  CircleTexts t;
  measureTexts(&t, c);

  const double unit = size == 0 ? 1 : nice_step(size);
  const double unitPx = size == 0 ? kRadius : kRadius * unit / size;
  const char *entered = c.isRadius ? "radius" : "diameter";
  char title[768], desc[2304], caption[2304];
  svg_snprintf(title, sizeof title, "A circle of %s %s", entered, t.length);
  svg_snprintf(desc, sizeof desc,
               "A circle drawn to scale with its %s as a line; the scale bar is %g long. "
               "Area %s square units, circumference %s units.",
               entered, unit, t.area, t.circumference);
  svg_snprintf(caption, sizeof caption,
               "Circle of %s %s: area %s square units, circumference %s units.", entered, t.length,
               t.area, t.circumference);
  open_figure(out, "circles", kWidth, kHeight, title, desc);
  drawCircle(out, c, size == 0 ? 0 : kRadius);
  drawScaleBar(out, unit, unitPx);
  drawMeasures(out, c, t);
  close_figure(out, caption);
  return true;
}
