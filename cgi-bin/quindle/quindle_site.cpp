#include "cgi-bin/quindle/quindle_site.h"

#include <iterator>

#include "page/answer_page.h"

namespace {

const FormField kFields[] = {
    group_field(),
    text_field("month", "Month", "1 to 12, e.g. 3", "0?[1-9]|1[0-2]", "a month number from 1 to 12",
               true, 2, 2, "numeric"),
    text_field("day", "Day",
               "1 to 31; a day past the month's end runs on into the next month; e.g. 14",
               "0?[1-9]|[12][0-9]|3[01]", "a day from 1 to 31", true, 2, 2, "numeric"),
    text_field("year", "Year", "the year in full (21 is the year 21), e.g. 2021",
               "0*[1-9][0-9]{0,3}", "the year in full, from 1 to 9999", true, 4, 4, "numeric"),
    end_field(),
};

const FormDef kQuindleForm = {
    "<p>Enter a date to learn its weekday, its day of the year and its week number (weeks begin "
    "on Monday).</p>\n",
    kFields,
    std::size(kFields),
    "month=3&day=14&year=2021",
    ": the weekday, day of the year and week number of a date",
};

}  // namespace

const PageDef kQuindlePage = {
    .name = "quindle",
    .title = "Day of the Year",
    .page = unit_page<DayAnswer, answerDay, writeDay, draw_quindle_figure>,
    .form = &kQuindleForm,
};
