#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "page/form.h"
#include "testsupport/run_program.h"

namespace {

// A form of each kind of entry: text fields, a box, a choice in a group.
const FormField kFields[] = {
    text_field("root", "Root", "a hint", "[0-9]+", "digits", true, 5, 5, "numeric"),
    text_field("real", "Real", nullptr, nullptr, nullptr, false, 10, 24),
    checkbox_field("html", "1", "As a page"),
    group_field("Dimension"),
    choice_field("dimension", "The length is the"),
    option_field("radius", "radius", true, true),
    option_field("diameter", "diameter"),
    end_field(),
    end_field(),
};
const FormDef kForm = {"<p>Intro</p>\n", kFields, std::size(kFields), "root=3"};

struct FormCase {
  const char *name;
  const FormDef *form;
  const char *query;   // null: the empty form
  const char *shown;   // what the form must hold
  const char *absent;  // what it must not
};

// A value sent back is decoded as the browser encoded it and escaped once;
// a choice shows what the query chose, or its default.
const FormCase kCases[] = {
    {"EmptyFormHasNoValues", &kForm, nullptr, "name=\"root\" size=", "name=\"real\" value="},
    {"ValueDecodedAndEscaped", &kForm, "real=%3Cb%3E%22%27%26+x",
     "value=\"&lt;b&gt;&quot;&#39;&amp; x\"", "<b>"},
    {"PlusIsABlank", &kForm, "root=3+4&real=1", "name=\"root\" value=\"3 4\"", nullptr},
    {"AbsentFieldHasNoValue", &kForm, "root=3", "name=\"real\" size=", nullptr},
    {"ChoiceAsSent", &kForm, "dimension=diameter", "value=\"diameter\" checked>",
     "value=\"radius\" checked"},
    {"UnknownChoiceKeepsTheDefault", &kForm, "dimension=rim",
     "value=\"radius\" checked required>", "value=\"diameter\" checked"},
    {"BoxTicked", &kForm, "html=1", "value=\"1\" checked>", nullptr},
    {"BoxNotTicked", &kForm, "html=0", "value=\"1\">", "value=\"1\" checked"},
};

class WriteForm : public testing::TestWithParam<FormCase> {};

TEST_P(WriteForm, ShowsWhatTheQuerySent) {
  const FormCase &c = GetParam();
  const std::string form = capture([&](FILE *out) { write_form(out, "page", *c.form, c.query); });
  EXPECT_EQ(form.rfind("<form action=\"/cgi-bin/page.pl\">\n", 0), 0u);
  EXPECT_NE(form.find(c.shown), std::string::npos) << form;
  if (c.absent != nullptr) {
    EXPECT_EQ(form.find(c.absent), std::string::npos) << form;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteForm, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FormCase> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
