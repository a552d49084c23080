#include "cgi-bin/quindle/quindle.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testsupport/run_program.h"

namespace {

// ---- field readers ----

struct Fields {
  const char *form;
  int year, month, day;
};

const Fields kFields[] = {
    {"month=3&day=14&year=2021", 2021, 3, 14},
    {"month=0&day=-1&year=0", 0, 0, 0},
    // atoi rules: blanks and a sign, trailing text ignored, no digits is 0
    {"month=+7&day=14abc&year= 21x", 21, 7, 14},
    {"month=12.9&day=x1&year=.5", 0, 12, 0},
    // values are raw: an escaped digit is no digit
    {"month=%31&day=%202&year=1", 1, 0, 0},
    // the int range is the limit; beyond it a number is no number
    {"year=2147483647&day=2147483647", 2147483647, 0, 2147483647},
    {"year=2147483648&day=99999999999&month=-2147483649", 0, 0, 0},
};

TEST(QuindleFields, ReadEachFieldAsItsBoundedLeadingInteger) {
  for (const Fields &c : kFields) {
    SCOPED_TRACE(c.form);
    EXPECT_EQ(getYear(c.form), c.year);
    EXPECT_EQ(getMonth(c.form), c.month);
    EXPECT_EQ(getDay(c.form), c.day);
  }
}

// ---- whole pages through the program ----

const std::string kFieldError =
    "\n<p>Error: Month, day and year should be positive integers.</p>\n"
    "<p>Month must be in range 1..12.";
const std::string kMarch14 =
    "\n<p>\nThe date you input was March 14, 2021.\n</p>\n<p>"
    "\n   Sunday,     March 14, 2021 is day  73 of 2021.  "
    "\nWhich is week 10 of 2021.\n";

// |head|, a filler field, then |tail| starting at byte |tailAt|.
std::string padded(const std::string &head, const std::string &tail, std::size_t tailAt) {
  std::string filler = "&pad=";
  filler += std::string(tailAt - head.size() - filler.size(), 'x');
  return head + filler + tail;
}

struct Page {
  const char *what;
  std::optional<std::string> query;
  std::string body;  // everything between the heading and the closing block
};

const Page kPages[] = {
    {"example date", "month=3&day=14&year=2021", kMarch14},
    {"fields in any order", "year=2021&day=14&month=3&other=x", kMarch14},
    {"trailing text counts as its number", "month=3&day=14&year=2021abc", kMarch14},
    {"day past the month's end rolls over", "month=2&day=30&year=2021",
     "\n<p>\nThe date you input was February 30, 2021.\n</p>\n<p>"
     "\n  Tuesday,     March  2, 2021 is day  61 of 2021.  "
     "\nWhich is week 9 of 2021.\n"},
    {"week 0 is week 53 of the year before", "month=1&day=1&year=2021",
     "\n<p>\nThe date you input was January 1, 2021.\n</p>\n<p>"
     "\n   Friday,   January  1, 2021 is day   1 of 2021.  "
     "\nWhich is week 53 of 2020.\n"},
    {"week line keeps the entered year", "month=12&day=32&year=2020",
     "\n<p>\nThe date you input was December 32, 2020.\n</p>\n<p>"
     "\n   Friday,   January  1, 2021 is day   1 of 2021.  "
     "\nWhich is week 53 of 2019.\n"},
    {"year 21 is not 2021", "month=7&day=4&year=21",
     "\n<p>\nThe date you input was July 4, 21.\n</p>\n<p>"
     "\n   Sunday,      July  4,   21 is day 185 of   21.  "
     "\nWhich is week 26 of 21.\n"},
    {"leap year ends on day 366", "month=12&day=31&year=2020",
     "\n<p>\nThe date you input was December 31, 2020.\n</p>\n<p>"
     "\n Thursday,  December 31, 2020 is day 366 of 2020.  "
     "\nWhich is week 52 of 2020.\n"},
    {"common year ends on day 365", "month=12&day=31&year=2021",
     "\n<p>\nThe date you input was December 31, 2021.\n</p>\n<p>"
     "\n   Friday,  December 31, 2021 is day 365 of 2021.  "
     "\nWhich is week 52 of 2021.\n"},
    {"midnight skipped in Sao Paulo", "month=11&day=4&year=2018",
     "\n<p>\nThe date you input was November 4, 2018.\n</p>\n<p>"
     "\n   Sunday,  November  4, 2018 is day 308 of 2018.  "
     "\nWhich is week 44 of 2018.\n"},
    {"midnight skipped in Havana", "month=3&day=10&year=2019",
     "\n<p>\nThe date you input was March 10, 2019.\n</p>\n<p>"
     "\n   Sunday,     March 10, 2019 is day  69 of 2019.  "
     "\nWhich is week 9 of 2019.\n"},
    {"normalised year past INT_MAX", "month=12&day=32&year=2147483647",
     "\n<p>\nThe date you input was December 32, 2147483647.\n</p>\n<p>"
     "\nWednesday,   January  1, 2147483648 is day   1 of 2147483648.  "
     "\nWhich is week 53 of 2147483646.\n"},
    {"date beyond mktime's range", "month=12&day=2147483647&year=2147483647",
     "\n<p>\nThe date you input was December 2147483647, 2147483647.\n</p>\n<p>"
     "\nError: That date is too far in the future to compute."},
    {"only the first 2047 bytes count", padded("month=3&day=14", "&year=2021", 2037), kMarch14},
    {"a field past byte 2047 is missing", padded("month=3&day=14", "&year=2021", 2042),
     kFieldError},
    {"month 13", "month=13&day=14&year=2021", kFieldError},
    {"month 0", "month=0&day=14&year=2021", kFieldError},
    {"day 0", "month=3&day=0&year=2021", kFieldError},
    {"negative year", "month=3&day=14&year=-2021", kFieldError},
    {"missing field", "month=3&year=2021", kFieldError},
    {"not a number", "month=3&day=abc&year=2021", kFieldError},
    {"year beyond int", "month=3&day=14&year=99999999999", kFieldError},
    {"no query", std::nullopt, kFieldError},
};

// What the page writes around every answer (its heading, then the link
// back to the form), taken from the page of an empty query.
struct Frame {
  std::string opening, closing;
};

Frame frame() {
  const std::string page = capture([](FILE *out) { quindle_page(out, ""); });
  const std::size_t at = page.find(kFieldError);
  if (at == std::string::npos) return {page, ""};
  return {page.substr(0, at), page.substr(at + kFieldError.size())};
}

TEST(QuindlePage, AnswersEachRequestWithTheWholePage) {
  const Frame f = frame();
  EXPECT_EQ(f.opening.find("<h1>Day of the Year</h1>"), f.opening.rfind("<h1>"));
  EXPECT_NE(f.opening.find("<h1>"), std::string::npos);
  EXPECT_NE(f.closing.find("<a href=\"/quindle.html\">"), std::string::npos) << f.closing;
  for (const char *zone : kTestZones) {
    for (const Page &c : kPages) {
      SCOPED_TRACE(std::string(zone) + ": " + c.what);
      ProgramResult r = run_cgi("quindle", c.query, {std::string("TZ=") + zone, "LC_ALL=C"});
      EXPECT_EQ(r.out, f.opening + c.body + f.closing);
      EXPECT_EQ(r.err, "");
      EXPECT_EQ(r.status, 0);
    }
  }
}

}  // namespace
