#include "cgi-bin/kestrum/kestrum.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "testsupport/run_program.h"

namespace {

// What the page writes around every answer of a mode, taken from its
// answer to a query that asks nothing: in text mode the answer goes into
// the text box, in html mode before the closing rule.
struct Frame {
  std::string opening, closing;
};

Frame frame(bool html) {
  const std::string page = capture([&](FILE *out) { kestrum_page(out, html ? "html=1" : ""); });
  const std::size_t at = html ? page.rfind("\n<hr>\n") : page.find("</textarea>");
  return {page.substr(0, at), page.substr(at)};
}

std::string textPage(const std::string &body) {
  static const Frame text = frame(false);
  return text.opening + body + text.closing;
}

std::string htmlPage(const std::string &body) {
  static const Frame html = frame(true);
  return html.opening + body + html.closing;
}

// Both modes head the answer with the page's title; only text mode boxes it.
TEST(KestrumPage, OneHeadingAndTheAnswerInItsMode) {
  for (const std::string &page : {textPage("X"), htmlPage("X")}) {
    EXPECT_EQ(page.find("<h1>"), page.rfind("<h1>Dates and Mileage</h1>"));
    EXPECT_EQ(page.find("<textarea") < page.find('X'), page == textPage("X"));
  }
}

const std::string kMileage2021 =
    "\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
    "\n7/1/2021 was day 182 of the year and fell on a Thursday.\n\n"
    "\nTaxpayer provided documentation showing mileage on the following dates:\n"
    "01/01/2021 10,000 miles;\n07/01/2021 15,000 miles;\n\n"
    "\nTaxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.  "
    "Extrapolating gives us 10,083 miles in 2021.\n\n";

struct PageCase {
  const char *name;
  std::optional<std::string> query;
  std::string page;
};

const PageCase kPages[] = {
    // Framing of the two modes.
    {"unset query", std::nullopt, textPage("")},
    {"html mode leap year", "html=1&year=2000", htmlPage("\n2000 was a leap year.<br>\n<br>\n")},
    {"html chosen by a leading 1", "year=2000&html=1x",
     htmlPage("\n2000 was a leap year.<br>\n<br>\n")},
    // Date lines.
    {"four-digit year", "date1=12/25/2020",
     textPage("\n12/25/2020 was day 360 of the year and fell on a Friday.\n\n")},
    {"two-digit year", "date1=12/25/20",
     textPage("\n12/25/2020 was day 360 of the year and fell on a Friday.\n\n")},
    {"two-digit year from 69", "date1=7/20/69",
     textPage("\n7/20/1969 was day 201 of the year and fell on a Sunday.\n\n")},
    {"trailing text makes a four-digit read", "date1=12/25/20x",
     textPage("\n12/25/20 was day 360 of the year and fell on a Friday.\n\n")},
    {"day past the month is carried", "date1=2/30/21",
     textPage("\n3/2/2021 was day 61 of the year and fell on a Tuesday.\n\n")},
    {"midnight skipped by the zone", "date1=1/1/1914",
     textPage("\n1/1/1914 was day 1 of the year and fell on a Thursday.\n\n")},
    {"unparsed date", "date1=13/1/21", textPage("")},
    {"date2 without date1", "date2=7/1/21", textPage("")},
    {"date2 after a bad date1", "date1=1/32/21&date2=7/1/21&year=2021",
     textPage("\n2021 was not a leap year.\n\n")},
    // Days between and the choice among the answers.
    {"days between", "date1=1/1/21&date2=7/1/21",
     textPage("\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\n7/1/2021 was day 182 of the year and fell on a Thursday.\n\n"
              "\nThere were 181 days between 1/1/2021 and 7/1/2021.\n\n")},
    {"days between, later date first", "date1=7/1/21&date2=1/1/21",
     textPage("\n7/1/2021 was day 182 of the year and fell on a Thursday.\n\n"
              "\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\nThere were 181 days between 7/1/2021 and 1/1/2021.\n\n")},
    {"days line wins over the leap-year line", "date1=3/1/21&date2=3/20/21&year=2000",
     textPage("\n3/1/2021 was day 60 of the year and fell on a Monday.\n\n"
              "\n3/20/2021 was day 79 of the year and fell on a Saturday.\n\n"
              "\nThere were 19 days between 3/1/2021 and 3/20/2021.\n\n")},
    {"mileage block", "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021",
     textPage(kMileage2021)},
    {"mileage block, readings exchanged",
     "date1=1/1/21&date2=7/1/21&miles1=15000&miles2=10000&year=2021",
     textPage("\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\n7/1/2021 was day 182 of the year and fell on a Thursday.\n\n"
              "\nTaxpayer provided documentation showing mileage on the following dates:\n"
              "01/01/2021 15,000 miles;\n07/01/2021 10,000 miles;\n\n"
              "\nTaxpayer went 5,000 miles in 181 days for an average of 27.6 miles/day.  "
              "Extrapolating gives us 10,083 miles in 2021.\n\n")},
    {"mileage block, leap year from the year field",
     "html=1&date1=1/1/21&date2=1/3/21&miles1=0&miles2=2001&year=2024",
     htmlPage("\n1/1/2021 was day 1 of the year and fell on a Friday.<br>\n<br>\n"
              "\n1/3/2021 was day 3 of the year and fell on a Sunday.<br>\n<br>\n"
              "\nTaxpayer provided documentation showing mileage on the following dates:<br>\n"
              "01/01/2021 0 miles;<br>\n01/03/2021 2,001 miles;<br>\n<br>\n"
              "\nTaxpayer went 2,001 miles in 2 days for an average of 1,000.5 miles/day.  "
              "Extrapolating gives us 366,183 miles in 2024.<br>\n<br>\n")},
    {"equal dates give the days line", "date1=1/1/21&date2=1/1/21&miles1=1&miles2=2&year=2021",
     textPage("\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\nThere were 0 days between 1/1/2021 and 1/1/2021.\n\n")},
    {"readings beyond int do not overflow",
     "date1=1/1/21&date2=1/2/21&miles1=-2147483648&miles2=99999999999&year=2021",
     textPage("\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\n1/2/2021 was day 2 of the year and fell on a Saturday.\n\n"
              "\nTaxpayer provided documentation showing mileage on the following dates:\n"
              "01/01/2021 -2,147,483,648 miles;\n01/02/2021 2,147,483,647 miles;\n\n"
              "\nTaxpayer went 4,294,967,295 miles in 1 days for an average of 4,294,967,295.0 "
              "miles/day.  Extrapolating gives us 1,567,663,062,675 miles in 2021.\n\n")},
    // Leap-year and expense lines.
    {"leap year", "year=2000", textPage("\n2000 was a leap year.\n\n")},
    {"not a leap year", "year=1900", textPage("\n1900 was not a leap year.\n\n")},
    {"year that is not a number", "year=abc", textPage("\nabc was a leap year.\n\n")},
    {"long field cut to 255 bytes", "year=" + std::string(300, 'a'),
     textPage("\n" + std::string(255, 'a') + " was a leap year.\n\n")},
    {"expense", "bizmiles=1000&rate=.5",
     textPage("\nTaxpayer went 1,000 business miles at $0.500/mile for a maximum expense of "
              "about $500.00.\n\n")},
    {"expense rate keeps its width", "rate=12.5&bizmiles=100000",
     textPage("\nTaxpayer went 100,000 business miles at $12.500/mile for a maximum expense of "
              "about $1,250,000.00.\n\n")},
    {"expense needs both fields", "bizmiles=1000", textPage("")},
    // Decoding and escaping.
    {"encoded & separates fields", "date1=1/1/21%26year=2000",
     textPage("\n1/1/2021 was day 1 of the year and fell on a Friday.\n\n"
              "\n2000 was a leap year.\n\n")},
    {"echoed year is escaped", "year=%3Cscript%3Ealert('x')%3C/script%3E",
     textPage("\n&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; was a leap year.\n\n")},
    {"echoed year is escaped in the mileage summary",
     "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021\"<b>",
     textPage(kMileage2021.substr(0, kMileage2021.size() - 7) + "2021&quot;&lt;b&gt;.\n\n")},
};

TEST(KestrumPage, AnswersEveryZoneAlike) {
  for (const char *zone : kTestZones) {
    for (const PageCase &c : kPages) {
      ProgramResult r = run_cgi("kestrum", c.query, {std::string("TZ=") + zone});
      EXPECT_EQ(r.out, c.page) << c.name << " in " << zone;
      EXPECT_EQ(r.status, 0) << c.name;
      EXPECT_EQ(r.err, "") << c.name;
    }
  }
}

// "year=2000&pad=xxx...", |size| bytes long.
std::string paddedQuery(std::size_t size) {
  std::string query = "year=2000&pad=";
  return query + std::string(size - query.size(), 'x');
}

TEST(KestrumPage, RefusesQueriesOver2047Bytes) {
  const struct {
    std::size_t size;
    int status;
    std::string out;
  } cases[] = {
      {2047, 0, textPage("\n2000 was a leap year.\n\n")},
      {2048, 1, ""},
      {100000, 1, ""},
  };
  for (const auto &c : cases) {
    ProgramResult r = run_cgi("kestrum", paddedQuery(c.size), {"TZ=UTC"});
    EXPECT_EQ(r.status, c.status) << c.size;
    EXPECT_EQ(r.out, c.out) << c.size;
  }
}

// The page function in-process, with the locale that the program sets.
class KestrumInProcess : public testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "en_US.UTF-8"); }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
  ScopedTimeZone zone_{"America/New_York"};
};

TEST_F(KestrumInProcess, WritesThePageOrNothing) {
  const std::string tooLong = paddedQuery(2048);
  const struct {
    const char *name;
    const char *query;
    int status;
    std::string page;
  } cases[] = {
      {"no query", nullptr, 0, textPage("")},
      {"mileage block", "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021", 0,
       textPage(kMileage2021)},
      {"a long query", tooLong.c_str(), 1, ""},
  };
  for (const auto &c : cases) {
    int status = -1;
    EXPECT_EQ(capture([&](FILE *out) { status = kestrum_page(out, c.query); }), c.page) << c.name;
    EXPECT_EQ(status, c.status) << c.name;
  }
}

}  // namespace
