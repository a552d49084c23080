#include "cgi-bin/roots/roots_site.h"

#include <iterator>

#include "page/answer_page.h"

namespace {

const char kNumberPattern[] = "-?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)";
const char kNumberTitle[] = "a decimal number, a minus sign allowed, no plus sign";

const FormField kFields[] = {
    text_field("root", "Root <var>n</var>",
               "a whole number from 1 to 10000 (3 for cube roots), e.g. 3", "[1-9][0-9]{0,3}|10000",
               "a whole number from 1 to 10000", true, 5, 5, "numeric"),
    text_field("real", "Real part <var>a</var>",
               "a decimal number, no plus sign; empty counts as 0; e.g. -1.5", kNumberPattern,
               kNumberTitle, false, 10, 24),
    text_field("imaginary", "Imaginary part <var>b</var>",
               "a decimal number, no plus sign; empty counts as 0; e.g. 8", kNumberPattern,
               kNumberTitle, false, 10, 24),
};

const FormDef kRootsForm = {
    "<p>Enter the root you wish to find of a complex number, followed by the real and imaginary "
    "components of the complex number: the page lists the <var>n</var> numbers whose "
    "<var>n</var>-th power is <var>a</var> + <var>b</var>i.</p>\n",
    kFields,
    std::size(kFields),
    "root=5&real=3&imaginary=4",
    ": every n-th root of a + bi, drawn on the complex plane",
};

}  // namespace

const PageDef kRootsPage = {
    .name = "roots",
    .title = "Roots of complex numbers",
    .page = unit_page<RootsAnswer, answerRoots, writeRoots, draw_roots_figure>,
    .form = &kRootsForm,
};
