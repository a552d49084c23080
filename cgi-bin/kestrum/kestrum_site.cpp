#include "cgi-bin/kestrum/kestrum_site.h"

#include <iterator>

#include "dates/dates_figure.h"
#include "dates/dates_form.h"
#include "page/answer_page.h"

namespace {

// Month, day and a year of two or four digits.
const char kDatePattern[] = "(0?[1-9]|1[0-2])/(0?[1-9]|[12][0-9]|3[01])/([0-9]{2}|[0-9]{4})";

const FormField kFields[] = {
    DATES_FIELDS(date_field(1, "m/d/yy or m/d/yyyy, e.g. 1/1/2021", kDatePattern,
                            "month/day/year, such as 1/1/21 or 1/1/2021", 10),
                 date_field(2, "m/d/yy or m/d/yyyy, e.g. 7/1/2021", kDatePattern,
                            "month/day/year, such as 7/1/21 or 7/1/2021", 10)),
    checkbox_field("html", "1", "Answer as a page instead of a text box"),
};

// The picture belongs to the HTML answer only, the text answer sitting in
// a textarea.
bool draw_kestrum_figure(FILE *out, const KestrumAnswer &answer) {
  return answer.html && draw_dates_figure(out, answer.report, kNormalised);
}

const FormDef kKestrumForm = {
    DATES_QUESTIONS,
    kFields,
    std::size(kFields),
    "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021&bizmiles=1000&rate=.5",
    " and its <a href=\"/bolvey.html\">compact edition</a>: the weekday and day of the year of two "
    "dates, the days between them, a mileage report, a leap year, a business expense",
};

// The program's locale, then the answer and its picture.
int page(const PageRequest &request, FILE *out, FILE *figure) {
  kestrum_locale();
  return unit_page<KestrumAnswer, answerKestrum, writeKestrum, draw_kestrum_figure>(request, out,
                                                                                     figure);
}

}  // namespace

const PageDef kKestrumPage = {
    .name = "kestrum",
    .title = "Dates and Mileage",
    .page = page,
    .form = &kKestrumForm,
    .refuses_long_query = true,
};
