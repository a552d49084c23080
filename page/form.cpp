#include <cstring>

#include "formlib/formlib.h"
#include "page/form.h"

namespace {

// Writes |parts| one after the other, a null one as printf's "%s" shows it:
// the form is mostly the site's own fixed text around a few names, which
// needs no formatting.
template <class... Parts>
void put(FILE *out, const Parts *...parts) {
  (std::fputs(parts != nullptr ? parts : "(null)", out), ...);
}

// A field's value as the query sends it: decoded as a browser encoded it.
// False when the query has no such field.
bool sent_value(char (&value)[256], const char *name, const char *query) {
  if (query == nullptr || get_var(value, name, query) < 0) return false;
  plustospace(value);
  unescape_url(value);
  return true;
}

void write_value(FILE *out, const char *name, const char *query) {
  char value[256];
  if (!sent_value(value, name, query)) return;
  char shown[html_escaped_size(sizeof value - 1)];
  put(out, " value=\"", html_escape(shown, value), "\"");
}

void write_text(FILE *out, const FormField &f, const char *query) {
  put(out, "<div class=\"field\"><label for=\"", f.name, "\">", f.label, "</label>\n");
  put(out, "<input type=\"text\" id=\"", f.name, "\" name=\"", f.name, "\"");
  write_value(out, f.name, query);
  std::fprintf(out, " size=\"%d\" maxlength=\"%d\"", f.size, f.maxlength);
  if (f.inputmode != nullptr) put(out, " inputmode=\"", f.inputmode, "\"");
  std::fputs(" autocomplete=\"off\"", out);
  if (f.required) std::fputs(" required", out);
  if (f.pattern != nullptr) put(out, " pattern=\"", f.pattern, "\" title=\"", f.title, "\"");
  if (f.hint == nullptr) {
    std::fputs("></div>\n", out);
    return;
  }
  put(out, " aria-describedby=\"", f.name, "-hint\">\n");
  put(out, "<span class=\"hint\" id=\"", f.name, "-hint\">", f.hint, "</span></div>\n");
}

// Whether a box or button sending |value| as |name| shows checked: as the
// query says when it names the field, else as the form's default.
bool checked(const char *name, const char *value, bool fallback, const char *query) {
  char sent[256];
  if (!sent_value(sent, name, query)) return fallback;
  return std::strcmp(sent, value) == 0;
}

void write_checkbox(FILE *out, const FormField &f, const char *query) {
  put(out, "<div class=\"field choice\"><input type=\"checkbox\" id=\"", f.name, "\" name=\"",
      f.name, "\" value=\"", f.value, "\"",
      checked(f.name, f.value, f.checked, query) ? " checked" : "", "> <label for=\"", f.name,
      "\">", f.label, "</label></div>\n");
}

// A radio button of the choice |choice|. A query that sends none of the
// choice's values leaves the default checked.
void write_option(FILE *out, const FormField &choice, const FormField &f, const char *query,
                  bool query_chose) {
  const bool on = query_chose ? checked(choice.name, f.value, false, query) : f.checked;
  put(out, "<input type=\"radio\" id=\"", f.value, "\" name=\"", choice.name, "\" value=\"",
      f.value, "\"", on ? " checked" : "", f.required ? " required" : "", "> <label for=\"",
      f.value, "\">", f.label, "</label>\n");
}

// Whether the query sends one of the values of the choice opened at |at|.
bool query_chose(const FormDef &form, std::size_t at, const char *query) {
  for (std::size_t i = at + 1; i < form.count && form.fields[i].kind == FieldKind::kOption; ++i)
    if (checked(form.fields[at].name, form.fields[i].value, false, query)) return true;
  return false;
}

void open_group(FILE *out, const FormField &f) {
  if (f.label != nullptr) {
    std::fprintf(out, "<fieldset>\n<legend>%s</legend>\n", f.label);
    if (f.hint != nullptr) std::fprintf(out, "<p class=\"hint\">%s</p>\n", f.hint);
  }
  std::fputs("<div class=\"fields\">\n", out);
}

void close_open(FILE *out, const FormField *open) {
  if (open == nullptr) return;
  if (open->kind == FieldKind::kChoice)
    std::fputs("</fieldset>\n", out);
  else
    std::fputs(open->label != nullptr ? "</div>\n</fieldset>\n" : "</div>\n", out);
}

}  // namespace

// Choices and groups do not nest: kEnd closes the one open.
void write_form(FILE *out, const char *name, const FormDef &form, const char *query) {
  std::fprintf(out, "<form action=\"/cgi-bin/%s.pl\">\n", name);
  const FormField *open = nullptr;
  bool chose = false;
  for (std::size_t i = 0; i < form.count; ++i) {
    const FormField &f = form.fields[i];
    switch (f.kind) {
      case FieldKind::kText:
        write_text(out, f, query);
        break;
      case FieldKind::kCheckbox:
        write_checkbox(out, f, query);
        break;
      case FieldKind::kChoice:
        std::fprintf(out, "<fieldset class=\"choice\">\n<legend>%s</legend>\n", f.label);
        open = &f;
        chose = query_chose(form, i, query);
        break;
      case FieldKind::kOption:
        if (open != nullptr) write_option(out, *open, f, query, chose);
        break;
      case FieldKind::kGroup:
        open_group(out, f);
        open = &f;
        break;
      case FieldKind::kEnd:
        close_open(out, open);
        open = nullptr;
        break;
    }
  }
  close_open(out, open);
  std::fputs(
      "<p class=\"buttons\"><input type=\"submit\" value=\"submit\"> <input "
      "type=\"reset\"></p>\n</form>\n",
      out);
}
