#include <gtest/gtest.h>

#include <string>

#include "cgi-bin/circles/circles_site.h"
#include "cgi-bin/kestrum/kestrum_site.h"
#include "cgi-bin/roots/roots_site.h"
#include "site/unit/unit.h"
#include "testsupport/run_program.h"

namespace {

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
    {"EmptyFormHasNoValues", &kRootsForm, nullptr, "name=\"root\" size=", "name=\"real\" value="},
    {"ValueDecodedAndEscaped", &kRootsForm, "real=%3Cb%3E%22%27%26+x",
     "value=\"&lt;b&gt;&quot;&#39;&amp; x\"", "<b>"},
    {"PlusIsABlank", &kRootsForm, "root=3+4&real=1", "name=\"root\" value=\"3 4\"", nullptr},
    {"AbsentFieldHasNoValue", &kRootsForm, "root=3", "name=\"real\" size=", nullptr},
    {"ChoiceAsSent", &kCirclesForm, "dimension=diameter", "value=\"diameter\" checked>",
     "value=\"radius\" checked"},
    {"UnknownChoiceKeepsTheDefault", &kCirclesForm, "dimension=rim",
     "value=\"radius\" checked required>", "value=\"diameter\" checked"},
    {"BoxTicked", &kKestrumForm, "html=1", "value=\"1\" checked>", nullptr},
    {"BoxNotTicked", &kKestrumForm, "html=0", "value=\"1\">", "checked"},
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
