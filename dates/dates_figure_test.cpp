#include "dates/dates_figure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "testsupport/svg_parse.h"

namespace {

// How the two pages read and show their dates: the compact page's as
// typed, the full page's normalised.
enum Edition { kCompact, kFull };

// The timeline of the report on |query|, in the process's zone; "" when
// there is none.
std::string draw(Edition edition, const std::string &query) {
  FormBuffer form;
  if (!loadForm(form, query.c_str())) return "";
  DatesReport report;
  buildReport(&report, form, edition == kCompact ? kTwoDigitYear : kTwoOrFourDigitYear);
  return drawFigure([&](FILE *out) {
    return draw_dates_figure(out, report, edition == kCompact ? kAsTyped : kNormalised);
  });
}

// ---- the timeline spans the page's day count ----

struct DatesCase {
  const char *name;
  Edition edition;
  const char *query, *zone;
  const char *span;
  bool firstOnLeft;
};

const DatesCase kDates[] = {
    {"compact_half_year", kCompact, "date1=1/1/21&date2=7/1/21", "UTC", "181 days", true},
    {"full_half_year", kFull, "date1=1/1/2021&date2=7/1/2021", "UTC", "181 days", true},
    {"reversed", kCompact, "date1=7/1/21&date2=1/1/21", "UTC", "181 days", false},
    {"across_spring_forward", kCompact, "date1=3/1/21&date2=4/1/21", "America/New_York", "31 days",
     true},
    {"leap_day", kFull, "date1=2/28/2020&date2=3/1/2020", "America/Havana", "2 days", true},
    {"one_day", kCompact, "date1=12/31/20&date2=1/1/21", "America/Sao_Paulo", "1 day", true},
    {"same_day", kCompact, "date1=2/30/21&date2=3/2/21", "UTC", "0 days", true},
    {"centuries", kFull, "date1=1/1/1900&date2=1/1/2000", "Europe/Dublin", "36524 days", true},
};

class DatesFigure : public testing::TestWithParam<DatesCase> {};

TEST_P(DatesFigure, SpanIsThePageDayCount) {
  const DatesCase &c = GetParam();
  ScopedTimeZone zone(c.zone);
  const std::string svg = draw(c.edition, c.query);
  expectFigureFrame(svg);
  auto parsed = parseSvg(svg);
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
  for (const SvgElement *tick : byClass(*parsed, "fig-tick")) {
    EXPECT_GE(num(*tick, "x1"), std::fmin(first, second));
    EXPECT_LE(num(*tick, "x1"), std::fmax(first, second));
  }
}

INSTANTIATE_TEST_SUITE_P(Dates, DatesFigure, testing::ValuesIn(kDates), caseName<DatesCase>);

TEST(DatesFigure, NoneUnlessBothDatesAreValid) {
  ScopedTimeZone zone("UTC");
  EXPECT_EQ(draw(kCompact, "date1=13/1/21&date2=1/2/21"), "");
  EXPECT_EQ(draw(kFull, "date1=1/1/2021"), "");
}

// ---- visitor text: escaped, cleaned and cut ----

TEST(DatesFigure, TypedTextIsEscapedCleanedAndCut) {
  ScopedTimeZone zone("UTC");
  std::string svg = draw(kCompact, "date1=1/1/21%01%FF%EF%BF%BE%3Cb%3E%22'&date2=1/2/21%ED%A0%80x");
  expectFigureFrame(svg);
  auto parsed = parseSvg(svg);
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
  parsed = parseSvg(draw(kCompact, query + "&date2=3/4/99"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(byClass(*parsed, "fig-date-label")[0]->text,
            "Date 1: " + typed.substr(0, 6 + 2 * 18) + "\u2026");
  EXPECT_EQ((*parsed)[2].text, "Timeline from " + typed + " to 3/4/99: 7974 days");
}

}  // namespace
