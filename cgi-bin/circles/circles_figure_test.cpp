#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cgi-bin/circles/circles_site.h"
#include "testsupport/svg_parse.h"

namespace {

// The figure of the page's answer to |query|, "" when there is none.
std::string draw(const char *query) {
  CircleAnswer answer;
  answerCircle(&answer, query);
  return drawFigure([&](FILE *out) { return draw_circle_figure(out, answer); });
}

// ---- drawn: the figures' frame, the radius to scale ----

struct CircleCase {
  const char *name, *query;
  double radius;  // worked out by hand
  bool isRadius;
};

const CircleCase kCircles[] = {
    {"radius_with_fraction", "length=2&length_num=1&length_den=2&dimension=radius", 2.5, true},
    {"diameter", "length=10&dimension=diameter", 5, false},
    {"empty_fraction_fields", "length=3&length_num=&length_den=&dimension=radius", 3, true},
    {"fraction_alone", "length_num=3&length_den=4&dimension=rim", 0.75, true},
    {"capital_R_is_diameter", "length=7.5e5&dimension=Radius", 3.75e5, false},
    {"negative_length", "length=-4&dimension=r", -4, true},
    {"tiny", "length=0.002&dimension=diameter", 0.001, false},
    {"huge", "length=1e300&dimension=radius", 1e300, true},
};

class CircleFigure : public testing::TestWithParam<CircleCase> {};

TEST_P(CircleFigure, RadiusIsToScaleAndTheLineIsTheOneEntered) {
  const CircleCase &c = GetParam();
  const std::string svg = draw(c.query);
  expectFigureFrame(svg);
  auto parsed = parseSvg(svg);
  ASSERT_TRUE(parsed);
  const SvgElement &circle = *byClass(*parsed, "fig-circle").at(0);
  const SvgElement &bar = *byClass(*parsed, "fig-scale").at(0);
  const SvgElement &line = *byClass(*parsed, "fig-measure").at(0);
  const double unit = std::stod(byClass(*parsed, "fig-scale-label").at(0)->text);
  const double drawn = num(circle, "r") / (num(bar, "x2") - num(bar, "x1")) * unit;
  EXPECT_NEAR(drawn, std::fabs(c.radius), std::fabs(c.radius) * 1e-4);
  const double length = num(line, "x2") - num(line, "x1");
  EXPECT_NEAR(length, num(circle, "r") * (c.isRadius ? 1 : 2), 0.002);
  EXPECT_EQ(byClass(*parsed, "fig-measure-label").at(0)->text, c.isRadius ? "radius" : "diameter");
}

INSTANTIATE_TEST_SUITE_P(Queries, CircleFigure, testing::ValuesIn(kCircles), caseName<CircleCase>);

TEST(CircleFigure, PrintsTheMeasuresAsThePageDoes) {
  auto parsed = parseSvg(draw(kCircles[0].query));
  ASSERT_TRUE(parsed);
  auto values = byClass(*parsed, "fig-measure-value");
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0]->text, "2 1/2 (2.500)");
  EXPECT_EQ(values[1]->text, "19 5/8 (19.635)");
  EXPECT_EQ(values[2]->text, "15 11/16 (15.708)");
}

// The scale bar is the largest nice step within the radius: 5 for 7.
TEST(CircleFigure, ScaleBarIsANiceStep) {
  auto parsed = parseSvg(draw("length=7&dimension=radius"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-scale-label").at(0)->text, "5");
}

// ---- not drawn ----

// The figure reads the fields as the page does: it is drawn exactly when
// the page shows measures rather than the fraction error, and the circle
// is neither infinite nor not a number.
TEST(CircleFigure, DrawnExactlyWhenThePageAnswersAFiniteCircle) {
  for (const char *query : {"length=3&length_num=1&length_den=0", "length=3&length_num=1",
                            "length=3&length_den=2", "length_num=x&length_den=4",
                            "length_num=1&length_den=abc", "length=2&length_num=-1&length_den=2",
                            "", "length=3&length_num=&length_den=", "length_den=0"}) {
    SCOPED_TRACE(query);
    CircleAnswer answer;
    answerCircle(&answer, query);
    EXPECT_EQ(!draw(query).empty(), answer.error == 0);
  }
  EXPECT_EQ(draw("length=1e999&dimension=radius"), "");
  EXPECT_EQ(draw("length=1&length_num=1&length_den=nan"), "");
}

}  // namespace
