// Colour lists: text files of "red green blue name" records, the three
// components decimal ints and the name one word, fields separated by any
// white space (line breaks included). The chip-line generator and the chip
// image writer read them with this one reader, so both agree on what a
// record is and on why one is malformed.
#ifndef COLOURS_COLOUR_LIST_H
#define COLOURS_COLOUR_LIST_H

#include <cstddef>
#include <cstdio>

// Longest colour name a record may carry, in bytes; a longer one makes the
// record malformed rather than being cut.
inline constexpr std::size_t kChipNameMax = 248;

// How reading a record ended. kRead and kEnd are normal and kReadError is
// the stream's own error; the others name a malformed record.
enum class ColourRead { kRead, kEnd, kNotNumber, kOutOfRange, kCutShort, kNameTooLong, kReadError };

// One record: the components as read (any int, no range is imposed) and
// the name, NUL-terminated.
struct Colour {
  int part[3];
  char name[kChipNameMax + 1];
};

// Reads the next record of |in| into |*colour|. Each component is read as
// "%d" reads it (blanks, an optional sign, digits), except that one outside
// int is kOutOfRange instead of undefined; the name is the next word, and
// the byte after it is consumed. Returns kRead with |*colour| filled; kEnd
// when only white space was left before the first component; kNotNumber,
// kOutOfRange, kCutShort (the list ends inside the record) or kNameTooLong
// (more than kChipNameMax bytes) for a malformed record; kReadError when
// the stream failed, whatever the bytes before it said. After anything
// but kRead, |*colour| may be partly overwritten and the stream's position
// is unspecified: the caller stops reading the list.
ColourRead read_colour(FILE *in, Colour *colour);

// Why a record is malformed, as a clause for a report ("a component is not
// a number"); "" for kRead, kEnd and kReadError.
const char *colour_fault(ColourRead got);

#endif  // COLOURS_COLOUR_LIST_H
