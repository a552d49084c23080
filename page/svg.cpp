#include "page/svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <initializer_list>
#include <limits>

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

// Where svg_printf's text goes: gathered in |chunk| and written to |out|
// when the chunk is full; without |out|, into |dest| (cut at |cap| - 1)
// while |total| counts the whole text. One element's markup and its text
// gather in one sink, so it reaches the stream in one write.
struct Sink {
  FILE *out = nullptr;
  char *dest = nullptr;
  std::size_t cap = 0;
  std::size_t total = 0;
  char chunk[1024];
  std::size_t used = 0;
};

// Inlined: it takes every piece of every figure.
[[gnu::always_inline]] inline void put(Sink &sink, const char *text, std::size_t length) {
  if (sink.out == nullptr) {
    if (sink.total + 1 < sink.cap)
      std::memcpy(sink.dest + sink.total, text, std::min(length, sink.cap - 1 - sink.total));
    sink.total += length;
    return;
  }
  if (sink.used + length > sizeof sink.chunk) {
    std::fwrite(sink.chunk, 1, sink.used, sink.out);
    sink.used = 0;
    if (length > sizeof sink.chunk) {
      std::fwrite(text, 1, length, sink.out);
      return;
    }
  }
  std::memcpy(sink.chunk + sink.used, text, length);
  sink.used += length;
}

// Writes what the sink still holds to its stream.
void drain(Sink &sink) {
  if (sink.used > 0) std::fwrite(sink.chunk, 1, sink.used, sink.out);
  sink.used = 0;
}

// Cleaned text waits here before html_escape, a chunk at a time, so text
// of any length needs only these two buffers.
struct Cleaned {
  char text[256];
  std::size_t used = 0;
};

void flush(Sink &sink, Cleaned *cleaned) {
  char escaped[html_escaped_size(sizeof cleaned->text - 1)];
  cleaned->text[cleaned->used] = '\0';
  html_escape(escaped, cleaned->text);
  put(sink, escaped, std::strlen(escaped));
  cleaned->used = 0;
}

void append(Sink &sink, Cleaned *cleaned, const void *bytes, std::size_t length) {
  if (cleaned->used + length > sizeof cleaned->text - 1) flush(sink, cleaned);
  std::memcpy(cleaned->text + cleaned->used, bytes, length);
  cleaned->used += length;
}

// Room for any number the directives write: a double's 309 integer digits,
// sign, point and kMaxPrecision decimals.
constexpr int kMaxPrecision = 40;
constexpr std::size_t kNumberRoom = 320 + kMaxPrecision;

// |value| as "%.*f" writes it with |decimals| digits, into |at|, which has
// kNumberRoom bytes. Returns the end. With at most four decimals the value
// times 10^decimals needs at most 53 + 10 significant bits, which a long
// double of 64 holds exactly; rounding that to the nearest integer, a tie
// to the even one as printf rounds, gives the digits directly.
char *fixed(char *at, double value, int decimals) {
  static constexpr long double kScale[] = {1, 10, 100, 1000, 10000};
  if (std::numeric_limits<long double>::digits >= 64 && decimals <= 4 && std::fabs(value) < 1e15) {
    const long double scaled = static_cast<long double>(std::fabs(value)) * kScale[decimals];
    auto digits = static_cast<unsigned long long>(scaled);
    const long double rest = scaled - static_cast<long double>(digits);
    if (rest > 0.5L || (rest == 0.5L && digits % 2 == 1)) ++digits;
    if (std::signbit(value)) *at++ = '-';
    // The digits, with zeros in front up to one before the point.
    char text[32];
    char *begin = text + 8;
    const char *end = std::to_chars(begin, text + sizeof text, digits).ptr;
    while (end - begin <= decimals) *--begin = '0';
    const char *point = end - decimals;
    at = std::copy(static_cast<const char *>(begin), point, at);
    if (decimals > 0) {
      *at++ = '.';
      at = std::copy(point, end, at);
    }
    return at;
  }
  return std::to_chars(at, at + kNumberRoom, value, std::chars_format::fixed, decimals).ptr;
}

// |value| as "%.*g" writes it, into |at| (kNumberRoom bytes). Returns the
// end.
char *general(char *at, double value, int precision) {
  return std::to_chars(at, at + kNumberRoom, value, std::chars_format::general, precision).ptr;
}

// Where a directive writes its number: straight into the chunk of a sink
// that writes to a stream (emptied first when it has too little room left),
// else into |scratch|, of kNumberRoom bytes, to be put after.
char *numberRoom(Sink &sink, char *scratch) {
  if (sink.out == nullptr) return scratch;
  if (sizeof sink.chunk - sink.used < kNumberRoom + 1) drain(sink);
  return sink.chunk + sink.used;
}

// Ends a directive's number written at |number| up to |end|, with a plus
// sign in front when |plus| asks for one and the number has no minus.
void putNumber(Sink &sink, char *number, char *end, bool plus) {
  if (plus && *number != '-') {
    std::memmove(number + 1, number, static_cast<std::size_t>(end - number));
    *number = '+';
    ++end;
  }
  if (number == sink.chunk + sink.used)
    sink.used += static_cast<std::size_t>(end - number);
  else
    put(sink, number, static_cast<std::size_t>(end - number));
}

// Reads the directive after a '%' at |f| and writes its argument. Returns
// the first byte after the directive, or null for a directive it does not
// understand (and then takes no argument).
const char *directive(Sink &sink, const char *f, va_list *args) {
  const bool plus = *f == '+';
  if (plus) ++f;
  int precision = -1;
  if (*f == '.') {
    precision = 0;
    while (*++f >= '0' && *f <= '9' && precision <= kMaxPrecision)
      precision = precision * 10 + (*f - '0');
    if (precision > kMaxPrecision) return nullptr;
  }
  char scratch[kNumberRoom + 1];
  switch (*f) {
    case 'l': {
      if (f[1] != 'l' || f[2] != 'd' || precision >= 0) return nullptr;
      char *number = numberRoom(sink, scratch);
      putNumber(sink, number, std::to_chars(number, number + 24, va_arg(*args, long long)).ptr,
                plus);
      return f + 3;
    }
    case 'z': {
      if (f[1] != 'u' || precision >= 0 || plus) return nullptr;
      char *number = numberRoom(sink, scratch);
      putNumber(sink, number, std::to_chars(number, number + 24, va_arg(*args, std::size_t)).ptr,
                false);
      return f + 2;
    }
    case '%':
      if (plus || precision >= 0) return nullptr;
      put(sink, "%", 1);
      break;
    case 's': {
      if (plus) return nullptr;
      const char *text = va_arg(*args, const char *);
      if (text == nullptr) text = "(null)";
      put(sink, text, precision < 0 ? std::strlen(text) : strnlen(text, precision));
      break;
    }
    case 'd': {
      if (precision >= 0) return nullptr;
      char *number = numberRoom(sink, scratch);
      putNumber(sink, number, std::to_chars(number, number + 24, va_arg(*args, int)).ptr, plus);
      break;
    }
    case 'f': {
      char *number = numberRoom(sink, scratch);
      putNumber(sink, number, fixed(number, va_arg(*args, double), precision < 0 ? 6 : precision),
                plus);
      break;
    }
    case 'g': {
      char *number = numberRoom(sink, scratch);
      putNumber(sink, number, general(number, va_arg(*args, double), precision < 0 ? 6 : precision),
                plus);
      break;
    }
    default:
      return nullptr;
  }
  return f + 1;
}

void formatInto(Sink &sink, const char *f, va_list *args) {
  while (f != nullptr && *f != '\0') {
    const char *percent = strchrnul(f, '%');
    put(sink, f, static_cast<std::size_t>(percent - f));
    f = *percent == '%' ? directive(sink, percent + 1, args) : percent;
  }
}

void sinkPrintf(Sink &sink, const char *format, ...) __attribute__((format(printf, 2, 3)));
void sinkPrintf(Sink &sink, const char *format, ...) {
  va_list args;
  va_start(args, format);
  formatInto(sink, format, &args);
  va_end(args);
}

// xml_text's work, into |sink|.
void cleanInto(Sink &sink, const char *text, std::size_t max_chars) {
  Cleaned cleaned;
  const auto *s = reinterpret_cast<const unsigned char *>(text);
  for (std::size_t chars = 0; *s != '\0'; ++chars) {
    if (chars == max_chars) {
      append(sink, &cleaned, kEllipsis, 3);
      break;
    }
    if (*s >= 0x20 && *s < 0x80) {  // printable ASCII, the common case
      if (cleaned.used == sizeof cleaned.text - 1) flush(sink, &cleaned);
      cleaned.text[cleaned.used++] = static_cast<char>(*s++);
      continue;
    }
    const std::size_t length =
        *s < 0x80 ? 1 : utf8Length(s, strnlen(reinterpret_cast<const char *>(s), 4));
    if (length == 0 || !xmlAllows(s, length)) {
      // A stray byte is replaced alone, a disallowed character whole.
      append(sink, &cleaned, kReplacement, 3);
      s += length == 0 ? 1 : length;
    } else {
      append(sink, &cleaned, s, length);
      s += length;
    }
  }
  flush(sink, &cleaned);
}

}  // namespace

void svg_printf(FILE *out, const char *format, ...) {
  Sink sink;
  sink.out = out;
  va_list args;
  va_start(args, format);
  formatInto(sink, format, &args);
  va_end(args);
  drain(sink);
}

int svg_snprintf(char *dest, std::size_t cap, const char *format, ...) {
  Sink sink;
  sink.dest = dest;
  sink.cap = cap;
  va_list args;
  va_start(args, format);
  formatInto(sink, format, &args);
  va_end(args);
  if (cap > 0) dest[std::min(sink.total, cap - 1)] = '\0';
  return static_cast<int>(sink.total);
}

void xml_text(FILE *out, const char *text, std::size_t max_chars) {
  Sink sink;
  sink.out = out;
  cleanInto(sink, text, max_chars);
  drain(sink);
}

void open_figure(FILE *out, const char *name, int width, int height, const char *title,
                 const char *desc) {
  Sink sink;
  sink.out = out;
  sinkPrintf(sink,
             "<figure class=\"answer-figure\">\n"
             "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"answer-svg\" "
             "viewBox=\"0 0 %d %d\" width=\"%d\" height=\"%d\" role=\"img\" "
             "aria-labelledby=\"figure-%s-title\" aria-describedby=\"figure-%s-desc\" "
             "font-family=\"sans-serif\" font-size=\"12\">\n",
             width, height, width, height, name, name);
  sinkPrintf(sink, "<title id=\"figure-%s-title\">", name);
  cleanInto(sink, title, kWhole);
  sinkPrintf(sink, "</title>\n<desc id=\"figure-%s-desc\">", name);
  cleanInto(sink, desc, kWhole);
  put(sink, "</desc>\n", 8);
  drain(sink);
}

void close_figure(FILE *out, const char *caption) {
  Sink sink;
  sink.out = out;
  put(sink, "</svg>\n<figcaption>", 19);
  cleanInto(sink, caption, kWhole);
  put(sink, "</figcaption>\n</figure>\n", 24);
  drain(sink);
}

void svg_text(FILE *out, const char *cls, double x, double y, const char *anchor, const char *text,
              std::size_t max_chars) {
  Sink sink;
  sink.out = out;
  sinkPrintf(sink,
             "<text class=\"%s\" x=\"%.3f\" y=\"%.3f\" text-anchor=\"%s\" "
             "fill=\"currentColor\">",
             cls, x, y, anchor);
  cleanInto(sink, text, max_chars);
  put(sink, "</text>\n", 8);
  drain(sink);
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
