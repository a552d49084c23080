#include "cgi-bin/kestrum/kestrum_site.h"

#include <iterator>

#include "dates/dates_form.h"

namespace {

// Month, day and a year of two or four digits.
const char kDatePattern[] = "(0?[1-9]|1[0-2])/(0?[1-9]|[12][0-9]|3[01])/([0-9]{2}|[0-9]{4})";

const FormField kFields[] = {
    kDatesGroup,
    text_field("date1", "Date 1", "m/d/yy or m/d/yyyy, e.g. 1/1/2021", kDatePattern,
               "month/day/year, such as 1/1/21 or 1/1/2021", false, 10, 10),
    kMiles1Field,
    text_field("date2", "Date 2", "m/d/yy or m/d/yyyy, e.g. 7/1/2021", kDatePattern,
               "month/day/year, such as 7/1/21 or 7/1/2021", false, 10, 10),
    kMiles2Field,
    end_field(),
    kYearField,
    kExpenseGroup,
    kBizmilesField,
    kRateField,
    end_field(),
    checkbox_field("html", "1", "Answer as a page instead of a text box"),
};

}  // namespace

const FormDef kKestrumForm = {
    "Dates and Mileage",
    DATES_QUESTIONS,
    kFields,
    std::size(kFields),
    "date1=1/1/21&date2=7/1/21&miles1=10000&miles2=15000&year=2021&bizmiles=1000&rate=.5",
};
