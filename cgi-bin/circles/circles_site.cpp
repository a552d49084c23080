#include "cgi-bin/circles/circles_site.h"

#include <iterator>

#include "page/answer_page.h"

namespace {

const FormField kFields[] = {
    text_field("length", "Length",
               "a decimal number, or the whole part when you add a fraction, e.g. 2.5",
               "[0-9]+(\\.[0-9]*)?|\\.[0-9]+", "a decimal number, digits and a point", false, 8, 20,
               "decimal"),
    group_field("Fraction added to the length (optional)",
                "Fill in both parts or neither: for 2 1/2, enter 2 as the length and 1 over 2 "
                "here."),
    text_field("length_num", "Numerator", "digits only, e.g. 1", "[0-9]+", "digits only", false, 4,
               9, "numeric"),
    text_field("length_den", "Denominator", "digits only, not 0, e.g. 2", "0*[1-9][0-9]*",
               "digits only, not 0", false, 4, 9, "numeric"),
    end_field(),
    choice_field("dimension", "The length is the"),
    option_field("radius", "radius", true, true),
    option_field("diameter", "diameter"),
    end_field(),
};

const FormDef kCirclesForm = {
    "<p>Enter a length and select whether it is the radius or the diameter, and then click on "
    "submit. The page gives the radius, diameter, area and circumference, each also in "
    "sixteenths.</p>\n",
    kFields,
    std::size(kFields),
    "length=2&length_num=1&length_den=2&dimension=radius",
    ": area and circumference from a radius or diameter, also in sixteenths",
};

}  // namespace

const PageDef kCirclesPage = {
    .name = "circles",
    .title = "Circles",
    .page = unit_page<CircleAnswer, answerCircle, writeCircle, draw_circle_figure>,
    .form = &kCirclesForm,
    .adds_heading = true,
};
