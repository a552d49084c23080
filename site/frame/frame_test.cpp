#include "site/frame/frame.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "site/frame/memory_stream.h"
#include "testsupport/run_program.h"

namespace {

struct Response {
  std::string status;   // "404 Not Found"
  std::string headers;  // every header line after Status, CRLF-terminated
  std::string body;
};

Response parse(const std::string &text) {
  Response response;
  std::size_t end = text.find("\r\n\r\n");
  std::size_t first = text.find("\r\n");
  if (text.rfind("Status: ", 0) != 0 || end == std::string::npos) return response;
  response.status = text.substr(8, first - 8);
  response.headers = text.substr(first + 2, end + 2 - first - 2);
  response.body = text.substr(end + 4);
  return response;
}

FrameRequest request(const char *method, const char *uri, const char *query) {
  FrameRequest r{};
  r.method = method;
  r.uri = uri;
  r.query = query;
  r.remote_addr = "192.0.2.1";
  r.tz = "UTC";
  r.now = 1600000000;
  return r;
}

Response serve(const FrameRequest &r, const PageDef *const *pages = kSitePages,
               std::size_t count = kSitePageCount) {
  return parse(capture([&](FILE *out) { serve_request(out, r, pages, count); }));
}

const std::string kLong(3000, 'x');
// Addresses of 255, 256 and 257 bytes, each ending in the suffix of a page.
std::string address_of(std::size_t length) {
  return "/cgi-bin/" + std::string(length - 12, 'r') + ".pl";
}
const std::string kPath255 = address_of(255), kPath256 = address_of(256),
                  kPath257 = address_of(257);

struct StatusCase {
  const char *name;
  const char *method;
  const char *uri;
  const char *query;
  const char *status;
};

class FrameStatus : public testing::TestWithParam<StatusCase> {};

// Every answer is a whole document of the site with the status the case
// calls for; errors carry the way home too.
TEST_P(FrameStatus, AnswersWithTheStatus) {
  const StatusCase &c = GetParam();
  Response r = serve(request(c.method, c.uri, c.query));
  EXPECT_EQ(r.status, c.status);
  if (std::strcmp(c.method, "HEAD") == 0) {
    EXPECT_EQ(r.body, "");
  } else {
    EXPECT_EQ(r.body.rfind("<!DOCTYPE html>\n", 0), 0u) << r.body;
    EXPECT_NE(r.body.find("<a href=\"/\">All tools</a>"), std::string::npos);
  }
  if (std::strcmp(c.status, "405 Method Not Allowed") == 0) {
    EXPECT_NE(r.headers.find("Allow: GET, HEAD\r\n"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FrameStatus,
    testing::Values(
        StatusCase{"Roots", "GET", "/cgi-bin/roots.pl?root=3", "root=3", "200 OK"},
        StatusCase{"EscapedName", "GET", "/cgi-bin/ro%6Fts.pl", "", "404 Not Found"},
        StatusCase{"LooseEscape", "GET", "/cgi-bin/%7!cross.pl", "", "404 Not Found"},
        StatusCase{"EscapedSuffix", "GET", "/cgi-bin/roots%2Epl", "", "404 Not Found"},
        StatusCase{"HeadOfAPage", "HEAD", "/cgi-bin/quindle.pl", "", "200 OK"},
        StatusCase{"UnknownProgram", "GET", "/cgi-bin/sh.pl", "", "404 Not Found"},
        StatusCase{"NoSuffix", "GET", "/cgi-bin/roots", "", "404 Not Found"},
        StatusCase{"OutsideCgiBin", "GET", "/roots.pl", "", "404 Not Found"},
        StatusCase{"FrameItself", "GET", "/cgi-bin/frame", "", "404 Not Found"},
        StatusCase{"HeadOfUnknown", "HEAD", "/cgi-bin/x.pl", "", "404 Not Found"},
        StatusCase{"Post", "POST", "/cgi-bin/across.pl", "r=word", "405 Method Not Allowed"},
        StatusCase{"Delete", "DELETE", "/cgi-bin/across.pl", "r=word", "405 Method Not Allowed"},
        StatusCase{"Put", "PUT", "/cgi-bin/roots.pl", "", "405 Method Not Allowed"},
        StatusCase{"PostToUnknown", "POST", "/cgi-bin/x.pl", "", "405 Method Not Allowed"},
        StatusCase{"Path255", "GET", kPath255.c_str(), "", "404 Not Found"},
        StatusCase{"Path256", "GET", kPath256.c_str(), "", "404 Not Found"},
        StatusCase{"Path257", "GET", kPath257.c_str(), "", "404 Not Found"},
        StatusCase{"LongDatesQuery", "GET", "/cgi-bin/kestrum.pl", kLong.c_str(),
                   "414 URI Too Long"},
        StatusCase{"LongCompactQuery", "GET", "/cgi-bin/bolvey.pl", kLong.c_str(),
                   "414 URI Too Long"},
        StatusCase{"HeadOfLongQuery", "HEAD", "/cgi-bin/kestrum.pl", kLong.c_str(),
                   "414 URI Too Long"},
        StatusCase{"Source", "GET", "/cgi-bin/source.pl", "s=../sources/across", "200 OK"},
        StatusCase{"SourceEncoded", "GET", "/cgi-bin/source.pl", "s=..%2Fsources%2Facross",
                   "200 OK"},
        StatusCase{"SourceNoName", "GET", "/cgi-bin/source.pl", "", "404 Not Found"},
        StatusCase{"SourceOtherFile", "GET", "/cgi-bin/source.pl", "s=../data/across.log",
                   "404 Not Found"},
        StatusCase{"SourceClimbing", "GET", "/cgi-bin/source.pl",
                   "s=../sources/across/../../../etc/passwd", "404 Not Found"},
        StatusCase{"SourceTruncated", "GET", "/cgi-bin/source.pl", "s=../sources/across%00x",
                   "404 Not Found"},
        StatusCase{"SourceAbsolute", "GET", "/cgi-bin/source.pl", "s=/etc/passwd",
                   "404 Not Found"}),
    [](const testing::TestParamInfo<StatusCase> &info) { return info.param.name; });

// The fragment inside the document is byte for byte what the program
// itself prints for the same query, right after <main> or the heading the
// frame adds.
struct ProgramCase {
  const char *program;
  const char *query;
};

class FrameFragment : public testing::TestWithParam<ProgramCase> {};

TEST_P(FrameFragment, IsTheProgramsOutput) {
  const ProgramCase &c = GetParam();
  std::string uri = std::string("/cgi-bin/") + c.program + ".pl";
  Response r = serve(request("GET", uri.c_str(), c.query));
  ProgramResult program = run_cgi(c.program, c.query, {"TZ=UTC", "LANG=C"});
  ASSERT_EQ(r.status, "200 OK");
  ASSERT_FALSE(program.out.empty());
  std::size_t at = r.body.find(program.out);
  ASSERT_NE(at, std::string::npos) << "the program's output is not in the document whole";
  std::string before = r.body.substr(0, at);
  EXPECT_TRUE(before.ends_with("<main>\n") || before.ends_with("</h1>\n")) << before;
}

// Every calculator of the table with its form's example, and a few more.
std::vector<ProgramCase> fragmentCases() {
  std::vector<ProgramCase> cases = {{"kestrum", "html=1&year=%3Cb%3E"},
                                    {"bolvey", "bizmiles=1000&rate=.5&date1=2/30/20"},
                                    {"quindle", "month=2&day=30&year=2020"}};
  for (std::size_t i = 0; i < kSitePageCount; ++i)
    if (kSitePages[i]->form != nullptr && !kSitePages[i]->changes_data)
      cases.push_back({kSitePages[i]->name, kSitePages[i]->form->example});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Programs, FrameFragment, testing::ValuesIn(fragmentCases()),
                         [](const testing::TestParamInfo<ProgramCase> &info) {
                           return std::string(info.param.program) + std::to_string(info.index);
                         });

// Answers the whole suite once got wrong, each through the frame: numbers
// with leading zeros are decimal, a date in a zone whose daylight saving is
// negative, the numeric locale's variables in their order (an empty one is
// no locale's name).
struct AnswerCase {
  const char *name, *program, *query, *tz;
  const char *lc_all, *lc_numeric, *lang;
  const char *shown;
};

void PrintTo(const AnswerCase &c, std::ostream *out) { *out << c.name; }

const AnswerCase kAnswers[] = {
    {"RootIndex010", "roots", "root=010&real=1", "UTC", nullptr, nullptr, nullptr, "<sup>10</sup>"},
    {"Month010", "quindle", "month=010&day=010&year=2021", "UTC", nullptr, nullptr, nullptr,
     "October 10, 2021 is day 283"},
    {"Length010", "circles", "length=010&dimension=radius", "UTC", nullptr, nullptr, nullptr,
     "Circles radius is  10  (10.000)"},
    {"Year010", "kestrum", "html=1&year=010", "UTC", nullptr, nullptr, nullptr,
     "010 was not a leap year."},
    {"Miles010", "bolvey", "bizmiles=010&rate=1", "UTC", nullptr, nullptr, nullptr,
     "went 10 business miles"},
    {"DublinWinter", "quindle", "month=1&day=15&year=2021", "Europe/Dublin", nullptr, nullptr,
     nullptr, "Friday,   January 15, 2021 is day  15 of 2021."},
    {"LangGermany", "bolvey", "bizmiles=1000&rate=1", "UTC", nullptr, nullptr, "de_DE.UTF-8",
     "$1,000/mile"},
    {"EmptyLcAllSkipped", "bolvey", "bizmiles=1000&rate=1", "UTC", "", nullptr, "de_DE.UTF-8",
     "$1,000/mile"},
    {"LcAllBeforeLang", "bolvey", "bizmiles=1000&rate=1", "UTC", "C", nullptr, "de_DE.UTF-8",
     "$1.000/mile"},
    {"LcNumericBeforeLang", "bolvey", "bizmiles=1000&rate=1", "UTC", nullptr, "de_DE.UTF-8", "C",
     "$1,000/mile"},
    {"LcAllBeforeLcNumeric", "bolvey", "bizmiles=1000&rate=1", "UTC", "de_DE.UTF-8", "en_US.UTF-8",
     nullptr, "went 1.000 business miles"},
    {"LcAllBeforeLcNumericUs", "bolvey", "bizmiles=1000&rate=1", "UTC", "en_US.UTF-8",
     "de_DE.UTF-8", "de_DE.UTF-8", "went 1,000 business miles"},
};

class FrameAnswer : public testing::TestWithParam<AnswerCase> {};

TEST_P(FrameAnswer, Shows) {
  const AnswerCase &c = GetParam();
  std::string uri = std::string("/cgi-bin/") + c.program + ".pl";
  FrameRequest r = request("GET", uri.c_str(), c.query);
  r.tz = c.tz;
  r.lc_all = c.lc_all;
  r.lc_numeric = c.lc_numeric;
  r.lang = c.lang;
  Response response = serve(r);
  EXPECT_EQ(response.status, "200 OK");
  EXPECT_NE(response.body.find(c.shown), std::string::npos) << response.body;
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameAnswer, testing::ValuesIn(kAnswers),
                         [](const testing::TestParamInfo<AnswerCase> &info) {
                           return std::string(info.param.name);
                         });

// HEAD answers as GET would, the length limit included, without a body or
// its length; the guest book's editions are never cached.
TEST(FrameHead, HeadersAreGetsWithoutTheLength) {
  const std::string at2047 = "year=" + std::string(2042, '9'), at2048 = at2047 + "9";
  for (const char *uri : {"/cgi-bin/kestrum.pl", "/cgi-bin/bolvey.pl", "/cgi-bin/across.pl",
                          "/cgi-bin/across-earlier.pl"}) {
    for (const std::string &query : {at2047, at2048}) {
      SCOPED_TRACE(std::string(uri) + " " + std::to_string(query.size()));
      FrameRequest head = request("HEAD", uri, query.c_str());
      Response answer = serve(head);
      if (std::strstr(uri, "across") != nullptr) {
        EXPECT_NE(answer.headers.find("Cache-Control: no-store\r\n"), std::string::npos);
        continue;
      }
      Response get = serve(request("GET", uri, query.c_str()));
      EXPECT_EQ(answer.status, get.status);
      const std::size_t at = get.headers.find("Content-Length: ");
      ASSERT_NE(at, std::string::npos);
      EXPECT_EQ(answer.headers, get.headers.erase(at, get.headers.find("\r\n", at) + 2 - at));
    }
  }
}

// A server that rewrote the address gives the page as PATH_INFO alone.
TEST(FrameRouting, ByPathInfoWithoutAnAddress) {
  FrameRequest r = request("GET", nullptr, "month=3&day=14&year=2021");
  r.path_info = "/quindle";
  Response response = serve(r);
  EXPECT_EQ(response.status, "200 OK");
  EXPECT_NE(response.body.find("day  73 of 2021"), std::string::npos);
}

// The document of a status the site does not know is the 500 one.
TEST(FrameErrors, AnUnknownStatusIs500) {
  const std::string internal = capture([](FILE *out) { write_error_document(out, 500); });
  EXPECT_NE(internal.find("<h1>500 Internal Server Error</h1>"), std::string::npos);
  for (int status : {0, 299, 418, 999, -404})
    EXPECT_EQ(capture([&](FILE *out) { write_error_document(out, status); }), internal) << status;
}

// An answer ends in its page's form, filled in with what was asked
// (escaped); a query that fills no text field of the form gets the form
// and a prompt instead of an answer.
struct FormCase {
  const char *name, *program, *query;
  bool prompt;        // the form under a prompt, no answer
  const char *shows;  // what the document's form holds
};

class FrameForm : public testing::TestWithParam<FormCase> {};

TEST_P(FrameForm, FollowsEveryAnswerOrStandsAlone) {
  const FormCase &c = GetParam();
  std::string uri = std::string("/cgi-bin/") + c.program + ".pl";
  Response r = serve(request("GET", uri.c_str(), c.query));
  ASSERT_EQ(r.status, "200 OK");
  EXPECT_NE(r.body.find("<form action=\"" + uri + "\">"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find(c.shows), std::string::npos) << r.body;
  EXPECT_EQ(r.body.find("<p class=\"prompt\">") != std::string::npos, c.prompt);
  EXPECT_EQ(r.body.find("<section class=\"again\"") != std::string::npos, !c.prompt);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FrameForm,
    testing::Values(FormCase{"EmptyQuery", "roots", "", true, "name=\"root\" size="},
                    FormCase{"OnlyACheckbox", "kestrum", "html=1", true, "value=\"1\" checked>"},
                    FormCase{"EmptyFields", "circles", "length=&length_num=&dimension=diameter",
                             true, "value=\"diameter\" checked"},
                    FormCase{"EmptyWord", "across", "r=", true, "maxlength=\"64\""},
                    FormCase{"AnswerFilledIn", "quindle", "month=2&day=30&year=2021", false,
                             "name=\"year\" value=\"2021\""},
                    FormCase{"EchoEscaped", "roots", "root=3&real=%22%3E%3Cb%3E", false,
                             "value=\"&quot;&gt;&lt;b&gt;\""}),
    [](const testing::TestParamInfo<FormCase> &info) { return info.param.name; });

// After an answer that changes data the form is for the next word: its
// field is empty whatever the query sent.
TEST(FrameForm, AnotherWordStartsEmpty) {
  PageDef book = *find_page("across", kSitePages, kSitePageCount);  // its page logs nothing
  book.page = [](const PageRequest &, FILE *out, FILE *) {
    std::fputs("<p>taken</p>", out);
    return 0;
  };
  const PageDef *const pages[] = {&book};
  Response r = serve(request("GET", "/cgi-bin/across.pl", "r=hello"), pages, 1);
  const std::size_t again = r.body.find("Leave another word");
  ASSERT_NE(again, std::string::npos) << r.body;
  const std::size_t field = r.body.find("name=\"r\"", again);
  ASSERT_NE(field, std::string::npos) << r.body;
  EXPECT_EQ(r.body.find("hello", again), std::string::npos);
  EXPECT_EQ(r.body.substr(field, r.body.find('>', field) - field).find("value="), std::string::npos);
}

TEST(FrameHeaders, EveryResponseIsTypedAndLockedDown) {
  for (const char *uri : {"/cgi-bin/roots.pl", "/cgi-bin/none.pl"}) {
    Response r = serve(request("GET", uri, ""));
    for (const char *header :
         {"Content-Type: text/html; charset=utf-8\r\n", "X-Content-Type-Options: nosniff\r\n",
          "Referrer-Policy: same-origin\r\n", "frame-ancestors 'none'", "default-src 'none'"})
      EXPECT_NE(r.headers.find(header), std::string::npos) << uri << ": " << header;
    EXPECT_EQ(r.headers.find("unsafe-inline"), std::string::npos);
    EXPECT_NE(r.headers.find("Content-Length: " + std::to_string(r.body.size()) + "\r\n"),
              std::string::npos);
  }
  EXPECT_NE(serve(request("GET", "/cgi-bin/across.pl", "")).headers.find("Cache-Control: no-store"),
            std::string::npos);
}

// The guest book on the site, in both editions: a second word from one
// address within the wait is a framed 429 with Retry-After and the form, a
// word past the cap a framed 503; the settings turn either off.
TEST(FrameGuestBook, AppliesTheSitesFloodLimitAndCap) {
  struct Case {
    const char *name, *flood, *cap;
    const char *status;  // of the second word
    const char *says;
  };
  const Case cases[] = {
      {"Defaults", nullptr, nullptr, "429 Too Many Requests", "one word every 15 seconds"},
      {"FloodOff", "0", nullptr, "200 OK", "Original input was: two"},
      {"ShorterWait", "5", nullptr, "429 Too Many Requests", "one word every 5 seconds"},
      {"Full", "0", "60", "503 Service Unavailable", "The guest book is full for now"},
  };
  for (const char *uri : {"/cgi-bin/across.pl", "/cgi-bin/across-earlier.pl"})
    for (const Case &c : cases) {
      SCOPED_TRACE(std::string(uri) + " " + c.name);
      TempDir tmp;
      std::filesystem::create_directories(tmp / "cgi-bin");
      std::filesystem::create_directories(tmp / "data");
      std::filesystem::path old_cwd = std::filesystem::current_path();
      std::filesystem::current_path(tmp / "cgi-bin");
      FrameRequest first = request("GET", uri, "r=one");
      first.flood_seconds = c.flood;
      first.log_max_bytes = c.cap;
      FrameRequest second = first;
      second.query = "r=two";
      Response one = serve(first), two = serve(second);
      std::filesystem::current_path(old_cwd);
      EXPECT_EQ(one.status, "200 OK");
      EXPECT_EQ(two.status, c.status);
      EXPECT_NE(two.body.find(c.says), std::string::npos) << two.body;
      EXPECT_EQ(two.headers.find("Retry-After: ") != std::string::npos, c.status[0] == '4');
      if (c.status[0] == '4') {
        EXPECT_NE(two.headers.find(std::string("Retry-After: ") + (c.flood ? c.flood : "15")),
                  std::string::npos);
        EXPECT_NE(two.body.find("name=\"r\""), std::string::npos) << "no form";
      }
      EXPECT_NE(two.headers.find("Cache-Control: no-store"), std::string::npos);
      EXPECT_EQ(read_file(tmp / "data/across.log").find("two") != std::string::npos,
                c.status[0] == '2');
    }
}

// A test table: one page that counts its runs, one that fails, two that
// draw a figure, whole or failing half-way.
int runs = 0;
int counting(const PageRequest &, FILE *out, FILE *) {
  ++runs;
  std::fputs("<p>ran</p>", out);
  return kPageDone;
}
int failing(const PageRequest &, FILE *out, FILE *) {
  std::fputs("<p>half a page", out);
  return 7;
}
int drawing(const PageRequest &, FILE *out, FILE *figure) {
  std::fputs("<p>answer</p>", out);
  std::fputs("<svg>whole</svg>", figure);
  return kPageDone;
}
int half_drawing(const PageRequest &, FILE *out, FILE *figure) {
  std::fputs("<p>answer</p>", out);
  std::fputs("<svg>half", figure);
  return kPageNoFigure;
}
const PageDef kCounting = {.name = "counting", .title = "Counting", .page = counting,
                           .changes_data = true};
const PageDef kFailing = {.name = "failing", .title = "Failing", .page = failing};
const PageDef kDrawing = {.name = "drawing", .title = "Drawing", .page = drawing};
const PageDef kHalfDrawing = {.name = "half", .title = "Half", .page = half_drawing};
const PageDef *const kTestPages[] = {&kCounting, &kFailing, &kDrawing, &kHalfDrawing};

TEST(FramePages, AFigureFollowsItsAnswerAndAHalfDrawnOneIsLeftOutWhole) {
  Response whole = serve(request("GET", "/cgi-bin/drawing.pl", ""), kTestPages, 4);
  EXPECT_EQ(whole.status, "200 OK");
  EXPECT_NE(whole.body.find("<p>answer</p><svg>whole</svg>"), std::string::npos) << whole.body;
  Response half = serve(request("GET", "/cgi-bin/half.pl", ""), kTestPages, 4);
  EXPECT_EQ(half.status, "200 OK");
  EXPECT_NE(half.body.find("<p>answer</p>"), std::string::npos);
  EXPECT_EQ(half.body.find("<svg"), std::string::npos) << half.body;
  // Nor does it reach the next answer's figure.
  whole = serve(request("GET", "/cgi-bin/drawing.pl", ""), kTestPages, 4);
  EXPECT_EQ(whole.body.find("half"), std::string::npos);
}

// The index's list comes from the table: a row whose form page is built
// but that has no line there (nor a link in another's) is unreachable.
TEST(FramePages, EveryFormPageIsLinkedFromTheIndex) {
  const std::string htdocs = SITE_HTDOCS_DIR;
  const std::string index = read_file(htdocs + "/index.html");
  for (std::size_t i = 0; i < kSitePageCount; ++i) {
    const std::string page = std::string("/") + kSitePages[i]->name + ".html";
    if (kSitePages[i]->form == nullptr || access((htdocs + page).c_str(), F_OK) != 0) continue;
    EXPECT_NE(index.find("<a href=\"" + page + "\">"), std::string::npos) << kSitePages[i]->name;
  }
}

TEST(FramePages, HeadRunsNoPage) {
  runs = 0;
  Response r = serve(request("HEAD", "/cgi-bin/counting.pl", ""), kTestPages, 2);
  EXPECT_EQ(r.status, "200 OK");
  EXPECT_EQ(runs, 0);
  serve(request("GET", "/cgi-bin/counting.pl", ""), kTestPages, 2);
  EXPECT_EQ(runs, 1);
}

// The answer of a worker that cannot serve (it could not enter its
// directory) is the site's 500, as for a failed page; HEAD leaves out the
// body and its length.
TEST(FramePages, AnErrorServedWithoutAPageIsTheSites) {
  Response failed = serve(request("GET", "/cgi-bin/failing.pl", ""), kTestPages, 2);
  FrameRequest get = request("GET", "/cgi-bin/roots.pl", "");
  Response error = parse(capture([&](FILE *out) { serve_error(out, get, 500); }));
  EXPECT_EQ(error.status, "500 Internal Server Error");
  EXPECT_EQ(error.headers, failed.headers);
  EXPECT_EQ(error.body, failed.body);
  FrameRequest head = request("HEAD", "/cgi-bin/roots.pl", "");
  Response head_error = parse(capture([&](FILE *out) { serve_error(out, head, 500); }));
  std::string length = "Content-Length: " + std::to_string(failed.body.size()) + "\r\n";
  EXPECT_EQ(head_error.status, error.status);
  EXPECT_EQ(head_error.headers.find("Content-Length"), std::string::npos);
  EXPECT_EQ(head_error.headers.size() + length.size(), error.headers.size());
  EXPECT_EQ(head_error.body, "");
}

TEST(FramePages, AFailedPageIsAFramed500WithoutItsHalfPage) {
  Response r = serve(request("GET", "/cgi-bin/failing.pl", ""), kTestPages, 2);
  EXPECT_EQ(r.status, "500 Internal Server Error");
  EXPECT_EQ(r.body.find("half a page"), std::string::npos);
  EXPECT_NE(r.body.find("<h1>500 Internal Server Error</h1>"), std::string::npos);
}

TEST(FramePages, SourceShowsTheGuestBookEscaped) {
  Response r = serve(request("GET", "/cgi-bin/source.pl", "s=../sources/across"));
  EXPECT_NE(r.body.find("<h2 id=\"f0\">"), std::string::npos);
  EXPECT_NE(r.body.find("#include &lt;cstdio&gt;"), std::string::npos);
  EXPECT_EQ(r.body.find("#include <cstdio>"), std::string::npos);
}

// A worker serves request after request: the locale and zone one request
// sets must not change the next one's answer.
TEST(FrameIsolation, NoLocaleOrZoneLeaksIntoTheNextRequest) {
  FrameRequest compact = request("GET", "/cgi-bin/bolvey.pl", "bizmiles=1000&rate=.5");
  std::string plain = serve(compact).body;
  FrameRequest grouped = compact;
  grouped.lang = "en_US.UTF-8";
  ASSERT_NE(serve(grouped).body, plain);
  serve(request("GET", "/cgi-bin/kestrum.pl", "year=2000"));
  EXPECT_EQ(serve(compact).body, plain);

  FrameRequest dates = request("GET", "/cgi-bin/quindle.pl", "month=3&day=14&year=2021");
  std::string utc = serve(dates).body;
  FrameRequest elsewhere = dates;
  elsewhere.tz = "America/Havana";
  serve(elsewhere);
  EXPECT_EQ(serve(dates).body, utc);
}

// The fragment's stream is kept from one request to the next: a short
// answer after a long one carries nothing of it, and after a failed page.
TEST(FrameIsolation, AShortAnswerAfterALongOneIsWhole) {
  FrameRequest roots = request("GET", "/cgi-bin/roots.pl", "root=3&real=8");
  const Response first = serve(roots);
  ASSERT_EQ(serve(request("GET", "/cgi-bin/source.pl", "s=../sources/across")).status, "200 OK");
  serve(request("GET", "/cgi-bin/failing.pl", ""), kTestPages, 2);
  EXPECT_EQ(serve(roots).body, first.body);
}

// An answer stream gives back a buffer grown past the bound it keeps.
TEST(MemoryStreams, AreEmptiedForEachAnswerAndShrinkAfterALargeOne) {
  MemoryStream memory;
  const std::string large(kMemoryStreamKept + 1, 'x');
  for (const std::string &text : {std::string("first answer"), large, std::string("short")}) {
    FILE *out = start_memory_stream(&memory);
    ASSERT_NE(out, nullptr);
    std::fputs(text.c_str(), out);
    ASSERT_TRUE(finish_memory_stream(&memory));
    EXPECT_EQ(std::string(memory.data, memory.size), text);
    EXPECT_EQ(memory.stream == nullptr, text.size() > kMemoryStreamKept);
  }
  std::fclose(memory.stream);
  std::free(memory.data);
}

}  // namespace
