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
  ScopedTimeZone zone("UTC");
  const std::string overlong = "html=1&date1=1/1/21&date2=1/2/21&x=" + std::string(2040, 'x');
  const struct {
    const char *name;
    std::string query;
    int result;
  } kCases[] = {
      {"html", "date1=1/1/2021&date2=7/1/2021&html=1", kPageDone},
      {"html_escaped_digit", "date1=1/1/2021&date2=7/1/2021&html=%31x", kPageDone},
      {"text_mode", "date1=1/1/2021&date2=7/1/2021", kPageNoFigure},
      {"html_not_first", "date1=1/1/2021&date2=7/1/2021&html=01", kPageNoFigure},
      {"one_date", "date1=1/1/2021&html=1", kPageNoFigure},
      {"overlong", overlong, kPageTooLong},
  };
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.name);
    PageRequest request{};
    request.query = c.query.c_str();
    request.numeric_locale = "C";
    int result = -1;
    std::FILE *fragment = std::tmpfile();
    const std::string figure =
        capture([&](FILE *out) { result = kKestrumPage.page(request, fragment, out); });
    std::fclose(fragment);
    EXPECT_EQ(result, c.result);
    if (result == kPageDone) expectFigureFrame(figure);
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
