// A page's form as data: its fields in the order it shows them, and the
// writer of its <form> element. The form page, the prompt of an empty query
// and the form after an answer are all printed from the one definition.
#ifndef PAGE_FORM_H
#define PAGE_FORM_H

#include <cstddef>
#include <cstdio>

// One entry of a form, in the order the form shows them. Texts are the
// site's own HTML, written as they stand; nothing here comes from a visitor.
enum class FieldKind {
  kText,      // a text field with its label and hint
  kCheckbox,  // a box that sends |value| when ticked
  kChoice,    // opens a set of radio buttons named |name|, |label| its legend
  kOption,    // a radio button of the open choice: |value|, |label|
  kGroup,     // opens a row of fields; with a |label|, a fieldset with that
              // legend and |hint| as its note
  kEnd,       // closes the open choice or group
};

struct FormField {
  FieldKind kind;
  const char *name;   // the query's name of the field (kOption: unused)
  const char *label;  // the label, or a choice's or group's legend
  const char *hint;   // the hint under a text field, or a group's note; may be null
  // What the browser checks before sending a text field: the pattern (null:
  // none) and, in words, what it asks for.
  const char *pattern;
  const char *title;
  bool required;
  int size, maxlength;    // of a text field
  const char *inputmode;  // of a text field; null: none
  const char *value;      // what a checkbox or radio button sends
  bool checked;           // a radio button chosen when nothing else is
};

// The entries, spelled by what each needs.
constexpr FormField text_field(const char *name, const char *label, const char *hint,
                               const char *pattern, const char *title, bool required, int size,
                               int maxlength, const char *inputmode = nullptr) {
  return {FieldKind::kText, name, label,     hint,      pattern, title,
          required,         size, maxlength, inputmode, nullptr, false};
}
constexpr FormField checkbox_field(const char *name, const char *value, const char *label) {
  return {FieldKind::kCheckbox,
          name,
          label,
          nullptr,
          nullptr,
          nullptr,
          false,
          0,
          0,
          nullptr,
          value,
          false};
}
constexpr FormField choice_field(const char *name, const char *legend) {
  return {FieldKind::kChoice,
          name,
          legend,
          nullptr,
          nullptr,
          nullptr,
          false,
          0,
          0,
          nullptr,
          nullptr,
          false};
}
constexpr FormField option_field(const char *value, const char *label, bool checked = false,
                                 bool required = false) {
  return {FieldKind::kOption, nullptr, label, nullptr, nullptr, nullptr,
          required,           0,       0,     nullptr, value,   checked};
}
constexpr FormField group_field(const char *legend = nullptr, const char *note = nullptr) {
  return {FieldKind::kGroup, nullptr, legend, note, nullptr, nullptr, false, 0, 0,
          nullptr,           nullptr, false};
}
constexpr FormField end_field() {
  return {FieldKind::kEnd, nullptr, nullptr, nullptr, nullptr, nullptr,
          false,           0,       0,       nullptr, nullptr, false};
}

// A page's form: what it says between the page's heading and the fields,
// the fields, and an example query that the form accepts and the page
// answers.
struct FormDef {
  const char *intro;  // HTML between heading and form, each line ended by "\n"
  const FormField *fields;
  std::size_t count;
  const char *example;  // a query the page answers, e.g. "root=3&real=8&imaginary=0"
  // What follows the link to the form page (the page's title) in the
  // site's index, HTML. Null: the page has no line of its own.
  const char *index_note = nullptr;
};

// Writes |form|'s <form> element, posting to "/cgi-bin/<name>.pl", each
// line ended by "\n". With a |query|, every field shows the value the query
// gives it (decoded and HTML-escaped; a box or button is checked when the
// query sends its value); with null, the form's defaults.
void write_form(FILE *out, const char *name, const FormDef &form, const char *query);

#endif  // PAGE_FORM_H
