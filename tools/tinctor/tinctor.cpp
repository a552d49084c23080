#include "tools/tinctor/tinctor.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// How reading a field or a record ended. kRead and kEnd are normal; the
// others name a malformed record, except kReadError, which is the stream's.
enum Outcome { kRead, kEnd, kNotNumber, kOutOfRange, kCutShort, kNameTooLong, kReadError };

// Why a record is malformed, indexed by Outcome.
const char *const kMalformed[] = {
    "",
    "",
    "a component is not a number",
    "a component is out of range",
    "the list ends inside the record",
    "the name is longer than 248 bytes",
    "",
};
static_assert(kChipNameMax == 248, "the message above names the bound");

// One colour record; the same one is reused for every record of a list.
struct Colour {
  int part[3];
  char name[kChipNameMax + 1];
};

const char kChipFormat[] =
    "<div class=\"chip\">#%02x%02x%02x %d %d %d <img src=\"/images/chips/png/%s.png\" "
    "alt=\"/images/chips/png/%s.png\" /> <a href=\"/images/chips/bmp/%s.bmp\">%s</a></div>\n";

bool is_blank(int c) { return c != EOF && std::isspace(static_cast<unsigned char>(c)); }

// Returns the first byte after any white space, or EOF.
int skip_blanks(FILE *in) {
  int c;
  do c = std::getc(in);
  while (is_blank(c));
  return c;
}

// Reads a decimal int the way "%d" does: blanks, an optional sign, digits;
// the byte after the digits stays in the stream. Unlike "%d", a value
// outside int is refused instead of being undefined. kEnd when only blanks
// remain.
Outcome read_component(FILE *in, int *value) {
  int c = skip_blanks(in);
  if (c == EOF) return kEnd;
  bool negative = c == '-';
  if (c == '-' || c == '+') c = std::getc(in);
  if (!std::isdigit(c)) return c == EOF ? kCutShort : kNotNumber;
  // The magnitude stops growing once it passes the largest one allowed, so
  // any number of digits is consumed without overflowing.
  long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; std::isdigit(c); c = std::getc(in))
    if (magnitude <= limit) magnitude = magnitude * 10 + (c - '0');
  if (c != EOF) std::ungetc(c, in);
  if (magnitude > limit) return kOutOfRange;
  *value = static_cast<int>(negative ? -magnitude : magnitude);
  return kRead;
}

// Reads the next word into |name| (capacity kChipNameMax + 1). The byte
// after the word is consumed; it is white space or the end of the list.
Outcome read_name(FILE *in, char *name) {
  int c = skip_blanks(in);
  if (c == EOF) return kCutShort;
  std::size_t length = 0;
  for (; c != EOF && !is_blank(c); c = std::getc(in)) {
    if (length == kChipNameMax) return kNameTooLong;
    name[length++] = static_cast<char>(c);
  }
  name[length] = '\0';
  return kRead;
}

// Reads one record: three components and a name, fields separated by any
// white space, line breaks included. kEnd only when the list ends before
// the first component; a read error overrides whatever the bytes said.
Outcome read_colour(FILE *in, Colour *colour) {
  Outcome got = kRead;
  for (int i = 0; i < 3 && got == kRead; ++i) {
    got = read_component(in, &colour->part[i]);
    if (got == kEnd && i > 0) got = kCutShort;
  }
  if (got == kRead) got = read_name(in, colour->name);
  if (got != kRead && std::ferror(in)) return kReadError;
  return got;
}

// Hexadecimal shows the component's bits, so a negative one prints as its
// two's complement in eight digits.
int write_chip(FILE *out, const Colour &c) {
  const unsigned hex[3] = {static_cast<unsigned>(c.part[0]), static_cast<unsigned>(c.part[1]),
                           static_cast<unsigned>(c.part[2])};
  return std::fprintf(out, kChipFormat, hex[0], hex[1], hex[2], c.part[0], c.part[1], c.part[2],
                      c.name, c.name, c.name, c.name);
}

// Reports a failed system call on |file| with errno's reason; returns false
// so callers can report and fail in one step.
bool report_errno(FILE *err, const char *what, const char *file) {
  const char *reason = std::strerror(errno);
  std::fprintf(err, "tinctor: cannot %s %s: %s\n", what, file, reason);
  return false;
}

bool report_malformed(FILE *err, const char *list, long number, Outcome why) {
  std::fprintf(err, "tinctor: %s: record %ld: %s; the rest of the list is not converted\n", list,
               number, kMalformed[why]);
  return false;
}

// Writes a chip line for each record until the list ends, a record is
// malformed or a write fails. Returns true only when the list ended cleanly.
bool write_chips(FILE *in, const char *list, FILE *out, const char *output, FILE *err) {
  Colour colour;
  for (long number = 1;; ++number) {
    Outcome got = read_colour(in, &colour);
    if (got == kEnd) return true;
    if (got == kReadError) return report_errno(err, "read", list);
    if (got != kRead) return report_malformed(err, list, number, got);
    if (write_chip(out, colour) < 0) return report_errno(err, "write", output);
  }
}

}  // namespace

bool convert_list(const char *list, const char *output, FILE *err) {
  FILE *in = std::fopen(list, "r");
  if (in == nullptr) return report_errno(err, "open", list);
  FILE *out = std::fopen(output, "w");
  if (out == nullptr) {
    report_errno(err, "create", output);
    std::fclose(in);
    return false;
  }
  bool ok = write_chips(in, list, out, output, err);
  // Most write errors (a full disk) only show when the buffer is flushed
  // here; one already reported by write_chips is not reported twice.
  bool write_failed = std::ferror(out) != 0;
  if (std::fclose(out) != 0 && !write_failed) ok = report_errno(err, "write", output);
  std::fclose(in);
  return ok;
}

int convert_lists(FILE *err) {
  bool rgb = convert_list("rgbp.txt", "rgb", err);
  bool gray = convert_list("grayp.txt", "gray", err);
  return rgb && gray ? EXIT_SUCCESS : EXIT_FAILURE;
}

void help(FILE *out) {
  std::fputs(
      "tinctor  A. Maintainer  8/12/10\n"
      "\n"
      "processes the rgbp.txt and grayp.txt and creates rgb and gray which can\n"
      "be used as stubs to display color info as well as the chip itself which\n"
      "is assumed to be in /images/chips/png with bmp available in /images/chips/bmp.\n"
      "\n"
      "See dravnik for more information.\n"
      "\n"
      "This program is in the public domain.\n"
      "\n"
      "TINCTOR  A. MAINTAINER  8/12/10\n"
      "maintainer@example.org https://www.example.org/dravnik.html\n",
      out);
}
