#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "cgi-bin/roots/roots_site.h"
#include "testsupport/svg_parse.h"

namespace {

// The figure of the page's answer to |query|.
std::string draw(const char *query) {
  RootsAnswer answer;
  answerRoots(&answer, query);
  return drawFigure([&](FILE *out) { return draw_roots_figure(out, answer); });
}

struct RootsCase {
  const char *name, *query;
  const char *firstLabel;  // the first root's label, "" when none are labelled
};

// ---- the points are the page's roots, on one circle ----

const RootsCase kRoots[] = {
    {"cube_roots_of_8", "root=3&real=8&imaginary=0", "2.00000+0.00000i"},
    {"fourth_roots_of_16i", "root=4&real=0&imaginary=16", "1.84776+0.76537i"},
    {"index_1_is_the_number", "root=1&real=-2&imaginary=5", "-2.00000+5.00000i"},
    {"negative_index", "root=-2&real=4", "0.50000+0.00000i"},
    {"twelve_labelled", "root=12&real=1&imaginary=1", "1.02710+0.06732i"},
    {"thirteen_unlabelled", "root=13&real=1", ""},
    {"twelve_crowded_unlabelled", "root=12&real=9", ""},
    {"number_off_the_scale", "root=5&real=1e6&imaginary=-3", "15.84893-0.00001i"},
    {"roots_outside_the_number", "root=-1&real=0.01", "100.00000+0.00000i"},
    {"bound", "root=10000&real=2", ""},
};

class RootsFigure : public testing::TestWithParam<RootsCase> {};

TEST_P(RootsFigure, PointsAreThePageRootsOnOneCircle) {
  const RootsCase &c = GetParam();
  const std::string svg = draw(c.query);
  expectFigureFrame(svg);
  auto parsed = parseSvg(svg);
  ASSERT_TRUE(parsed);
  const std::vector<SvgElement> &all = *parsed;

  const RootsInput in = readRootsInput(c.query);
  const double r = findModulus(in.re, in.im);
  std::vector<complexRoot> roots(rootCount(in.n));
  findRoots(roots.data(), static_cast<int>(roots.size()), in.n, r, findAngle(in.re, in.im, r));

  // The scale, read back from the farthest tick on the real axis, at least
  // 85 pixels out; the points and the tick carry three decimals of a pixel.
  auto ticks = byClass(all, "fig-x-tick");
  ASSERT_FALSE(ticks.empty());
  const double perUnit = (num(*ticks.back(), "x") - 300) / std::stod(ticks.back()->text);
  const double tolerance = 0.002 / perUnit;

  auto polygon = byClass(all, "fig-polygon");
  ASSERT_EQ(polygon.size(), 1u);
  std::vector<std::pair<double, double>> points;
  const char *p = polygon[0]->attrs.at("points").c_str();
  double x, y;
  int used;
  while (std::sscanf(p, "%lf,%lf%n", &x, &y, &used) == 2) {
    points.emplace_back(x, y);
    p += used;
  }
  ASSERT_EQ(points.size(), roots.size());
  auto circle = byClass(all, "fig-root-circle");
  ASSERT_EQ(circle.size(), 1u);
  const double radius = num(*circle[0], "r");
  for (std::size_t k = 0; k < roots.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR((points[k].first - 300) / perUnit, roots[k].real, tolerance);
    EXPECT_NEAR((200 - points[k].second) / perUnit, roots[k].imaginary, tolerance);
    EXPECT_NEAR(std::hypot(points[k].first - 300, points[k].second - 200), radius, 0.002);
  }

  auto labels = byClass(all, "fig-root-label");
  if (c.firstLabel[0] == '\0') {
    EXPECT_TRUE(labels.empty());
  } else {
    ASSERT_EQ(labels.size(), roots.size());
    EXPECT_EQ(labels[0]->text, c.firstLabel);
  }
}

INSTANTIATE_TEST_SUITE_P(Queries, RootsFigure, testing::ValuesIn(kRoots), caseName<RootsCase>);

// The layout: every text inside the figure; the roots' and the number's
// labels off the real axis, its ticks and their numbers (the band from 6
// above the axis to the numbers' baseline 16 under it, plus a label's
// height); the number's label not on a root's; ticks numbered on both
// halves; "Re" beyond the last number.
class RootsLayout : public testing::TestWithParam<RootsCase> {};

TEST_P(RootsLayout, LabelsClearTheAxesAndEachOther) {
  auto parsed = parseSvg(draw(GetParam().query));
  ASSERT_TRUE(parsed);
  std::vector<const SvgElement *> texts, points, ticks;
  for (const SvgElement &e : *parsed) {
    if (e.name != "text") continue;
    texts.push_back(&e);
    const std::string &cls = e.attrs.at("class");
    if (cls == "fig-root-label" || cls == "fig-number-label") points.push_back(&e);
    if (cls == "fig-x-tick") ticks.push_back(&e);
  }
  double lastTick = 0, re = 0;
  std::map<std::string, int> halves;
  for (const SvgElement *t : texts) {
    EXPECT_TRUE(num(*t, "x") >= 0 && num(*t, "x") <= 600 && num(*t, "y") >= 0 &&
                num(*t, "y") <= 400)
        << t->text;
    if (t->text == "Re") re = num(*t, "x");
  }
  for (const SvgElement *t : ticks) {
    lastTick = std::fmax(lastTick, num(*t, "x"));
    ++halves[t->text[0] == '-' ? t->text.substr(1) : t->text];
  }
  for (const auto &[number, count] : halves) EXPECT_EQ(count, 2) << number;
  EXPECT_GT(re, lastTick + 10);
  for (const SvgElement *p : points) {
    const double y = num(*p, "y");
    EXPECT_FALSE(y > 194 && y < 225) << p->text << " at y " << y;
    for (const SvgElement *q : points) {
      const bool onTop =
          std::fabs(num(*p, "x") - num(*q, "x")) < 5 && std::fabs(y - num(*q, "y")) < 9;
      EXPECT_FALSE(p != q && onTop) << p->text << " on " << q->text;
    }
  }
}

const RootsCase kLayouts[] = {
    {"cube_roots_of_8", "root=3&real=8&imaginary=0", ""},
    {"fourth_roots_of_minus_16i", "root=4&real=0&imaginary=-16", ""},
    {"twelfth_roots_of_1", "root=12&real=1&imaginary=0", ""},
    {"fifth_roots_of_3_4i", "root=5&real=3&imaginary=4", ""},
    {"hundredth_roots", "root=100&real=1&imaginary=1", ""},
    {"square_roots_of_minus_9", "root=2&real=-9&imaginary=0", ""},
    {"index_1_is_the_number", "root=1&real=-2&imaginary=5", ""},
    {"number_off_the_scale", "root=5&real=1e6&imaginary=-3", ""},
};

INSTANTIATE_TEST_SUITE_P(Queries, RootsLayout, testing::ValuesIn(kLayouts), caseName<RootsCase>);

TEST(RootsFigure, SaysWhyWhenThePageListsNoRoots) {
  for (const char *query : {"", "root=10001&real=1", "root=-3&real=nan", "root=3&real=1e999"}) {
    SCOPED_TRACE(query);
    expectFigureFrame(draw(query));
    auto parsed = parseSvg(draw(query));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(byClass(*parsed, "fig-note").size(), 1u);
    EXPECT_TRUE(byClass(*parsed, "fig-polygon").empty());
  }
}

// Past FLT_MAX (3.40282347e38) a root rounds as IEEE narrowing does: to
// FLT_MAX up to half an ulp beyond it (3.40282357e38), to infinity from
// there on. The page keeps that root and the figure draws it, or says it
// is not finite.
TEST(RootsFigure, RootsJustPastFloatRangeRoundAsNarrowingDoes) {
  const struct {
    const char *query;
    float root;
  } kCases[] = {
      {"root=1&real=3.4028235e38", FLT_MAX},    {"root=1&real=3.4028235e38&imaginary=0.5", FLT_MAX},
      {"root=1&real=-3.4028235e38", -FLT_MAX},  {"root=1&real=3.4028236e38", INFINITY},
      {"root=1&real=-3.4028236e38", -INFINITY},
  };
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.query);
    RootsAnswer answer;
    answerRoots(&answer, c.query);
    ASSERT_EQ(answer.roots.size(), 1u);
    EXPECT_EQ(answer.roots[0].real, c.root);
    auto parsed = parseSvg(draw(c.query));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(byClass(*parsed, "fig-polygon").size(), std::isfinite(c.root) ? 1u : 0u);
    EXPECT_EQ(byClass(*parsed, "fig-note").size(), std::isfinite(c.root) ? 0u : 1u);
  }
}

// A locale whose decimal point is a comma must not reach the coordinates.
TEST(RootsFigure, CoordinatesIgnoreTheNumericLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  const std::string svg = draw("root=3&real=8");
  std::setlocale(LC_NUMERIC, saved.c_str());
  auto parsed = parseSvg(svg);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-polygon")[0]->attrs.at("points").find(','), 7u);
  EXPECT_EQ(byClass(*parsed, "fig-root-label")[0]->text, "2,00000+0,00000i");  // as the page
}

}  // namespace
