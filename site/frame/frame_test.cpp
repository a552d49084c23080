#include "site/frame/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

Response serve(const FrameRequest &r, const FramePage *pages = kSitePages,
               std::size_t count = kSitePageCount) {
  return parse(capture([&](FILE *out) { serve_request(out, r, pages, count); }));
}

const std::string kLong(3000, 'x');

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
        StatusCase{"EncodedName", "GET", "/cgi-bin/ro%6Fts.pl", "", "200 OK"},
        StatusCase{"HeadOfAPage", "HEAD", "/cgi-bin/quindle.pl", "", "200 OK"},
        StatusCase{"UnknownProgram", "GET", "/cgi-bin/sh.pl", "", "404 Not Found"},
        StatusCase{"NoSuffix", "GET", "/cgi-bin/roots", "", "404 Not Found"},
        StatusCase{"OutsideCgiBin", "GET", "/roots.pl", "", "404 Not Found"},
        StatusCase{"FrameItself", "GET", "/cgi-bin/frame", "", "404 Not Found"},
        StatusCase{"HeadOfUnknown", "HEAD", "/cgi-bin/x.pl", "", "404 Not Found"},
        StatusCase{"Post", "POST", "/cgi-bin/across.pl", "r=word", "405 Method Not Allowed"},
        StatusCase{"Delete", "DELETE", "/cgi-bin/across.pl", "r=word", "405 Method Not Allowed"},
        StatusCase{"Put", "PUT", "/cgi-bin/roots.pl", "", "405 Method Not Allowed"},
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
// itself prints for the same query.
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
  std::size_t at = r.body.find("<main>\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(r.body.substr(at + 7, program.out.size()), program.out);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, FrameFragment,
    testing::Values(ProgramCase{"kestrum", "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000"},
                    ProgramCase{"kestrum", "html=1&year=%3Cb%3E"},
                    ProgramCase{"bolvey", "bizmiles=1000&rate=.5&date1=2/30/20"},
                    ProgramCase{"roots", "root=3&real=8&imaginary=0"},
                    ProgramCase{"circles", "length=2&length_num=1&length_den=2&dimension=radius"},
                    ProgramCase{"quindle", "month=2&day=30&year=2020"}),
    [](const testing::TestParamInfo<ProgramCase> &info) {
      return std::string(info.param.program) + std::to_string(info.index);
    });

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

// A test table: one page that counts its runs, one that fails.
int runs = 0;
int counting(FILE *out, const FrameRequest &) {
  ++runs;
  std::fputs("<p>ran</p>", out);
  return kPageDone;
}
int failing(FILE *out, const FrameRequest &) {
  std::fputs("<p>half a page", out);
  return 7;
}
const FramePage kTestPages[] = {{"counting", "Counting", counting, nullptr, true, false},
                                {"failing", "Failing", failing, nullptr, false, false}};

TEST(FramePages, HeadRunsNoPage) {
  runs = 0;
  Response r = serve(request("HEAD", "/cgi-bin/counting.pl", ""), kTestPages, 2);
  EXPECT_EQ(r.status, "200 OK");
  EXPECT_EQ(runs, 0);
  serve(request("GET", "/cgi-bin/counting.pl", ""), kTestPages, 2);
  EXPECT_EQ(runs, 1);
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
