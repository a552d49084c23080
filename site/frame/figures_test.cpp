#include <expat.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "cgi-bin/circles/circles.h"
#include "cgi-bin/roots/roots.h"
#include "page/svg.h"
#include "site/frame/frame.h"
#include "testsupport/run_program.h"

namespace {

// ---- helpers: draw a figure, parse it as XML ----

struct Element {
  std::string name;
  std::map<std::string, std::string> attrs;
  std::string text;  // character data directly inside
};

struct Parsed {
  std::vector<Element> elements;  // in document order
  std::vector<std::size_t> open;  // indexes of the elements being read
};

void onStart(void *data, const XML_Char *name, const XML_Char **attrs) {
  auto *p = static_cast<Parsed *>(data);
  Element e{name, {}, {}};
  for (int i = 0; attrs[i] != nullptr; i += 2) e.attrs[attrs[i]] = attrs[i + 1];
  p->open.push_back(p->elements.size());
  p->elements.push_back(e);
}

void onEnd(void *data, const XML_Char *) { static_cast<Parsed *>(data)->open.pop_back(); }

void onText(void *data, const XML_Char *s, int len) {
  auto *p = static_cast<Parsed *>(data);
  if (!p->open.empty()) p->elements[p->open.back()].text.append(s, len);
}

// The figure's elements, or nullopt (with the reason as a test failure)
// when it is not well-formed XML.
std::optional<std::vector<Element>> parse(const std::string &xml) {
  Parsed parsed;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &parsed);
  XML_SetElementHandler(parser, onStart, onEnd);
  XML_SetCharacterDataHandler(parser, onText);
  const bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
  if (!ok)
    ADD_FAILURE() << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                  << XML_GetCurrentLineNumber(parser) << " of\n"
                  << xml.substr(0, 2000);
  XML_ParserFree(parser);
  if (!ok) return std::nullopt;
  return parsed.elements;
}

// The figure the site's page |program| draws after its answer to |query|,
// in the process's zone, and whether there is one.
struct Drawn {
  bool drawn;
  std::string out;
};

Drawn draw(const char *program, const char *query) {
  const PageDef *page = find_page(program, kSitePages, kSitePageCount);
  if (page == nullptr) return {false, ""};
  PageRequest request{};
  request.query = query;
  request.numeric_locale = "C";
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  int result = kPageNoFigure;
  const std::string figure = capture([&](FILE *out) {
    std::FILE *fragment = std::tmpfile();
    result = page->page(request, fragment, out);
    std::fclose(fragment);
  });
  std::setlocale(LC_ALL, saved.c_str());
  if (result != kPageDone || figure.empty()) return {false, ""};
  return {true, figure};
}

std::vector<const Element *> byClass(const std::vector<Element> &all, const std::string &cls) {
  std::vector<const Element *> found;
  for (const Element &e : all) {
    auto at = e.attrs.find("class");
    if (at != e.attrs.end() && at->second == cls) found.push_back(&e);
  }
  return found;
}

double num(const Element &e, const char *attr) { return std::stod(e.attrs.at(attr)); }

template <class Case>
std::string caseName(const testing::TestParamInfo<Case> &info) {
  return info.param.name;
}

// ---- every figure: well-formed, labelled, sized, no styles or scripts ----

struct FigureCase {
  const char *name, *program, *query;
};

void PrintTo(const FigureCase &c, std::ostream *os) { *os << c.name; }

const FigureCase kFigures[] = {
    {"roots_cube_of_8", "roots", "root=3&real=8&imaginary=0"},
    {"roots_zero_says_so", "roots", ""},
    {"roots_beyond_bound_says_so", "roots", "root=10001&real=1"},
    {"roots_overflow_says_so", "roots", "root=3&real=1e999"},
    {"roots_ten_thousand", "roots", "root=10000&real=1&imaginary=1"},
    {"circles_fraction", "circles", "length=2&length_num=1&length_den=2&dimension=radius"},
    {"circles_huge", "circles", "length=1e300&dimension=radius"},
    {"quindle_date", "quindle", "month=3&day=14&year=2021"},
    {"kestrum_html", "kestrum", "date1=1/1/2021&date2=7/1/2021&html=1"},
    {"bolvey_hostile_text", "bolvey",
     "date1=1/1/21%01%FF%EF%BF%BE%3Cb%3E%22'&date2=1/2/21%ED%A0%80x"},
};

class EveryFigure : public testing::TestWithParam<FigureCase> {};

TEST_P(EveryFigure, IsWellFormedLabelledAndUnstyled) {
  ScopedTimeZone zone("UTC");
  const Drawn d = draw(GetParam().program, GetParam().query);
  ASSERT_TRUE(d.drawn);
  auto parsed = parse(d.out);
  ASSERT_TRUE(parsed);
  const std::vector<Element> &all = *parsed;
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(all[0].name, "figure");
  EXPECT_EQ(all[0].attrs.at("class"), "answer-figure");
  const Element &svg = all[1];
  ASSERT_EQ(svg.name, "svg");
  EXPECT_EQ(svg.attrs.at("role"), "img");
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(svg.attrs.at("viewBox").c_str(), "0 0 %d %d", &width, &height), 2);
  EXPECT_LE(width, 600);
  EXPECT_LE(height, 400);
  EXPECT_EQ(all[2].name, "title");
  EXPECT_EQ(svg.attrs.at("aria-labelledby"), all[2].attrs.at("id"));
  EXPECT_FALSE(all[2].text.empty());
  EXPECT_EQ(all[3].name, "desc");
  EXPECT_EQ(svg.attrs.at("aria-describedby"), all[3].attrs.at("id"));
  EXPECT_EQ(all.back().name, "figcaption");
  EXPECT_FALSE(all.back().text.empty());
  for (const Element &e : all) {
    EXPECT_NE(e.name, "style");
    EXPECT_NE(e.name, "script");
    EXPECT_EQ(e.attrs.count("style"), 0u) << e.name;
    for (const auto &[attr, value] : e.attrs) EXPECT_NE(attr.rfind("on", 0), 0u) << attr;
  }
}

INSTANTIATE_TEST_SUITE_P(Figures, EveryFigure, testing::ValuesIn(kFigures), caseName<FigureCase>);

TEST(FigureText, VisitorTextIsEscapedCleanedAndCut) {
  ScopedTimeZone zone("UTC");
  auto parsed = parse(draw("bolvey", kFigures[9].query).out);
  ASSERT_TRUE(parsed);
  auto labels = byClass(*parsed, "fig-date-label");
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels[0]->text, "Date 1: 1/1/21\uFFFD\uFFFD\uFFFD<b>\"'");
  EXPECT_EQ(labels[1]->text, "Date 2: 1/2/21\uFFFD\uFFFD\uFFFDx");

  // 120 two-byte letters: the label is cut after 24 characters, the title
  // keeps them all across the escaper's chunks.
  std::string typed = "1/1/21", query = "date1=1/1/21";
  for (int i = 0; i < 120; ++i) {
    typed += "\u00e9";
    query += "%C3%A9";
  }
  parsed = parse(draw("bolvey", (query + "&date2=3/4/99").c_str()).out);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-date-label")[0]->text,
            "Date 1: " + typed.substr(0, 6 + 2 * 18) + "\u2026");
  EXPECT_EQ((*parsed)[2].text, "Timeline from " + typed + " to 3/4/99: 7974 days");
}

// ---- the figures' printf: printf's bytes in the "C" locale ----

// Values where a shortcut would round wrong: ties to even at three
// decimals, a negative that rounds to zero, the shortcut's bound, and what
// only the general path writes.
TEST(SvgPrintf, WritesWhatPrintfWritesInTheCLocale) {
  std::vector<double> values = {0.0625, 0.0635, 2.5,  3.5,    -0.0004, -0.0,     1e15 - 0.5, 1e15,
                                0.1,    1e-7,   1e22, -1e300, 5e-324,  INFINITY, -NAN};
  std::mt19937_64 bits(18);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(
        std::ldexp(static_cast<double>(bits() >> 11), static_cast<int>(bits() % 90) - 80));
    values.push_back((static_cast<double>(bits() % 2000001) - 1e6) / 16000);
  }
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  for (const char *format : {"%.0f", "%.3f", "%.4f", "%f", "%g", "%+.6g", "%.0g", "x=%.5f%%"}) {
    SCOPED_TRACE(format);
    for (double value : values) {
      std::setlocale(LC_NUMERIC, "C");
      char expected[400], got[400];
      std::snprintf(expected, sizeof expected, format, value);
      std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // a comma for printf, never here
      ASSERT_EQ(svg_snprintf(got, sizeof got, format, value),
                static_cast<int>(std::strlen(expected)));
      ASSERT_STREQ(got, expected) << value;
    }
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  char cut[8];
  EXPECT_EQ(
      svg_snprintf(cut, sizeof cut, "%s %d %zu %lld %.2s", "ab", -3, std::size_t{7}, -4LL, "xyz"),
      13);
  EXPECT_STREQ(cut, "ab -3 7");
}

// A label's bytes that are not UTF-8, or not allowed in XML, each become
// U+FFFD; the markup characters are escaped.
struct TextCase {
  const char *name, *text, *written;
};

const TextCase kTexts[] = {
    {"Plain", "1/1/21", "1/1/21"},
    {"Markup", "<b>&\"'", "&lt;b&gt;&amp;&quot;&#39;"},
    {"TwoByteLetter", "\xC3\xA9", "\xC3\xA9"},
    {"CutTwoByte", "a\xC3", "a\uFFFD"},
    {"LoneContinuation",
     "a\x80"
     "b",
     "a\uFFFD"
     "b"},
    {"Overlong", "\xC0\xAF", "\uFFFD\uFFFD"},
    {"OverlongThreeByte", "\xE0\x80\xAF", "\uFFFD\uFFFD\uFFFD"},
    {"Surrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
    {"BeyondUnicode", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"ControlCharacter", "a\x01", "a\uFFFD"},
    {"NonCharacter", "\xEF\xBF\xBE", "\uFFFD"},
};

class LabelText : public testing::TestWithParam<TextCase> {};

TEST_P(LabelText, IsValidXml) {
  EXPECT_EQ(capture([](FILE *out) { xml_text(out, GetParam().text); }), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Bytes, LabelText, testing::ValuesIn(kTexts), caseName<TextCase>);

// A scale's step is the largest 1, 2 or 5 times a power of ten within its
// limit: a circle of radius 7 gets a bar of 5.
TEST(ScaleStep, IsTheLargestNiceNumberWithin) {
  const std::pair<double, double> kSteps[] = {{7, 5},     {1, 1},        {10, 10},   {9.99, 5},
                                              {25, 20},   {2, 2},        {0.3, 0.2}, {1e-3, 1e-3},
                                              {4.999, 2}, {1e300, 1e300}};
  for (const auto &[limit, step] : kSteps) EXPECT_DOUBLE_EQ(nice_step(limit), step) << limit;
  auto parsed = parse(draw("circles", "length=7&dimension=radius").out);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-scale-label").at(0)->text, "5");
}

// ---- no figure: nothing written ----

struct NoFigureCase {
  const char *name, *program, *query;
};

void PrintTo(const NoFigureCase &c, std::ostream *os) { *os << c.name; }

const NoFigureCase kNoFigures[] = {
    {"source_page", "source", "s=../sources/across"},
    {"kestrum_text_mode", "kestrum", "date1=1/1/2021&date2=7/1/2021"},
    {"kestrum_html_not_first", "kestrum", "date1=1/1/2021&date2=7/1/2021&html=01"},
    {"kestrum_one_date", "kestrum", "date1=1/1/2021&html=1"},
    {"bolvey_bad_first_date", "bolvey", "date1=13/1/21&date2=1/2/21"},
    {"circles_zero_denominator", "circles", "length=3&length_num=1&length_den=0"},
    {"circles_half_fraction", "circles", "length=3&length_num=1"},
    {"circles_infinite", "circles", "length=1e999&dimension=radius"},
    {"circles_not_a_number", "circles", "length=1&length_num=1&length_den=nan"},
    {"quindle_month_13", "quindle", "month=13&day=1&year=2021"},
    {"quindle_missing_day", "quindle", "month=3&year=2021"},
};

class NoFigure : public testing::TestWithParam<NoFigureCase> {};

TEST_P(NoFigure, WritesNothing) {
  ScopedTimeZone zone("UTC");
  const Drawn d = draw(GetParam().program, GetParam().query);
  EXPECT_FALSE(d.drawn);
  EXPECT_EQ(d.out, "");
}

INSTANTIATE_TEST_SUITE_P(Requests, NoFigure, testing::ValuesIn(kNoFigures), caseName<NoFigureCase>);

TEST(NoFigure, OverlongDatesQuery) {
  const std::string query = "html=1&date1=1/1/21&date2=1/2/21&x=" + std::string(2040, 'x');
  EXPECT_EQ(draw("kestrum", query.c_str()).out, "");
}

// ---- roots: the points are the page's roots, on one circle ----

struct RootsCase {
  const char *name, *query;
  const char *firstLabel;  // the first root's label, "" when none are labelled
};

void PrintTo(const RootsCase &c, std::ostream *os) { *os << c.name; }

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
  auto parsed = parse(draw("roots", c.query).out);
  ASSERT_TRUE(parsed);
  const std::vector<Element> &all = *parsed;

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
  auto parsed = parse(draw("roots", GetParam().query).out);
  ASSERT_TRUE(parsed);
  std::vector<const Element *> texts, points, ticks;
  for (const Element &e : *parsed) {
    if (e.name != "text") continue;
    texts.push_back(&e);
    const std::string &cls = e.attrs.at("class");
    if (cls == "fig-root-label" || cls == "fig-number-label") points.push_back(&e);
    if (cls == "fig-x-tick") ticks.push_back(&e);
  }
  double lastTick = 0, re = 0;
  std::map<std::string, int> halves;
  for (const Element *t : texts) {
    EXPECT_TRUE(num(*t, "x") >= 0 && num(*t, "x") <= 600 && num(*t, "y") >= 0 &&
                num(*t, "y") <= 400)
        << t->text;
    if (t->text == "Re") re = num(*t, "x");
  }
  for (const Element *t : ticks) {
    lastTick = std::fmax(lastTick, num(*t, "x"));
    ++halves[t->text[0] == '-' ? t->text.substr(1) : t->text];
  }
  for (const auto &[number, count] : halves) EXPECT_EQ(count, 2) << number;
  EXPECT_GT(re, lastTick + 10);
  for (const Element *p : points) {
    const double y = num(*p, "y");
    EXPECT_FALSE(y > 194 && y < 225) << p->text << " at y " << y;
    for (const Element *q : points) {
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
  for (const char *query : {"", "root=10001&real=1", "root=-3&real=nan"}) {
    SCOPED_TRACE(query);
    auto parsed = parse(draw("roots", query).out);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(byClass(*parsed, "fig-note").size(), 1u);
    EXPECT_TRUE(byClass(*parsed, "fig-polygon").empty());
  }
}

// A locale whose decimal point is a comma must not reach the coordinates.
TEST(RootsFigure, CoordinatesIgnoreTheNumericLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
  const Drawn d = draw("roots", "root=3&real=8");
  std::setlocale(LC_NUMERIC, saved.c_str());
  auto parsed = parse(d.out);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-polygon")[0]->attrs.at("points").find(','), 7u);
  EXPECT_EQ(byClass(*parsed, "fig-root-label")[0]->text, "2,00000+0,00000i");  // as the page
}

// ---- circles: drawn radius over the scale bar is the computed radius ----

struct CircleCase {
  const char *name, *query;
  double radius;  // worked out by hand
  bool isRadius;
};

void PrintTo(const CircleCase &c, std::ostream *os) { *os << c.name; }

const CircleCase kCircles[] = {
    {"radius_with_fraction", "length=2&length_num=1&length_den=2&dimension=radius", 2.5, true},
    {"diameter", "length=10&dimension=diameter", 5, false},
    {"empty_fraction_fields", "length=3&length_num=&length_den=&dimension=radius", 3, true},
    {"fraction_alone", "length_num=3&length_den=4&dimension=rim", 0.75, true},
    {"capital_R_is_diameter", "length=7.5e5&dimension=Radius", 3.75e5, false},
    {"negative_length", "length=-4&dimension=r", -4, true},
    {"tiny", "length=0.002&dimension=diameter", 0.001, false},
};

class CircleFigure : public testing::TestWithParam<CircleCase> {};

TEST_P(CircleFigure, RadiusIsToScaleAndTheLineIsTheOneEntered) {
  const CircleCase &c = GetParam();
  auto parsed = parse(draw("circles", c.query).out);
  ASSERT_TRUE(parsed);
  const Element &circle = *byClass(*parsed, "fig-circle").at(0);
  const Element &bar = *byClass(*parsed, "fig-scale").at(0);
  const Element &line = *byClass(*parsed, "fig-measure").at(0);
  const double unit = std::stod(byClass(*parsed, "fig-scale-label").at(0)->text);
  const double drawn = num(circle, "r") / (num(bar, "x2") - num(bar, "x1")) * unit;
  EXPECT_NEAR(drawn, std::fabs(c.radius), std::fabs(c.radius) * 1e-4);
  const double length = num(line, "x2") - num(line, "x1");
  EXPECT_NEAR(length, num(circle, "r") * (c.isRadius ? 1 : 2), 0.002);
  EXPECT_EQ(byClass(*parsed, "fig-measure-label").at(0)->text, c.isRadius ? "radius" : "diameter");
}

INSTANTIATE_TEST_SUITE_P(Queries, CircleFigure, testing::ValuesIn(kCircles), caseName<CircleCase>);

TEST(CircleFigure, PrintsTheMeasuresAsThePageDoes) {
  auto parsed = parse(draw("circles", kCircles[0].query).out);
  ASSERT_TRUE(parsed);
  auto values = byClass(*parsed, "fig-measure-value");
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0]->text, "2 1/2 (2.500)");
  EXPECT_EQ(values[1]->text, "19 5/8 (19.635)");
  EXPECT_EQ(values[2]->text, "15 11/16 (15.708)");
}

// The figure reads the fields as the page does: it is drawn exactly when
// the page shows measures rather than the fraction error.
TEST(CircleFigure, DrawnExactlyWhenThePageAnswers) {
  for (const char *query : {"length=3&length_num=1&length_den=0", "length=3&length_num=1",
                            "length=3&length_den=2", "length_num=x&length_den=4",
                            "length_num=1&length_den=abc", "length=2&length_num=-1&length_den=2",
                            "", "length=3&length_num=&length_den=", "length_den=0"}) {
    SCOPED_TRACE(query);
    CircleAnswer answer;
    answerCircle(&answer, query);
    EXPECT_EQ(draw("circles", query).drawn, answer.error == 0);
  }
}

// ---- calendar: the marked cell is the answered day's weekday and week ----

struct CalendarCase {
  const char *name, *query, *zone;
  const char *month;  // heading of the month drawn
  int column, row;    // of the marked cell: column 0 is Monday
  const char *day;
  const char *week;  // the marked row's week number, as the page prints it
};

void PrintTo(const CalendarCase &c, std::ostream *os) { *os << c.name; }

const CalendarCase kCalendars[] = {
    {"march_14_2021_sunday", "month=3&day=14&year=2021", "UTC", "March 2021", 6, 1, "14", "10"},
    {"february_30_is_march_2", "month=2&day=30&year=2021", "UTC", "March 2021", 1, 0, "2", "9"},
    {"new_year_friday_week_0", "month=1&day=1&year=2021", "America/New_York", "January 2021", 4, 0,
     "1", "53"},
    {"december_32_carries", "month=12&day=32&year=2020", "America/Sao_Paulo", "January 2021", 4, 0,
     "1", "53"},
    {"leap_day_end_of_year_sixth_row", "month=12&day=31&year=2024", "UTC", "December 2024", 1, 5,
     "31", "53"},
    {"sunday_ends_the_row", "month=5&day=31&year=2020", "America/Havana", "May 2020", 6, 4, "31",
     "21"},
    {"leap_february", "month=2&day=29&year=2000", "UTC", "February 2000", 1, 4, "29", "9"},
};

class CalendarFigure : public testing::TestWithParam<CalendarCase> {};

TEST_P(CalendarFigure, MarksTheAnsweredDayInItsWeek) {
  const CalendarCase &c = GetParam();
  ScopedTimeZone zone(c.zone);
  auto parsed = parse(draw("quindle", c.query).out);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-month-head").at(0)->text, c.month);
  auto marked = byClass(*parsed, "fig-cell-marked");
  ASSERT_EQ(marked.size(), 1u);
  const double width = num(*marked[0], "width"), height = num(*marked[0], "height");
  EXPECT_EQ(num(*marked[0], "x"), 76 + c.column * width);
  EXPECT_EQ(num(*marked[0], "y"), 70 + c.row * height);
  EXPECT_EQ(byClass(*parsed, "fig-day-marked").at(0)->text, c.day);
  EXPECT_EQ(byClass(*parsed, "fig-week").at(c.row)->text, c.week);
}

INSTANTIATE_TEST_SUITE_P(Dates, CalendarFigure, testing::ValuesIn(kCalendars),
                         caseName<CalendarCase>);

TEST(CalendarFigure, StatesDayOfYearAndWeekAsThePage) {
  ScopedTimeZone zone("UTC");
  auto parsed = parse(draw("quindle", "month=12&day=32&year=2020").out);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->back().text,
            "December 32, 2020 entered: Friday, January 1, 2021 is day 1 of 2021, week 53 of "
            "2019.");
}

// ---- dates: the timeline spans the page's day count ----

struct DatesCase {
  const char *name, *program, *query, *zone;
  const char *span;
  bool firstOnLeft;
};

void PrintTo(const DatesCase &c, std::ostream *os) { *os << c.name; }

const DatesCase kDates[] = {
    {"bolvey_half_year", "bolvey", "date1=1/1/21&date2=7/1/21", "UTC", "181 days", true},
    {"kestrum_html", "kestrum", "date1=1/1/2021&date2=7/1/2021&html=1", "UTC", "181 days", true},
    {"kestrum_html_escaped", "kestrum", "date1=1/1/2021&date2=7/1/2021&html=%31x", "UTC",
     "181 days", true},
    {"reversed", "bolvey", "date1=7/1/21&date2=1/1/21", "UTC", "181 days", false},
    {"across_spring_forward", "bolvey", "date1=3/1/21&date2=4/1/21", "America/New_York", "31 days",
     true},
    {"leap_day", "kestrum", "html=1&date1=2/28/2020&date2=3/1/2020", "America/Havana", "2 days",
     true},
    {"one_day", "bolvey", "date1=12/31/20&date2=1/1/21", "America/Sao_Paulo", "1 day", true},
    {"same_day", "bolvey", "date1=2/30/21&date2=3/2/21", "UTC", "0 days", true},
    {"centuries", "kestrum", "html=1&date1=1/1/1900&date2=1/1/2000", "UTC", "36524 days", true},
};

class DatesFigure : public testing::TestWithParam<DatesCase> {};

TEST_P(DatesFigure, SpanIsThePageDayCount) {
  const DatesCase &c = GetParam();
  ScopedTimeZone zone(c.zone);
  auto parsed = parse(draw(c.program, c.query).out);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-span-label").at(0)->text, c.span);
  auto marks = byClass(*parsed, "fig-date-mark");
  ASSERT_EQ(marks.size(), 2u);
  const double first = num(*marks[0], "cx"), second = num(*marks[1], "cx");
  if (std::string(c.span) == "0 days")
    EXPECT_EQ(first, second);
  else
    EXPECT_EQ(first < second, c.firstOnLeft);
  // Ticks lie between the two marks.
  for (const Element *tick : byClass(*parsed, "fig-tick")) {
    EXPECT_GE(num(*tick, "x1"), std::fmin(first, second));
    EXPECT_LE(num(*tick, "x1"), std::fmax(first, second));
  }
}

INSTANTIATE_TEST_SUITE_P(Dates, DatesFigure, testing::ValuesIn(kDates), caseName<DatesCase>);

}  // namespace
