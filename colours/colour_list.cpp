#include "colours/colour_list.h"

#include <cctype>
#include <climits>
#include <iterator>

namespace {

// Indexed by ColourRead.
const char *const kFaults[] = {
    "",
    "",
    "a component is not a number",
    "a component is out of range",
    "the list ends inside the record",
    "the name is longer than 248 bytes",
    "",
};
static_assert(kChipNameMax == 248, "the message above names the bound");
static_assert(std::size(kFaults) == static_cast<std::size_t>(ColourRead::kReadError) + 1);

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
ColourRead read_component(FILE *in, int *value) {
  int c = skip_blanks(in);
  if (c == EOF) return ColourRead::kEnd;
  bool negative = c == '-';
  if (c == '-' || c == '+') c = std::getc(in);
  if (!std::isdigit(c)) return c == EOF ? ColourRead::kCutShort : ColourRead::kNotNumber;
  // The magnitude stops growing once it passes the largest one allowed, so
  // any number of digits is consumed without overflowing.
  long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; std::isdigit(c); c = std::getc(in))
    if (magnitude <= limit) magnitude = magnitude * 10 + (c - '0');
  if (c != EOF) std::ungetc(c, in);
  if (magnitude > limit) return ColourRead::kOutOfRange;
  *value = static_cast<int>(negative ? -magnitude : magnitude);
  return ColourRead::kRead;
}

// Reads the next word into |name| (capacity kChipNameMax + 1). The byte
// after the word is consumed; it is white space or the end of the list.
ColourRead read_name(FILE *in, char *name) {
  int c = skip_blanks(in);
  if (c == EOF) return ColourRead::kCutShort;
  std::size_t length = 0;
  for (; c != EOF && !is_blank(c); c = std::getc(in)) {
    if (length == kChipNameMax) return ColourRead::kNameTooLong;
    name[length++] = static_cast<char>(c);
  }
  name[length] = '\0';
  return ColourRead::kRead;
}

}  // namespace

ColourRead read_colour(FILE *in, Colour *colour) {
  ColourRead got = ColourRead::kRead;
  for (int i = 0; i < 3 && got == ColourRead::kRead; ++i) {
    got = read_component(in, &colour->part[i]);
    if (got == ColourRead::kEnd && i > 0) got = ColourRead::kCutShort;
  }
  if (got == ColourRead::kRead) got = read_name(in, colour->name);
  if (got != ColourRead::kRead && std::ferror(in)) return ColourRead::kReadError;
  return got;
}

const char *colour_fault(ColourRead got) {
  const auto i = static_cast<std::size_t>(got);
  return i < std::size(kFaults) ? kFaults[i] : "";
}
