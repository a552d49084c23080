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

char *html_escape(char *dest, std::size_t cap, const char *src) {
  if (cap == 0) return dest;
  std::size_t len = 0;
  for (; *src != '\0'; ++src) {
    const char *ent = entity(*src);
    std::size_t n = ent ? std::strlen(ent) : 1;
    if (len + n >= cap) break;
    std::memcpy(dest + len, ent ? ent : src, n);
    len += n;
  }
  dest[len] = '\0';
  return dest;
}
