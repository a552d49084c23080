#include "formlib/formlib.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Where the value of |name| begins in |form|, or npos. A pair matches only
// at the very start or right after an "&", so "r" never matches "year=".
std::size_t value_start(std::string_view form, const char *name) {
  char pattern[kNameMax + 3];  // "&", the name, "=" and the terminator
  int len = std::snprintf(pattern, sizeof pattern, "&%s=", name);
  if (len < 0 || static_cast<std::size_t>(len) >= sizeof pattern)
    return std::string_view::npos;
  std::string_view with_amp(pattern, static_cast<std::size_t>(len));
  std::size_t match = 0;
  if (!form.starts_with(with_amp.substr(1))) {
    match = form.find(with_amp);
    if (match == std::string_view::npos) return match;
  }
  return form.find('=', match) + 1;
}

}  // namespace

int get_var(char *dest, std::size_t cap, const char *name, const char *form) {
  if (cap == 0) return -1;
  std::string_view text(form, strnlen(form, kFormMax));
  std::size_t start = value_start(text, name);
  if (start == std::string_view::npos) {
    dest[0] = '\0';
    return -1;
  }
  std::string_view value = text.substr(start);
  value = value.substr(0, value.find('&'));
  std::size_t n = value.size() < cap ? value.size() : cap - 1;
  std::memcpy(dest, value.data(), n);
  dest[n] = '\0';
  return static_cast<int>(n);
}

bool copy_form(FormBuffer &form, const char *query) {
  if (query == nullptr) query = "";
  const std::size_t length = strnlen(query, sizeof form);
  const std::size_t kept = length < sizeof form ? length : kFormMax;
  std::memcpy(form, query, kept);
  form[kept] = '\0';
  return length == kept;
}
