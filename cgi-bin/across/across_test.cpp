#include "cgi-bin/across/across.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/run_program.h"

namespace {

namespace fs = std::filesystem;

const char kCurrent[] = "across";
const char kEarlier[] = "across-earlier";
const char kAddress[] = "192.0.2.7";

const std::string kRefusal =
    "<p><h1><center><b>But please don't use punctuation or foul language here!!</b></center></h1>";
const std::string kGridHead =
    "<center><h2><strong>\n<table border=10>\n<th><center>Output is as follows:</center></th>\n"
    "<th><center>Previous words have been:</center></th><tr>\n<td><center><table border=5>\n";
const std::string kBoxOpening =
    "</table></center></td>\n<td><form action=\"\"><h4><textarea name=hi OnFocus=\"this.blur();\" "
    "cols=24 rows=5 >\n";
const std::string kLogFailed = "<strong><center>Log Failed!</center></strong>\n";

const std::string kCurrentFooter =
    "</textarea></h4></form></td>\n"
    "</table>\n"
    "</strong></h2></center>\n"
    "<hr width=\"60%\">\n"
    "<table class=\"hidden\" width=\"90%\">\n"
    "<td class=\"hidden\" link=\"#009999\"><a href=\"" ACROSS_SEARCH_HOME
    "\"><h2>" ACROSS_SEARCH_NAME
    "</h2></a></td>\n"
    "<td class=\"hidden\" ><form action=\"" ACROSS_SEARCH_QUERY
    "\">\n"
    "<input type=\"text\" name=\"q\" size=40 >\n"
    "</form></td>\n"
    "<td class=\"hidden\" >source:</td>\n"
    "<td class=\"hidden\" ><a href=\"/cgi-bin/source.pl?s=../sources/across\">across</a></td><tr>\n"
    "<td class=\"hidden\" >another word</td>\n"
    "<td class=\"hidden\" ><form action=\"/cgi-bin/across.pl\">\n"
    "<input type=\"text\" name=\"r\" size=40 >\n"
    "</form></td>\n"
    "<td class=\"hidden\" >visit:</td>\n"
    "<td class=\"hidden\" ><a href=\"" ACROSS_OWNER_HOME "\"><h4>" ACROSS_OWNER_HOME
    "/</h4></a></td><tr>\n"
    "</table>\n";

const std::string kEarlierFooter =
    "</textarea></h4></form></td>\n"
    "</table>\n"
    "</strong></h2></center>\n"
    "<hr width=\"60%\">\n"
    "<table width=\"90%\">\n"
    "<td link=\"#009999\"><a href=\"" ACROSS_SEARCH_HOME "\"><h2>" ACROSS_SEARCH_NAME
    "</h2></a></td>\n"
    "<td><form action=\"" ACROSS_SEARCH_QUERY
    "\">\n"
    "<input type=\"text\" name=\"q\" size=40 >\n"
    "</form></td>\n"
    "<td>source:</td>\n"
    "<td><a href=\"/cgi-bin/source.pl?s=../sources/across\">across</a></td><tr>\n"
    "<td>another word</td>\n"
    "<td><form action=\"/cgi-bin/across.pl\">\n"
    "<input type=\"text\" name=\"r\" size=40 >\n"
    "</form></td>\n"
    "<td>visit:</td>\n"
    "<td><a href=\"" ACROSS_OWNER_HOME "\"><h4>" ACROSS_OWNER_HOME
    "/</h4></a></td><tr>\n"
    "</table>\n";

// The greeting with the request time masked as TIME.
std::string greeting(const std::string &address = kAddress) {
  return "<p><h3><center>Thank you for visiting my site on TIME\n \n<p>from " + address +
         ".\n<p>Please come again!</center></h3>\n";
}

// Whether |text| holds an asctime text ("Mon Dec  7 13:23:14 2026\n") at
// |at|: "A" an upper-case letter, "a" lower case, "9" a digit, "_" a blank
// or a digit, anything else itself.
bool asctime_at(const std::string &text, std::size_t at) {
  static const char shape[] = "Aaa Aaa _9 99:99:99 9999\n";
  if (text.size() - at < sizeof shape - 1) return false;
  for (std::size_t i = 0; i < sizeof shape - 1; ++i) {
    char c = text[at + i];
    bool digit = c >= '0' && c <= '9';
    bool ok = shape[i] == 'A'   ? c >= 'A' && c <= 'Z'
              : shape[i] == 'a' ? c >= 'a' && c <= 'z'
              : shape[i] == '9' ? digit
              : shape[i] == '_' ? digit || c == ' '
                                : c == shape[i];
    if (!ok) return false;
  }
  return true;
}

// Replaces every asctime text with "TIME\n".
std::string mask_time(const std::string &text) {
  std::string masked;
  for (std::size_t at = 0; at < text.size();) {
    if (asctime_at(text, at)) {
      masked += "TIME\n";
      at += 25;
    } else {
      masked += text[at++];
    }
  }
  return masked;
}

// The grid of rows given as plain text, one cell per character.
std::string grid(const std::vector<std::string> &rows) {
  std::string text;
  for (const std::string &row : rows) {
    for (char c : row) text += std::string("<td>") + c + "</td>";
    text += "<tr>\n";
  }
  return text;
}

std::vector<std::string> rotations(const std::string &word) {
  std::vector<std::string> rows;
  for (std::size_t j = 0; j < word.size(); ++j) rows.push_back(word.substr(j) + word.substr(0, j));
  return rows;
}

// What a page holds between two markers, or "<missing>".
std::string between(const std::string &page, const std::string &from, const std::string &to) {
  std::size_t begin = page.find(from);
  if (begin == std::string::npos) return "<missing>";
  begin += from.size();
  std::size_t end = page.find(to, begin);
  return end == std::string::npos ? "<missing>" : page.substr(begin, end - begin);
}

std::string listing(const std::string &page) { return between(page, kBoxOpening, "</textarea>"); }

// A fresh web tree: www/cgi-bin is the working directory, www/data beside
// it holds the word store.
struct Site {
  TempDir tmp;
  std::string cgi = tmp / "www/cgi-bin";
  std::string data = tmp / "www/data";

  Site() {
    fs::create_directories(cgi);
    fs::create_directories(data);
  }
  std::string at(const std::string &name) const { return data + "/" + name; }
  std::string read(const std::string &name) const {
    return file_exists(at(name)) ? mask_time(read_file(at(name))) : "<none>";
  }
  // One request; a null query or address leaves the variable unset.
  ProgramResult request(const char *program, const char *query,
                        const char *address = kAddress) const {
    std::vector<std::string> env{"LC_ALL=C", "TZ=UTC", "PATH=/usr/bin:/bin"};
    if (address != nullptr) env.push_back(std::string("REMOTE_ADDR=") + address);
    std::optional<std::string> q;
    if (query != nullptr) q = query;
    return run_cgi(program, q, env, cgi);
  }
  std::string page(const char *program, const char *query) const {
    ProgramResult r = request(program, query);
    EXPECT_EQ(r.status, 0);
    return mask_time(r.out);
  }
  // The names in the data directory, sorted.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto &entry : fs::directory_iterator(data))
      found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  }
};

std::string log_line(const char *count, const std::string &word) {
  return std::string(count) + ", " + word + ", " + kAddress + ", TIME\n";
}

// ---- counter ------------------------------------------------------------

struct CounterCase {
  const char *before;  // counter file content; nullptr: no file
  const char *query;   // nullptr: QUERY_STRING unset
  const char *after;   // counter file content afterwards
  const char *logged;  // count in the log line; nullptr: nothing logged
};

const CounterCase kCounterCases[] = {
    {nullptr, "r=hi", "000001\n\n", "000001"},
    {nullptr, "r=", "000001\n\n", nullptr},
    {nullptr, nullptr, "000001\n\n", nullptr},
    {"41\n", "r=hi", "000042\n\n", "000042"},
    {"41\n", "r=", "000041\n\n", nullptr},
    {"000041\n\n", "x=1", "000041\n\n", nullptr},
    {"999999\n\n", "r=hi", "1000000\n\n", "1000000"},
    {" \n\t7 and more", "r=hi", "000008\n\n", "000008"},
    // no usable count: the file stays as it is and nothing is logged
    {"abc\n", "r=hi", "abc\n", nullptr},
    {"", "r=hi", "", nullptr},
    {"-5\n", "r=hi", "-5\n", nullptr},
    {"99999999999\n", "r=hi", "99999999999\n", nullptr},
    {"2147483647\n", "r=hi", "2147483647\n", nullptr},
    {"2147483647\n", "r=", "2147483647\n\n", nullptr},
};

TEST(AcrossCounter, CountsWordsAndRewritesThroughARename) {
  for (const CounterCase &c : kCounterCases) {
    SCOPED_TRACE(std::string("before ") + (c.before ? c.before : "<none>") + " query " +
                 (c.query ? c.query : "<unset>"));
    Site site;
    if (c.before != nullptr) write_file(site.at("across.cnt"), c.before);
    site.page(kCurrent, c.query);
    EXPECT_EQ(site.read("across.cnt"), c.after);
    EXPECT_EQ(site.read("across.log"), c.logged ? log_line(c.logged, "hi") : "<none>");
    for (const std::string &name : site.names())
      EXPECT_EQ(name.find("across.cnt."), std::string::npos) << "left behind: " << name;
  }
}

TEST(AcrossCounter, UnusableCounterStillShowsThePage) {
  Site site;
  write_file(site.at("across.cnt"), "abc\n");
  std::string page = site.page(kCurrent, "r=hi");
  EXPECT_NE(page.find("<p>Original input was: hi<br>\n"), std::string::npos) << page;
  EXPECT_EQ(listing(page), "");
}

TEST(AcrossCounter, ARequestWithoutAWordRestartsAtOneAndTheNextWordGetsTwo) {
  Site site;
  site.page(kCurrent, "r=");
  site.page(kCurrent, "r=hi");
  EXPECT_EQ(site.read("across.cnt"), "000002\n\n");
  EXPECT_EQ(site.read("across.log"), log_line("000002", "hi"));
}

// ---- filter and logs ----------------------------------------------------

struct FilterCase {
  const char *program;
  std::optional<std::string> foul;  // foul-language list; nullopt: none
  std::string query;
  const char *log;  // the log that gets the line; nullptr: neither
  std::string stored;
  bool refused;
};

const FilterCase kFilterCases[] = {
    {kCurrent, "darn\nheck\n", "r=darn", "bad_across.log", "darn", true},
    {kCurrent, "darn \t heck", "r=oheckno", "bad_across.log", "oheckno", true},
    {kCurrent, "darn", "r=DARN", "across.log", "darn", false},
    {kCurrent, std::nullopt, "r=darn", "across.log", "darn", false},
    {kCurrent, "a+b", "r=a+b", "bad_across.log", "a+b", true},
    {kCurrent, "%21", "r=wow%21", "bad_across.log", "wow%21", true},
    {kCurrent, "darn", "r=", nullptr, "", true},
    {kCurrent, std::nullopt, "x=darn", nullptr, "", true},
    {kEarlier, "darn", "r=", nullptr, "", false},
    {kEarlier, "darn", "r=darn", "bad_across.log", "darn", true},
    // a pattern longer than 79 characters is matched whole
    {kEarlier, std::string(100, 'x'), "r=" + std::string(100, 'x'), "bad_across.log",
     std::string(100, 'x'), true},
    {kEarlier, std::string(100, 'x'), "r=" + std::string(90, 'x'), "across.log",
     std::string(90, 'x'), false},
};

TEST(AcrossFilter, LogsTheWordWhereItsVerdictSays) {
  for (const FilterCase &c : kFilterCases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.query);
    Site site;
    if (c.foul) write_file(site.at("foul.language"), *c.foul);
    std::string page = site.page(c.program, c.query.c_str());
    const char *other =
        c.log && std::string(c.log) == "across.log" ? "bad_across.log" : "across.log";
    if (c.log != nullptr) {
      EXPECT_EQ(site.read(c.log), log_line("000001", c.stored));
      EXPECT_EQ(site.read(other), "<none>");
    } else {
      EXPECT_EQ(site.read("across.log"), "<none>");
      EXPECT_EQ(site.read("bad_across.log"), "<none>");
    }
    if (c.refused)
      EXPECT_EQ(page, greeting() + kRefusal);
    else
      EXPECT_TRUE(page.ends_with(c.program == kCurrent ? kCurrentFooter : kEarlierFooter)) << page;
  }
}

TEST(AcrossFilter, ARefusedWordRaisesTheCount) {
  Site site;
  write_file(site.at("across.cnt"), "000041\n\n");
  write_file(site.at("foul.language"), "darn\n");
  site.page(kCurrent, "r=darn");
  EXPECT_EQ(site.read("across.cnt"), "000042\n\n");
  EXPECT_EQ(site.read("bad_across.log"), log_line("000042", "darn"));
}

struct LogFailedCase {
  const char *query;
  const char *unopenable;  // made a directory
  std::string after_greeting;
};

const LogFailedCase kLogFailedCases[] = {
    {"r=abc", "across.log",
     kLogFailed + "<p>Original input was: abc<br>\n" + kGridHead + grid(rotations("abc")) +
         kBoxOpening + kCurrentFooter},
    {"r=darn", "bad_across.log", kLogFailed + kRefusal},
};

TEST(AcrossFilter, ALogThatCannotBeOpenedIsReportedAndThePageGoesOn) {
  for (const LogFailedCase &c : kLogFailedCases) {
    SCOPED_TRACE(c.query);
    Site site;
    write_file(site.at("foul.language"), "darn");
    fs::create_directory(site.at(c.unopenable));
    EXPECT_EQ(site.page(kCurrent, c.query), greeting() + c.after_greeting);
    EXPECT_EQ(site.read("across.cnt"), "000001\n\n");
  }
}

TEST(AcrossFilter, ALockFileThatCannotBeOpenedLeavesThePageWorking) {
  Site site;
  fs::create_symlink("missing/lock", site.at("across.lock"));
  EXPECT_EQ(site.page(kCurrent, "r=abc"), greeting() + "<p>Original input was: abc<br>\n" +
                                              kGridHead + grid(rotations("abc")) + kBoxOpening +
                                              " abc\n" + kCurrentFooter);
  EXPECT_EQ(site.read("across.cnt"), "000001\n\n");
}

// ---- page ---------------------------------------------------------------

TEST(AcrossPage, CurrentEditionWholePage) {
  Site site;
  EXPECT_EQ(site.page(kCurrent, "r=abc"), greeting() + "<p>Original input was: abc<br>\n" +
                                              kGridHead +
                                              "<td>a</td><td>b</td><td>c</td><tr>\n"
                                              "<td>b</td><td>c</td><td>a</td><tr>\n"
                                              "<td>c</td><td>a</td><td>b</td><tr>\n" +
                                              kBoxOpening + " abc\n" + kCurrentFooter);
  EXPECT_FALSE(file_exists(site.at("temp")));
}

TEST(AcrossPage, EarlierEditionWithoutAWordShowsAnEmptyPage) {
  Site site;
  EXPECT_EQ(site.page(kEarlier, "r="), greeting() + "<p>Original input was: <br>\n" + kGridHead +
                                           kBoxOpening + kEarlierFooter);
  EXPECT_EQ(site.read("across.log"), "<none>");
  EXPECT_FALSE(file_exists(site.at("temp")));
}

struct ShownCase {
  const char *program;
  std::string query;
  std::string shown;   // on the input line and gridded
  std::string stored;  // in the log
};

const std::string kSeventy =
    "abcdefghij0123456789ABCDEFGHIJabcdefghij0123456789ABCDEFGHIJabcdefghij";

const ShownCase kShownCases[] = {
    {kCurrent, "r=abc", "abc", "abc"},
    {kCurrent, "r=a+b", "a b", "a+b"},
    {kCurrent, "r=AbC", "AbC", "abc"},
    {kCurrent, "r=%41", "A", "%41"},
    {kCurrent, "r=a%2Bb", "a+b", "a%2bb"},
    {kCurrent, "r=" + kSeventy, kSeventy.substr(0, 64),
     "abcdefghij0123456789abcdefghijabcdefghij0123456789abcdefghijabcd"},
    {kEarlier, "r=" + kSeventy, kSeventy,
     "abcdefghij0123456789abcdefghijabcdefghij0123456789abcdefghijabcdefghij"},
    {kCurrent, "r=a<b>", "a.b.", "a.b."},
    {kEarlier, "r=a<B>", "a(B)", "a(b)"},
    {kCurrent, "r=x,y_z", "x.y.z", "x.y.z"},
    {kEarlier, "r=x_z", "x_z", "x_z"},
    {kCurrent, "r=ab%00cd", "ab", "ab%00cd"},
    {kCurrent, "x=1&r=hi&r=no", "hi", "hi"},
};

TEST(AcrossPage, ShowsTheDecodedWordAndItsRotationsAndLogsItsStoredForm) {
  for (const ShownCase &c : kShownCases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.query);
    Site site;
    std::string page = site.page(c.program, c.query.c_str());
    EXPECT_EQ(between(page, "<p>Original input was: ", "<br>\n"), c.shown);
    EXPECT_EQ(between(page, kGridHead, kBoxOpening), grid(rotations(c.shown)));
    EXPECT_EQ(site.read("across.log"), log_line("000001", c.stored));
  }
}

TEST(AcrossPage, ListsStoredWordsDecodedSortedIgnoringCaseOncePerWord) {
  Site site;
  write_file(site.at("across.log"),
             "000001, banana, 10.0.0.1, Mon Jan  1 00:00:00 2024\n"
             "000002, hello+world, 10.0.0.1, Mon Jan  1 00:00:01 2024\n"
             "000003, Date, 10.0.0.1, Mon Jan  1 00:00:02 2024\n"
             "000004, 2cats, 10.0.0.1, Mon Jan  1 00:00:03 2024\n"
             "000005, %41pple, 10.0.0.1, Mon Jan  1 00:00:04 2024\n"
             "000006, apple, 10.0.0.1, Mon Jan  1 00:00:05 2024\n");
  write_file(site.at("across.cnt"), "000006\n\n");
  site.page(kCurrent, "r=Cherry");
  std::string page = site.page(kCurrent, "r=BANANA");
  EXPECT_EQ(listing(page), " Apple\n 2cats\n apple\n banana\n cherry\n Date\n hello world\n");
  EXPECT_FALSE(file_exists(site.at("temp")));
}

TEST(AcrossPage, TempFileThatCannotBeMadeIsReportedInTheBox) {
  Site site;
  // A link into a directory that does not exist: the shell cannot create
  // the temp file through it, and nothing can open it.
  fs::create_symlink("missing/temp", site.at("temp"));
  std::string page = site.page(kCurrent, "r=abc");
  EXPECT_EQ(listing(page), "\n unable to access temp in list words\n");
  EXPECT_TRUE(page.ends_with(kCurrentFooter));
}

// ---- visitor text is escaped on the page, stored encoded ----------------

struct EscapeCase {
  const char *program;
  const char *query;
  const char *address;
  std::string shown_address;
  std::string input_line;
  std::string grid;
  std::string listing;
  std::string stored;
};

const EscapeCase kEscapeCases[] = {
    {kCurrent, "r=%3C%26%22", "<script>", "&lt;script&gt;", "&lt;&amp;&quot;",
     "<td>&lt;</td><td>&amp;</td><td>&quot;</td><tr>\n"
     "<td>&amp;</td><td>&quot;</td><td>&lt;</td><tr>\n"
     "<td>&quot;</td><td>&lt;</td><td>&amp;</td><tr>\n",
     " &lt;&amp;&quot;\n", "%3c%26%22"},
    {kEarlier, "r=%3Cb%3E'", "10.0.0.1\"'", "10.0.0.1&quot;&#39;", "&lt;b&gt;&#39;",
     "<td>&lt;</td><td>b</td><td>&gt;</td><td>&#39;</td><tr>\n"
     "<td>b</td><td>&gt;</td><td>&#39;</td><td>&lt;</td><tr>\n"
     "<td>&gt;</td><td>&#39;</td><td>&lt;</td><td>b</td><tr>\n"
     "<td>&#39;</td><td>&lt;</td><td>b</td><td>&gt;</td><tr>\n",
     " &lt;b&gt;&#39;\n", "%3cb%3e'"},
};

TEST(AcrossEscaping, VisitorTextIsEscapedInEveryPlaceItIsShown) {
  for (const EscapeCase &c : kEscapeCases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.query);
    Site site;
    ProgramResult r = site.request(c.program, c.query, c.address);
    std::string page = mask_time(r.out);
    EXPECT_TRUE(page.starts_with(greeting(c.shown_address))) << page;
    EXPECT_EQ(between(page, "<p>Original input was: ", "<br>\n"), c.input_line);
    EXPECT_EQ(between(page, kGridHead, kBoxOpening), c.grid);
    EXPECT_EQ(listing(page), c.listing);
    EXPECT_EQ(site.read("across.log"), "000001, " + c.stored + ", " + c.address + ", TIME\n");
  }
}

// ---- the environment ------------------------------------------------------

TEST(AcrossEnvironment, UnsetVariablesServeAsEmpty) {
  Site site;
  ProgramResult r = site.request(kCurrent, nullptr, nullptr);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(mask_time(r.out), greeting("") + kRefusal);
}

struct LongQueryCase {
  std::string query;
  const char *shown;  // nullptr: no word found
};

const LongQueryCase kLongQueryCases[] = {
    {"x=" + std::string(3000, 'a') + "&r=abc", nullptr},
    {"r=abc&x=" + std::string(3000, 'a'), "abc"},
    // "r=abcdefgh" straddles byte 2047: only its first six letters count
    {"x=" + std::string(2036, 'a') + "&r=abcdefgh", "abcdef"},
};

TEST(AcrossEnvironment, OnlyTheFirst2047BytesOfTheQueryCount) {
  for (const LongQueryCase &c : kLongQueryCases) {
    SCOPED_TRACE(c.query.size());
    Site site;
    std::string page = site.page(kCurrent, c.query.c_str());
    if (c.shown == nullptr)
      EXPECT_EQ(page, greeting() + kRefusal);
    else
      EXPECT_EQ(between(page, "<p>Original input was: ", "<br>\n"), c.shown);
  }
}

// In-process: the greeting and the log line carry asctime's text of the
// time handed in, in the local time zone.
TEST(AcrossEnvironment, RequestTimeIsAsctimeOfLocalTime) {
  const std::time_t times[] = {1000000000, 1783000000, 1356998399};
  ScopedTimeZone zone("America/New_York");
  fs::path old_cwd = fs::current_path();
  for (std::time_t t : times) {
    SCOPED_TRACE(t);
    Site site;
    fs::current_path(site.cgi);
    std::string page =
        capture([&](FILE *out) { across_page(out, "r=hi", "10.1.1.1", t, Edition::kCurrent); });
    fs::current_path(old_cwd);
    std::string stamp = std::asctime(std::localtime(&t));
    EXPECT_TRUE(page.starts_with("<p><h3><center>Thank you for visiting my site on " + stamp +
                                 " \n<p>from 10.1.1.1.\n"))
        << page;
    EXPECT_EQ(read_file(site.at("across.log")), "000001, hi, 10.1.1.1, " + stamp);
  }
}

// ---- concurrency ------------------------------------------------------------

TEST(AcrossConcurrency, SimultaneousRequestsLoseNoCountAndShareNoListing) {
  constexpr std::size_t kRequests = 40;
  Site site;
  write_file(site.at("across.cnt"), "000100\n\n");
  std::vector<ProgramResult> results(kRequests);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < kRequests; ++i)
    threads.emplace_back([&, i] {
      std::string query = "r=w" + std::to_string(i);
      results[i] = site.request(kCurrent, query.c_str());
    });
  for (std::thread &t : threads) t.join();

  EXPECT_EQ(site.read("across.cnt"), "000140\n\n");
  std::set<std::string> counts;
  std::string log = read_file(site.at("across.log"));
  std::size_t lines = 0;
  for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1, ++lines)
    counts.insert(log.substr(at, 6));
  EXPECT_EQ(lines, kRequests);
  EXPECT_EQ(counts.size(), kRequests);
  EXPECT_EQ(*counts.begin(), "000101");
  EXPECT_EQ(*counts.rbegin(), "000140");
  // Each page lists every word logged up to its own: 1, 2, ... 40 lines.
  std::set<std::ptrdiff_t> listed;
  for (const ProgramResult &r : results) {
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("unable to access temp"), std::string::npos);
    EXPECT_EQ(r.out.find("Log Failed!"), std::string::npos);
    std::string words = listing(r.out);
    listed.insert(std::count(words.begin(), words.end(), '\n'));
  }
  EXPECT_EQ(listed.size(), kRequests);
  EXPECT_EQ(*listed.begin(), 1);
  EXPECT_FALSE(file_exists(site.at("temp")));
}

}  // namespace
