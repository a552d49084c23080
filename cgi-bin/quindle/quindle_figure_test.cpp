#include <gtest/gtest.h>

#include <string>

#include "cgi-bin/quindle/quindle_site.h"
#include "testsupport/svg_parse.h"

namespace {

// The figure of the page's answer to |query|, in the process's zone; ""
// when there is none.
std::string draw(const char *query) {
  DayAnswer answer;
  answerDay(&answer, query);
  return drawFigure([&](FILE *out) { return draw_quindle_figure(out, answer); });
}

// ---- the marked cell is the answered day's weekday and week ----

struct CalendarCase {
  const char *name, *query, *zone;
  const char *month;  // heading of the month drawn
  int column, row;    // of the marked cell: column 0 is Monday
  const char *day;
  const char *week;  // the marked row's week number, as the page prints it
};

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
  const std::string svg = draw(c.query);
  expectFigureFrame(svg);
  auto parsed = parseSvg(svg);
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

// February has a cell a day: the century years are common unless they
// divide by 400.
TEST(CalendarFigure, FebruaryOfCenturyYears) {
  ScopedTimeZone zone("UTC");
  const std::pair<const char *, std::size_t> kFebruaries[] = {{"month=2&day=1&year=1900", 28},
                                                              {"month=2&day=1&year=2100", 28},
                                                              {"month=2&day=1&year=2400", 29},
                                                              {"month=2&day=1&year=2000", 29}};
  for (const auto &[query, days] : kFebruaries) {
    auto parsed = parseSvg(draw(query));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(byClass(*parsed, "fig-cell").size() + byClass(*parsed, "fig-cell-marked").size(),
              days)
        << query;
  }
}

TEST(CalendarFigure, StatesDayOfYearAndWeekAsThePage) {
  ScopedTimeZone zone("UTC");
  auto parsed = parseSvg(draw("month=12&day=32&year=2020"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->back().text,
            "December 32, 2020 entered: Friday, January 1, 2021 is day 1 of 2021, week 53 of "
            "2019.");
}

TEST(CalendarFigure, NoneWithoutADate) {
  ScopedTimeZone zone("UTC");
  EXPECT_EQ(draw("month=13&day=1&year=2021"), "");
  EXPECT_EQ(draw("month=3&year=2021"), "");
}

}  // namespace
