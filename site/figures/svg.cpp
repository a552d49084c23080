#include "site/figures/svg.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "formlib/formlib.h"

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
const char kEllipsis[] = "\xE2\x80\xA6";     // U+2026

bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at |s| (at most |left| bytes),
// or 0 when the bytes there are not one. The second byte's bounds exclude
// overlong forms, surrogates and code points beyond U+10FFFF.
std::size_t utf8Length(const unsigned char *s, std::size_t left) {
  const unsigned char b = s[0];
  if (b < 0x80) return 1;
  unsigned char low = 0x80, high = 0xBF;
  std::size_t length;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (left < length || s[1] < low || s[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!continuation(s[i])) return 0;
  return length;
}

// Whether XML allows the character encoded by the |length| bytes at |s|:
// not a control character other than tab, line feed and carriage return,
// and neither of the non-characters U+FFFE and U+FFFF.
bool xmlAllows(const unsigned char *s, std::size_t length) {
  if (length == 1) return s[0] >= 0x20 || s[0] == '\t' || s[0] == '\n' || s[0] == '\r';
  return !(length == 3 && s[0] == 0xEF && s[1] == 0xBF && (s[2] == 0xBE || s[2] == 0xBF));
}

// Collects cleaned text and writes it out through html_escape a chunk at a
// time, so text of any length needs only these two buffers.
struct Chunk {
  char text[256];
  std::size_t used = 0;
};

void flush(FILE *out, Chunk *chunk) {
  char escaped[html_escaped_size(sizeof chunk->text - 1)];
  chunk->text[chunk->used] = '\0';
  std::fputs(html_escape(escaped, chunk->text), out);
  chunk->used = 0;
}

void append(FILE *out, Chunk *chunk, const void *bytes, std::size_t length) {
  if (chunk->used + length > sizeof chunk->text - 1) flush(out, chunk);
  std::memcpy(chunk->text + chunk->used, bytes, length);
  chunk->used += length;
}

}  // namespace

CNumbers::CNumbers() : c_(newlocale(LC_ALL_MASK, "C", locale_t{})), previous_(locale_t{}) {
  if (c_ != locale_t{}) previous_ = uselocale(c_);
}

CNumbers::~CNumbers() {
  if (c_ == locale_t{}) return;
  uselocale(previous_);
  freelocale(c_);
}

void xml_text(FILE *out, const char *text, std::size_t max_chars) {
  Chunk chunk;
  const auto *s = reinterpret_cast<const unsigned char *>(text);
  for (std::size_t chars = 0; *s != '\0'; ++chars) {
    if (chars == max_chars) {
      append(out, &chunk, kEllipsis, 3);
      break;
    }
    const std::size_t length = utf8Length(s, strnlen(reinterpret_cast<const char *>(s), 4));
    if (length == 0 || !xmlAllows(s, length)) {
      // A stray byte is replaced alone, a disallowed character whole.
      append(out, &chunk, kReplacement, 3);
      s += length == 0 ? 1 : length;
    } else {
      append(out, &chunk, s, length);
      s += length;
    }
  }
  flush(out, &chunk);
}

void open_figure(FILE *out, const char *name, int width, int height, const char *title,
                 const char *desc) {
  std::fprintf(out,
               "<figure class=\"answer-figure\">\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"answer-svg\" "
               "viewBox=\"0 0 %d %d\" width=\"%d\" height=\"%d\" role=\"img\" "
               "aria-labelledby=\"figure-%s-title\" aria-describedby=\"figure-%s-desc\" "
               "font-family=\"sans-serif\" font-size=\"12\">\n",
               width, height, width, height, name, name);
  std::fprintf(out, "<title id=\"figure-%s-title\">", name);
  xml_text(out, title);
  std::fprintf(out, "</title>\n<desc id=\"figure-%s-desc\">", name);
  xml_text(out, desc);
  std::fputs("</desc>\n", out);
}

void close_figure(FILE *out, const char *caption) {
  std::fputs("</svg>\n<figcaption>", out);
  xml_text(out, caption);
  std::fputs("</figcaption>\n</figure>\n", out);
}

void svg_text(FILE *out, const char *cls, double x, double y, const char *anchor, const char *text,
              std::size_t max_chars) {
  std::fprintf(out,
               "<text class=\"%s\" x=\"%.3f\" y=\"%.3f\" text-anchor=\"%s\" "
               "fill=\"currentColor\">",
               cls, x, y, anchor);
  xml_text(out, text, max_chars);
  std::fputs("</text>\n", out);
}

double nice_step(double limit) {
  double power = std::pow(10.0, std::floor(std::log10(limit)));
  // log10 may land a hair off for an exact power of ten.
  if (power * 10 <= limit) power *= 10;
  if (power > limit) power /= 10;
  for (double m : {5.0, 2.0}) {
    if (m * power <= limit) return m * power;
  }
  return power;
}

bool drawable_extent(double extent) { return extent >= 1e-300 && extent <= 1e300; }
