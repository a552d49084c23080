// Checks the page's weekday, day of the year and week against the standard
// library's calendar types, over many seeded dates and several time zones.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "cgi-bin/quindle/quindle.h"
#include "testsupport/run_program.h"

namespace {

namespace chr = std::chrono;

const char *const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char *const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};

// "weekday month mday year yday week weekYear" for the entered date, worked
// out from the calendar types: the day counted on from the 1st of the month,
// the week counted from the year's first Monday.
std::string oracle(int year, int month, int day) {
  chr::sys_days date = chr::sys_days{chr::year{year} / month / 1} + chr::days{day - 1};
  chr::year_month_day ymd{date};
  chr::sys_days firstMonday{ymd.year() / chr::January / chr::Monday[1]};
  int week = date < firstMonday ? 0 : (date - firstMonday).count() / 7 + 1;
  int yday = (date - chr::sys_days{ymd.year() / chr::January / 1}).count() + 1;
  char text[128];
  std::snprintf(text, sizeof text, "%s %s %u %d %d %d %d", kDays[chr::weekday{date}.c_encoding()],
                kMonths[unsigned(ymd.month()) - 1], unsigned(ymd.day()), int(ymd.year()), yday,
                week ? week : 53, week ? year : year - 1);
  return text;
}

// The same facts read back out of the page's date and week lines.
std::string parsePage(const std::string &page) {
  char weekday[16] = "", month[16] = "";
  int mday = 0, year = 0, yday = 0, week = 0, weekYear = 0;
  std::size_t at = page.find("<p>\n", page.find("input was"));
  if (at != std::string::npos)
    std::sscanf(page.c_str() + at + 4, " %15[A-Za-z], %15[A-Za-z] %d, %d is day %d of", weekday,
                month, &mday, &year, &yday);
  if ((at = page.find("Which is week")) != std::string::npos)
    std::sscanf(page.c_str() + at, "Which is week %d of %d.", &week, &weekYear);
  char text[128];
  std::snprintf(text, sizeof text, "%s %s %d %d %d %d %d", weekday, month, mday, year, yday, week,
                weekYear);
  return text;
}

struct Entered {
  int year, month, day;
};

// Daylight-saving changes at and around midnight, then seeded dates: half in
// years 1..9999, half in the years of modern zone rules; every fifth day runs
// past the month's end, up to a year beyond.
std::vector<Entered> seededDates() {
  std::vector<Entered> dates = {{2018, 11, 4}, {2019, 2, 17}, {2019, 3, 10}, {2019, 11, 3},
                                {2021, 3, 28}, {2021, 3, 14}, {2021, 11, 7}, {2000, 2, 29}};
  std::mt19937 rng(20210314);
  std::uniform_int_distribution<int> anyYear(1, 9999), modernYear(1960, 2040);
  std::uniform_int_distribution<int> month(1, 12), day(1, 31), overflow(1, 400);
  for (int i = 0; i < 1500; ++i) {
    int y = i % 2 ? anyYear(rng) : modernYear(rng);
    int m = month(rng);
    dates.push_back({y, m, i % 5 ? day(rng) : overflow(rng)});
  }
  return dates;
}

TEST(QuindleOracle, WeekdayDayOfYearAndWeekAgreeWithCalendarTypes) {
  const std::vector<Entered> dates = seededDates();
  for (const char *zone :
       {"UTC", "America/New_York", "America/Sao_Paulo", "America/Havana", "Asia/Beirut"}) {
    ScopedTimeZone inZone(zone);
    int failures = 0;
    for (const Entered &e : dates) {
      char query[96];
      std::snprintf(query, sizeof query, "month=%d&day=%d&year=%d", e.month, e.day, e.year);
      std::string page = capture([&](FILE *out) { quindle_page(out, query); });
      std::string got = parsePage(page), want = oracle(e.year, e.month, e.day);
      if (got != want && ++failures <= 5)
        ADD_FAILURE() << zone << " " << query << "\n got  " << got << "\n want " << want;
    }
    EXPECT_EQ(failures, 0) << zone;
  }
}

}  // namespace
