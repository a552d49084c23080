#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "cgi-bin/kestrum/kestrum_site.h"
#include "testsupport/svg_parse.h"

namespace {

// The timeline belongs to the answer given as a page (html=1, read as a
// number), never to the text box, and needs both dates.
TEST(KestrumFigure, DrawnForAPageAnswerWithBothDates) {
  const std::string dates = "date1=1/1/2021&date2=7/1/2021", overlong(2100, 'x');
  const std::pair<std::string, int> kCases[] = {{dates + "&html=1", kPageDone},
                                                {dates + "&html=%31x", kPageDone},
                                                {dates, kPageNoFigure},
                                                {dates + "&html=01", kPageNoFigure},
                                                {"date1=1/1/2021&html=1", kPageNoFigure},
                                                {dates + "&html=1&x=" + overlong, kPageTooLong}};
  ScopedTimeZone zone("UTC");
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const auto &[query, expected] : kCases) {
    PageRequest request{query.c_str(), nullptr, "C", 0};
    int result = -1;
    std::FILE *fragment = std::tmpfile();
    const std::string figure =
        capture([&](FILE *out) { result = kKestrumPage.page(request, fragment, out); });
    std::fclose(fragment);
    EXPECT_EQ(result, expected) << query.substr(0, 60);
    if (result == kPageDone) expectFigureFrame(figure);
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
