#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "testsupport/run_program.h"

namespace {

const std::string kTitle = "<p><center><h1>Roots of complex numbers.</h1></center>\n\n<hr><p>";
const std::string kNotice =
    "\n<p>Too many roots to list: enter an index from -10000 to 10000.</p><hr>";

// The form every page ends with posts to the page the fields it reads.
const char kFormStart[] = "<img alt=\"[circles]\"";
const char *const kFormParts[] = {"<form action=\"../cgi-bin/roots.pl\" >", "name=\"root\"",
                                  "name=\"real\"", "name=\"imaginary\"", "</form></center>"};

// The page, its form checked and cut off.
std::string serve(const std::optional<std::string> &query) {
  ProgramResult r = run_cgi("roots", query);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  const std::size_t at = r.out.rfind(kFormStart);
  EXPECT_NE(at, std::string::npos) << r.out;
  if (at == std::string::npos) return r.out;
  for (const char *part : kFormParts) EXPECT_NE(r.out.find(part, at), std::string::npos) << part;
  return r.out.substr(0, at);
}

// The sign the C library gives a not-a-number depends on the processor, so
// pages are compared with every signed or unsigned nan written "NaN".
std::string unsignedNan(std::string page) {
  for (std::size_t at = page.find("nan"); at != std::string::npos; at = page.find("nan", at)) {
    bool sign = at > 0 && (page[at - 1] == '-' || page[at - 1] == '+');
    page.replace(at - sign, 3 + sign, "NaN");
  }
  return page;
}

TEST(RootsPage, WorkedExampleIsExact) {
  EXPECT_EQ(serve("root=3&real=8&imaginary=0"),
            kTitle +
                "\n|8.000000+0.000000i| = 8.000000."
                "\n<br>&theta; = 0.000000 radians (0.000000&deg;)."
                "\n<br>&#8710; = 2.094395 radians (120.000000&deg;)."
                "\n</p><p>"
                "\n<h1><sup>3</sup>&#8730;<span style=\"text-decoration:overline\">"
                "8.000000+0.000000i</span> =</h1>"
                "\n<ul>\n<li>2.00000+0.00000i</li>\n<li>-1.00000+1.73205i</li>"
                "\n<li>-1.00000-1.73205i</li></ul><hr>");
}

struct PageCase {
  std::optional<std::string> query;
  std::string number;  // as the modulus line and the heading print it
  std::string modulus, theta, delta;
  std::string index;  // the heading's <sup> text, empty for square roots
  std::vector<std::string> items;
};

std::string expectedPage(const PageCase &c) {
  std::string sup = c.index.empty() ? "" : "<sup>" + c.index + "</sup>";
  std::string page = kTitle + "\n|" + c.number + "| = " + c.modulus +
                     ".\n<br>&theta; = " + c.theta + ".\n<br>&#8710; = " + c.delta +
                     ".\n</p><p>\n<h1>" + sup + "&#8730;<span style=\"text-decoration:overline\">" +
                     c.number + "</span> =</h1>\n<ul>";
  for (const std::string &item : c.items) page += "\n<li>" + item + "</li>";
  return page + "</ul><hr>";
}

const std::string kHalf = "3.141593 radians (180.000000&deg;)";
const std::string kRight = "1.570796 radians (90.000000&deg;)";
const PageCase kZero = {"", "0.000000+0.000000i",  "0.000000", "NaN radians (NaN&deg;)", kHalf,
                        "", {"NaNNaNi", "NaNNaNi"}};
const PageCase kMinusFour = {"",
                             "-4.000000+0.000000i",
                             "4.000000",
                             kHalf,
                             kHalf,
                             "",
                             {"0.00000+2.00000i", "0.00000-2.00000i"}};
const PageCase kSixteenI = {
    "",
    "0.000000+16.000000i",
    "16.000000",
    kRight,
    kRight,
    "4",
    {"1.84776+0.76537i", "-0.76537+1.84776i", "-1.84776-0.76537i", "0.76537-1.84776i"}};

const PageCase kMinusSixteenI = {
    "",
    "0.000000-16.000000i",
    "16.000000",
    "-1.570796 radians (-90.000000&deg;)",
    kRight,
    "4",
    {"1.84776-0.76537i", "0.76537+1.84776i", "-1.84776+0.76537i", "-0.76537-1.84776i"}};

PageCase with(const PageCase &base, std::optional<std::string> query) {
  PageCase c = base;
  c.query = std::move(query);
  return c;
}

const PageCase kPages[] = {
    // no number: zero modulus, not-a-number angle and roots
    with(kZero, std::nullopt),
    with(kZero, ""),
    with(kZero, "real=%2B3"),  // undecoded: "%2B3" reads as 0
    {"real=+3",
     "3.000000+0.000000i",
     "3.000000",
     "0.000000 radians (0.000000&deg;)",
     kHalf,
     "",
     {"1.73205+0.00000i", "-1.73205+0.00000i"}},
    // an unreadable or zero index means square roots
    with(kMinusFour, "real=-4&imaginary=0"),
    with(kMinusFour, "root=0&real=-4&imaginary=0"),
    with(kMinusFour, "root=&real=-4&imaginary=0"),
    with(kMinusFour, "root=x&real=-4&imaginary=0"),
    {"root=1&real=3&imaginary=4",
     "3.000000+4.000000i",
     "5.000000",
     "0.927295 radians (53.130102&deg;)",
     "6.283185 radians (360.000000&deg;)",
     "1",
     {"3.00000+4.00000i"}},
    {"root=1e2&real=1e2",
     "100.000000+0.000000i",
     "100.000000",
     "0.000000 radians (0.000000&deg;)",
     "6.283185 radians (360.000000&deg;)",
     "1",
     {"100.00000+0.00000i"}},
    {"root=-2&real=4&imaginary=0",
     "4.000000+0.000000i",
     "4.000000",
     "0.000000 radians (0.000000&deg;)",
     "-3.141593 radians (-180.000000&deg;)",
     "-2",
     {"0.50000+0.00000i"}},
    // the lift carries 0.2905146 up but leaves -0.2905146 at -0.29051
    {"root=3&real=-1&imaginary=-1",
     "-1.000000-1.000000i",
     "1.414214",
     "3.926991 radians (225.000000&deg;)",
     "2.094395 radians (120.000000&deg;)",
     "3",
     {"0.29052+1.08422i", "-1.08421-0.29051i", "0.79370-0.79370i"}},
    with(kSixteenI, "root=4&real=0&imaginary=16"),
    // straight down: theta is -pi/2, and the list starts at theta / n
    {"root=2&real=0&imaginary=-4",
     "0.000000-4.000000i",
     "4.000000",
     "-1.570796 radians (-90.000000&deg;)",
     kHalf,
     "",
     {"1.41421-1.41421i", "-1.41421+1.41421i"}},
    with(kMinusSixteenI, "root=4&real=0&imaginary=-16"),
    {"root=4&real=-0&imaginary=-16",  // -0 is not left of the axis
     "-0.000000-16.000000i", kMinusSixteenI.modulus, kMinusSixteenI.theta, kMinusSixteenI.delta,
     "4", kMinusSixteenI.items},
    {"root=-2&real=0&imaginary=-4",
     "0.000000-4.000000i",
     "4.000000",
     "-1.570796 radians (-90.000000&deg;)",
     "-3.141593 radians (-180.000000&deg;)",
     "-2",
     {"0.35355+0.35355i"}},
    // a large modulus shows the single-precision storage of every record
    {"root=3&real=-1e9&imaginary=1e9",
     "-1000000000.000000+1000000000.000000i",
     "1414213562.373095",
     "2.356194 radians (135.000000&deg;)",
     "2.094395 radians (120.000000&deg;)",
     "3",
     {"793.70050+793.70056i", "-1084.21509+290.51440i", "290.51450-1084.21509i"}},
    // only the first 2047 bytes of the query count: "1600" is cut to "16"
    with(kSixteenI, "root=4&real=0&pad=" + std::string(2016, 'x') + "&imaginary=1600"),
    // a field value is cut to 255 bytes: 253 zeros then "16"
    with(kSixteenI, "root=4&real=0&imaginary=" + std::string(253, '0') + "1600"),
};

void PrintTo(const PageCase &c, std::ostream *os) {
  *os << (c.query ? '"' + c.query->substr(0, 60) + '"' : std::string("unset"));
}

class RootsWholePage : public testing::TestWithParam<PageCase> {};

TEST_P(RootsWholePage, PrintsExactly) {
  EXPECT_EQ(unsignedNan(serve(GetParam().query)), expectedPage(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Queries, RootsWholePage, testing::ValuesIn(kPages));

struct BoundCase {
  std::string query;
  std::string index;  // as the heading prints it
  int items;          // list items, or -1 for the notice in place of the list
};

const BoundCase kBounds[] = {
    {"root=1000&real=1", "1000", 1000},
    {"root=10000&real=1", "10000", 10000},
    {"root=10001&real=1", "10001", -1},
    {"root=-10000&real=1", "-10000", 1},
    {"root=-10001&real=1", "-10001", -1},
    {"root=1000000000&real=1", "1000000000", -1},
    {"root=-2147483648&real=1", "-2147483648", -1},
    // beyond int: held at the nearest int, never wrapped into a small index
    {"root=4294967298&real=1", "2147483647", -1},
    {"root=-99999999999999999999&real=1", "-2147483648", -1},
};

void PrintTo(const BoundCase &c, std::ostream *os) { *os << c.query; }

class RootsBound : public testing::TestWithParam<BoundCase> {};

TEST_P(RootsBound, ListsUpToTheBoundAndNoticeBeyond) {
  const BoundCase &c = GetParam();
  std::string page = serve(c.query);
  EXPECT_NE(page.find("\n<h1><sup>" + c.index + "</sup>&#8730;"), std::string::npos);
  std::size_t items = 0;
  for (std::size_t at = page.find("<li>"); at != std::string::npos; at = page.find("<li>", at + 1))
    ++items;
  if (c.items < 0) {
    EXPECT_EQ(items, 0u);
    EXPECT_TRUE(page.ends_with("</h1>" + kNotice));
  } else {
    EXPECT_EQ(items, static_cast<std::size_t>(c.items));
    EXPECT_NE(page.find("\n<li>1.00000+0.00000i</li>"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Indexes, RootsBound, testing::ValuesIn(kBounds));

}  // namespace
