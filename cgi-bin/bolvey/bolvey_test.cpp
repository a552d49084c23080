#include "cgi-bin/bolvey/bolvey.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "testsupport/run_program.h"

namespace {

const char kGrouping[] = "LC_ALL=en_US.UTF-8";

std::string page(const std::string &body) {
  return "\n<center><h1>Dates and Mileage</h1></center>\n<hr><div><textarea rows=\"25\" "
         "cols=\"80\">" +
         body + "\n</textarea></div><hr>\n";
}

const std::string kDates2021 =
    "\n1/1/21 was day 1 of the year and fell on a Friday.\n\n"
    "\n7/1/21 was day 182 of the year and fell on a Thursday.\n\n";

struct PageCase {
  const char *name;
  std::optional<std::string> query;
  std::string page;
};

// Served under a comma-grouping locale.
const PageCase kPages[] = {
    {"empty query", "",
     "\n<center><h1>Dates and Mileage</h1></center>\n<hr><div><textarea rows=\"25\" "
     "cols=\"80\">\n</textarea></div><hr>\n"},
    {"unset query", std::nullopt, page("")},
    // Date lines echo the text as typed.
    {"two-digit year", "date1=12/25/20",
     page("\n12/25/20 was day 360 of the year and fell on a Friday.\n\n")},
    {"four digits read as two", "date1=12/25/1999",
     page("\n12/25/1999 was day 359 of the year and fell on a Wednesday.\n\n")},
    {"day past the month is carried", "date1=2/30/21",
     page("\n2/30/21 was day 61 of the year and fell on a Tuesday.\n\n")},
    {"trailing text is ignored", "date1=1/1/21abc",
     page("\n1/1/21abc was day 1 of the year and fell on a Friday.\n\n")},
    {"bad date1 drops date2", "date1=13/1/21&date2=1/2/21", page("")},
    // The choice among the answers.
    {"days between", "date1=1/1/21&date2=7/1/21",
     page(kDates2021 + "\nThere were 181 days between 1/1/21 and 7/1/21.\n\n")},
    {"days between, later date first", "date1=7/1/21&date2=1/1/21",
     page("\n7/1/21 was day 182 of the year and fell on a Thursday.\n\n"
          "\n1/1/21 was day 1 of the year and fell on a Friday.\n\n"
          "\nThere were 181 days between 7/1/21 and 1/1/21.\n\n")},
    {"mileage block", "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021",
     page(kDates2021 + "\nTaxpayer provided documentation showing mileage on the following dates:\n"
                       "1/1/21 10,000 miles;\n7/1/21 15,000 miles.\n\n"
                       "\nTaxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.  "
                       "Extrapolating gives us 10,083 miles in 2021.\n\n")},
    {"average is not grouped", "date1=1/1/21&date2=1/3/21&miles1=15000&miles2=12999&year=2024",
     page("\n1/1/21 was day 1 of the year and fell on a Friday.\n\n"
          "\n1/3/21 was day 3 of the year and fell on a Sunday.\n\n"
          "\nTaxpayer provided documentation showing mileage on the following dates:\n"
          "1/1/21 15,000 miles;\n1/3/21 12,999 miles.\n\n"
          "\nTaxpayer went 2,001 miles in 2 days for an average of 1000.5 miles/day.  "
          "Extrapolating gives us 366,183 miles in 2024.\n\n")},
    {"leap-year line", "year=1900", page("\n1900 was not a leap year.\n\n")},
    {"expense", "bizmiles=1000&rate=.5",
     page("\nTaxpayer went 1,000 business miles at $0.500/mile for a maximum expense of about "
          "$500.00.\n\n")},
    {"expense rate is grouped", "bizmiles=1000&rate=1234.5",
     page("\nTaxpayer went 1,000 business miles at $1,234.500/mile for a maximum expense of "
          "about $1,234,500.00.\n\n")},
    // Decoding and escaping of echoed text.
    {"encoded & separates fields", "year=2000%26date1=1/1/21",
     page("\n1/1/21 was day 1 of the year and fell on a Friday.\n\n"
          "\n2000 was a leap year.\n\n")},
    {"echoed date is escaped", "date1=1/1/21%3Cscript%3E",
     page("\n1/1/21&lt;script&gt; was day 1 of the year and fell on a Friday.\n\n")},
    {"echoed texts are escaped in the days line", "date1=1/1/21'&date2=7/1/21\"",
     page("\n1/1/21&#39; was day 1 of the year and fell on a Friday.\n\n"
          "\n7/1/21&quot; was day 182 of the year and fell on a Thursday.\n\n"
          "\nThere were 181 days between 1/1/21&#39; and 7/1/21&quot;.\n\n")},
    {"echoed texts are escaped in the mileage block",
     "date1=1/1/21<&date2=7/1/21>&miles1=10000&miles2=15000&year=2021%26amp;",
     page("\n1/1/21&lt; was day 1 of the year and fell on a Friday.\n\n"
          "\n7/1/21&gt; was day 182 of the year and fell on a Thursday.\n\n"
          "\nTaxpayer provided documentation showing mileage on the following dates:\n"
          "1/1/21&lt; 10,000 miles;\n7/1/21&gt; 15,000 miles.\n\n"
          "\nTaxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.  "
          "Extrapolating gives us 10,083 miles in 2021.\n\n")},
    {"echoed year is escaped", "year=%3Cb%3E", page("\n&lt;b&gt; was a leap year.\n\n")},
};

TEST(BolveyPage, AnswersEveryZoneAlike) {
  for (const char *zone : kTestZones) {
    for (const PageCase &c : kPages) {
      ProgramResult r = run_cgi("bolvey", c.query, {std::string("TZ=") + zone, kGrouping});
      EXPECT_EQ(r.out, c.page) << c.name << " in " << zone;
      EXPECT_EQ(r.status, 0) << c.name;
    }
  }
}

TEST(BolveyPage, GroupsThousandsOnlyWhenTheLocaleDoes) {
  const char mileage[] = "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021";
  const struct {
    const char *locale;
    const char *query;
    std::string page;
  } cases[] = {
      {kGrouping, mileage,
       page(kDates2021 +
            "\nTaxpayer provided documentation showing mileage on the following dates:\n"
            "1/1/21 10,000 miles;\n7/1/21 15,000 miles.\n\n"
            "\nTaxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.  "
            "Extrapolating gives us 10,083 miles in 2021.\n\n")},
      {"LC_ALL=C", mileage,
       page(kDates2021 +
            "\nTaxpayer provided documentation showing mileage on the following dates:\n"
            "1/1/21 10000 miles;\n7/1/21 15000 miles.\n\n"
            "\nTaxpayer went 5000 miles in 181 days for an average of 27.6 miles/day.  "
            "Extrapolating gives us 10083 miles in 2021.\n\n")},
      {"LC_ALL=C", "bizmiles=1000&rate=1234.5",
       page("\nTaxpayer went 1000 business miles at $1234.500/mile for a maximum expense of "
            "about $1234500.00.\n\n")},
      {"LC_NUMERIC=en_US.UTF-8", "bizmiles=1000&rate=.5",
       page("\nTaxpayer went 1,000 business miles at $0.500/mile for a maximum expense of about "
            "$500.00.\n\n")},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(run_cgi("bolvey", c.query, {"TZ=UTC", c.locale}).out, c.page)
        << c.locale << " " << c.query;
  }
}

std::string paddedQuery(std::size_t size) {
  std::string query = "year=2000&pad=";
  return query + std::string(size - query.size(), 'x');
}

TEST(BolveyPage, RefusesQueriesOver2047Bytes) {
  const struct {
    std::size_t size;
    int status;
    std::string out;
  } cases[] = {
      {2047, 0, page("\n2000 was a leap year.\n\n")},
      {2048, 1, ""},
  };
  for (const auto &c : cases) {
    ProgramResult r = run_cgi("bolvey", paddedQuery(c.size), {"TZ=UTC"});
    EXPECT_EQ(r.status, c.status) << c.size;
    EXPECT_EQ(r.out, c.out) << c.size;
  }
}

// The page function in-process, under the environment's default locale.
TEST(BolveyInProcess, WritesThePageOrNothing) {
  ScopedTimeZone zone("America/Havana");
  const std::string tooLong = paddedQuery(2048);
  const struct {
    const char *name;
    const char *query;
    int status;
    std::string page;
  } cases[] = {
      {"no query", nullptr, 0, page("")},
      {"days between", "date1=3/1/21&date2=3/31/21", 0,
       page("\n3/1/21 was day 60 of the year and fell on a Monday.\n\n"
            "\n3/31/21 was day 90 of the year and fell on a Wednesday.\n\n"
            "\nThere were 30 days between 3/1/21 and 3/31/21.\n\n")},
      {"a long query", tooLong.c_str(), 1, ""},
  };
  for (const auto &c : cases) {
    int status = -1;
    EXPECT_EQ(capture([&](FILE *out) { status = bolvey_page(out, c.query); }), c.page) << c.name;
    EXPECT_EQ(status, c.status) << c.name;
  }
}

}  // namespace
