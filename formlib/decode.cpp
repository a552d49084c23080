#include "formlib/formlib.h"

#include <cctype>
#include <cstring>

namespace {

// Keeps the low eight bits of |v| as a byte.
char low_byte(int v) { return static_cast<char>(static_cast<unsigned char>(v & 0xff)); }

// A hex digit's value by the classic arithmetic: above '@' clear the
// lower-case bit and subtract 'A' - 10, else subtract '0'. Any byte
// converts; the caller keeps the low eight bits of the result.
int hex_value(char c) {
  int v = static_cast<signed char>(c);
  return v > 64 ? (v & 0xdf) - 55 : v - 48;
}

// The older decoder's digit: decimal digits by value, anything else minus 55.
int old_hex_value(char c) {
  int v = static_cast<signed char>(c);
  return std::isdigit(static_cast<unsigned char>(c)) ? v - '0' : v - 55;
}

}  // namespace

char x2c(const char *what) {
  return low_byte(hex_value(what[0]) * 16 + hex_value(what[1]));
}

// Keep two positions: |x| where the next decoded byte is written and |y|
// from where the next byte or escape is read. |x| never passes |y|.
void unescape_url(char *url) {
  std::size_t x = 0;
  std::size_t y = 0;
  for (; url[y] != '\0'; ++x, ++y) {
    if (url[y] == '%' && url[y + 1] != '\0' && url[y + 2] != '\0') {
      url[x] = x2c(&url[y + 1]);
      y += 2;
    } else {
      url[x] = url[y];
    }
  }
  url[x] = '\0';
}

void plustospace(char *str) {
  for (; *str != '\0'; ++str)
    if (*str == '+') *str = ' ';
}

// Decodes from a bounded copy back into |url|; the output is never longer
// than the copy, so it fits wherever the input did.
void old_unescape_url(char *url) {
  char copy[256];
  std::size_t len = strnlen(url, sizeof copy - 1);
  std::memcpy(copy, url, len);
  copy[len] = '\0';
  std::size_t x = 0;
  for (std::size_t y = 0; copy[y] != '\0'; ++x, ++y) {
    if (copy[y] == '%' && copy[y + 1] != '\0' && copy[y + 2] != '\0') {
      url[x] = low_byte(old_hex_value(copy[y + 1]) * 16 + old_hex_value(copy[y + 2]));
      y += 2;
    } else {
      url[x] = copy[y];
    }
  }
  url[x] = '\0';
}
