#include "cgi-bin/bolvey/bolvey_site.h"

#include <iterator>

#include "dates/dates_figure.h"
#include "dates/dates_form.h"
#include "page/answer_page.h"

namespace {

// Month, day and a two-digit year.
const char kDatePattern[] = "(0?[1-9]|1[0-2])/(0?[1-9]|[12][0-9]|3[01])/[0-9]{2}";
#define BOLVEY_DATE_HINT                                                                  \
  "m/d/yy with a two-digit year (00 to 68 are 2000 to 2068, 69 to 99 are 1969 to 1999), " \
  "e.g. "

const FormField kFields[] = {
    DATES_FIELDS(date_field(1, BOLVEY_DATE_HINT "1/1/21", kDatePattern,
                            "month/day/two-digit year, such as 1/1/21", 8),
                 date_field(2, BOLVEY_DATE_HINT "7/1/21", kDatePattern,
                            "month/day/two-digit year, such as 7/1/21", 8)),
};

// The dates as they were typed.
bool draw_bolvey_figure(FILE *out, const DatesReport &report) {
  return draw_dates_figure(out, report, kAsTyped);
}

const FormDef kBolveyForm = {
    "<p>The compact edition answers in a text box and repeats each date as you typed "
    "it.</p>\n" DATES_QUESTIONS,
    kFields,
    std::size(kFields),
    "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021",
};

// The numeric locale the request's variables name, as the program takes it
// from its environment, then the answer and its picture.
int page(const PageRequest &request, FILE *out, FILE *figure) {
  bolvey_locale(request.numeric_locale);
  return unit_page<DatesReport, answerBolvey, writeBolvey, draw_bolvey_figure>(request, out,
                                                                               figure);
}

}  // namespace

const PageDef kBolveyPage = {
    .name = "bolvey",
    .title = "Dates and Mileage (compact)",
    .page = page,
    .form = &kBolveyForm,
    .refuses_long_query = true,
};
