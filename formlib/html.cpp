#include "formlib/formlib.h"

#include <cstring>

namespace {

// The entity that stands for |c| on a page, or nullptr for a plain byte.
const char *entity(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&#39;";
    default: return nullptr;
  }
}

}  // namespace

// A plain byte, by far the most common, is copied without looking up its
// entity's length.
char *html_escape(char *dest, std::size_t cap, const char *src) {
  if (cap == 0) return dest;
  std::size_t len = 0;
  for (; *src != '\0'; ++src) {
    const char *ent = entity(*src);
    if (ent == nullptr) {
      if (len + 1 >= cap) break;
      dest[len++] = *src;
      continue;
    }
    const std::size_t n = std::strlen(ent);
    if (len + n >= cap) break;
    std::memcpy(dest + len, ent, n);
    len += n;
  }
  dest[len] = '\0';
  return dest;
}
