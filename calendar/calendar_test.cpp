#include "calendar/calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <random>
#include <string>

#include "testsupport/run_program.h"

namespace {

namespace chr = std::chrono;

class CalendarInZone : public testing::TestWithParam<const char *> {
 protected:
  ScopedTimeZone zone_{GetParam()};
};

// A record at midnight, daylight saving presumed off.
struct tm record(int year, int month, int day) {
  struct tm date {};
  date.tm_year = year - 1900;
  date.tm_mon = month - 1;
  date.tm_mday = day;
  return date;
}

struct tm record(chr::year_month_day ymd) {
  return record(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())));
}

TEST(IsLeapYear, FollowsTheGregorianRule) {
  const struct {
    int year, leap;
  } cases[] = {{2024, 1}, {2023, 0}, {1900, 0}, {2000, 1}, {0, 1},       {-4, 1},
               {-1, 0},   {-100, 0}, {-400, 1}, {2100, 0}, {INT_MIN, 1}, {INT_MAX, 0}};
  for (const auto &c : cases) EXPECT_EQ(isLeapYear(c.year), c.leap) << c.year;
}

TEST_P(CalendarInZone, NormalisesCarriesAndNamesTheDay) {
  const struct {
    int year, month, day;     // as stored
    int nyear, nmonth, nday;  // after normalisation
    int yday;
    const char *weekday;
  } cases[] = {
      {2020, 12, 25, 2020, 12, 25, 360, "Friday"},
      {2024, 2, 29, 2024, 2, 29, 60, "Thursday"},
      {2021, 2, 30, 2021, 3, 2, 61, "Tuesday"},
      {2024, 2, 30, 2024, 3, 1, 61, "Friday"},
      {1900, 1, 0, 1899, 12, 31, 365, "Sunday"},
      {2021, 13, 1, 2022, 1, 1, 1, "Saturday"},
      {20, 12, 25, 20, 12, 25, 360, "Friday"},
      {1914, 1, 1, 1914, 1, 1, 1, "Thursday"},  // midnight skipped in Sao Paulo
  };
  for (const auto &c : cases) {
    struct tm date = record(c.year, c.month, c.day);
    const int wday = dayOfWeek(&date);
    ASSERT_GE(wday, 0) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_STREQ(dow[wday], c.weekday) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(quindle(&date), c.yday);
    EXPECT_EQ(date.tm_year + 1900, c.nyear);
    EXPECT_EQ(date.tm_mon + 1, c.nmonth);
    EXPECT_EQ(date.tm_mday, c.nday);
    EXPECT_EQ(dayOfWeek(&date), wday) << "a second call changes nothing";
  }
}

TEST_P(CalendarInZone, CountsWholeDaysInEitherOrder) {
  const struct {
    const char *what;
    struct tm a, b;
    int days;
  } cases[] = {
      {"half a year", record(2021, 1, 1), record(2021, 7, 1), 181},
      {"a leap year", record(2020, 1, 1), record(2021, 1, 1), 366},
      {"same date", record(2021, 3, 14), record(2021, 3, 14), 0},
      {"over a spring change", record(2021, 3, 13), record(2021, 3, 15), 2},
      {"over an autumn change", record(2021, 11, 6), record(2021, 11, 8), 2},
      {"from local mean time", record(1890, 1, 1), record(1930, 1, 1), 14609},
      {"carried date", record(2021, 2, 30), record(2021, 3, 2), 0},
      {"to a skipped midnight", record(1913, 12, 31), record(1914, 1, 1), 1},
      {"from a skipped midnight", record(1914, 1, 1), record(1914, 1, 2), 1},
  };
  for (const auto &c : cases) {
    struct tm a = c.a, b = c.b;
    EXPECT_EQ(daysBetween(&a, &b), c.days) << c.what;
    EXPECT_EQ(daysBetween(&b, &a), c.days) << c.what << ", swapped";
  }
}

struct tm at(int year, int month, int day, int hour, int min, int sec) {
  struct tm date = record(year, month, day);
  date.tm_hour = hour;
  date.tm_min = min;
  date.tm_sec = sec;
  return date;
}

// Records with clock times: the span is truncated to whole days, so one
// second short of a whole number of days counts one day fewer.
TEST_P(CalendarInZone, TruncatesASpanShortOfWholeDays) {
  const struct {
    const char *what;
    struct tm a, b;
    int days;
  } cases[] = {
      {"a second short of a day", at(2021, 1, 1, 0, 0, 1), at(2021, 1, 2, 0, 0, 0), 0},
      {"a whole day between clock times", at(2021, 1, 1, 0, 0, 1), at(2021, 1, 2, 0, 0, 1), 1},
      {"a second past two days", at(2021, 1, 1, 23, 59, 59), at(2021, 1, 4, 0, 0, 0), 2},
      {"a second short, over a spring change", at(2021, 1, 1, 12, 0, 0), at(2021, 7, 1, 11, 59, 59),
       180},
      {"a second short, over an autumn change", at(2021, 7, 1, 12, 0, 0),
       at(2022, 1, 1, 11, 59, 59), 183},
      {"a second short, from local mean time", at(1890, 1, 1, 0, 0, 1), at(1930, 1, 1, 0, 0, 0),
       14608},
      {"clock fields carried into days", at(2021, 1, 1, 47, 59, 59), record(2021, 1, 1), 1},
      {"negative seconds carried back", at(2021, 1, 3, 0, 0, -1), record(2021, 1, 1), 1},
  };
  for (const auto &c : cases) {
    struct tm a = c.a, b = c.b;
    EXPECT_EQ(daysBetween(&a, &b), c.days) << c.what;
    EXPECT_EQ(daysBetween(&b, &a), c.days) << c.what << ", swapped";
  }
}

// Whatever daylight saving a record presumes, it keeps the date and clock
// it states.
TEST_P(CalendarInZone, KeepsTheStatedDateAndClock) {
  for (int isdst : {-1, 0, 1}) {
    for (struct tm date : {record(2021, 1, 1), record(2021, 7, 1)}) {
      const struct tm stated = date;
      date.tm_isdst = isdst;
      EXPECT_GE(quindle(&date), 1);
      EXPECT_TRUE(date.tm_mon == stated.tm_mon && date.tm_mday == 1 && date.tm_hour == 0 &&
                  date.tm_min == 0 && date.tm_sec == 0)
          << "isdst " << isdst << ", month " << stated.tm_mon + 1;
    }
  }
}

// Every day of two centuries against the chrono calendar types.
TEST_P(CalendarInZone, AgreesWithChronoOnEveryDay) {
  const chr::sys_days last = chr::sys_days{chr::year{2099} / 12 / 31};
  int mismatches = 0;
  for (chr::sys_days d = chr::sys_days{chr::year{1901} / 1 / 1}; d <= last; d += chr::days{1}) {
    const chr::year_month_day ymd{d};
    struct tm date = record(ymd);
    const int wday = dayOfWeek(&date);
    const int yday = quindle(&date);
    const int want = (d - chr::sys_days{ymd.year() / 1 / 1}).count() + 1;
    if (wday != int(chr::weekday{d}.c_encoding()) || yday != want) {
      if (++mismatches <= 5)
        ADD_FAILURE() << int(ymd.year()) << "-" << unsigned(ymd.month()) << "-"
                      << unsigned(ymd.day());
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_P(CalendarInZone, AgreesWithChronoOnRandomSpans) {
  std::mt19937 random(20210701);
  std::uniform_int_distribution<int> pick(
      chr::sys_days{chr::year{1901} / 1 / 1}.time_since_epoch().count(),
      chr::sys_days{chr::year{2099} / 12 / 31}.time_since_epoch().count());
  for (int i = 0; i < 3000; ++i) {
    const chr::sys_days d1{chr::days{pick(random)}}, d2{chr::days{pick(random)}};
    struct tm a = record(chr::year_month_day{d1}), b = record(chr::year_month_day{d2});
    ASSERT_EQ(daysBetween(&a, &b), std::abs((d1 - d2).count()))
        << "days since 1970: " << d1.time_since_epoch().count() << " and "
        << d2.time_since_epoch().count();
  }
}

std::string zoneName(const testing::TestParamInfo<const char *> &info) {
  std::string name = info.param;
  for (char &c : name)
    if (c == '/') c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Zones, CalendarInZone, testing::ValuesIn(kTestZones), zoneName);

// Winter time marked as daylight saving (Dublin), daylight saving taken
// back for a month (Casablanca), both in turn (Windhoek), and a day skipped
// whole (Apia, 30 December 2011).
INSTANTIATE_TEST_SUITE_P(OddZones, CalendarInZone,
                         testing::Values("Europe/Dublin", "Africa/Casablanca", "Africa/Windhoek",
                                         "Pacific/Apia"),
                         zoneName);

// Dates mktime cannot represent: no answer, and the record keeps its fields.
TEST(CalendarUnrepresentable, AnswersMinusOneAndKeepsTheRecord) {
  const struct {
    int tmYear, tmMon, tmMday;
  } cases[] = {{INT_MAX, 12, 1}, {INT_MAX - 1900, 0, INT_MAX}};
  for (const auto &c : cases) {
    struct tm bad {};
    bad.tm_year = c.tmYear;
    bad.tm_mon = c.tmMon;
    bad.tm_mday = c.tmMday;
    struct tm date = bad, good = record(2021, 1, 1);
    EXPECT_EQ(dayOfWeek(&date), -1);
    EXPECT_EQ(quindle(&date), -1);
    EXPECT_EQ(daysBetween(&date, &good), -1);
    EXPECT_EQ(daysBetween(&good, &date), -1);
    EXPECT_EQ(date.tm_year, bad.tm_year);
    EXPECT_EQ(date.tm_mday, bad.tm_mday);
  }
}

}  // namespace
