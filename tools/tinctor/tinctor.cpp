#include "tools/tinctor/tinctor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "fileio/replace.h"
#include "fileio/report.h"
#include "formlib/formlib.h"

namespace {

// How converting a list ended: the whole list converted, a list that could
// not be read to its end (what came before is kept), or an output that
// could not be written (the previous file is kept).
enum Result { kListConverted, kListFailed, kOutputFailed };

const char kChipFormat[] =
    "<div class=\"chip\">#%02x%02x%02x %d %d %d <img src=\"/images/chips/png/%s.png\" "
    "alt=\"/images/chips/png/%s.png\" /> <a href=\"/images/chips/bmp/%s.bmp\">%s</a></div>\n";

// Hexadecimal shows the component's bits, so a negative one prints as its
// two's complement in eight digits.
int write_chip(FILE *out, const Colour &c) {
  const unsigned hex[3] = {static_cast<unsigned>(c.part[0]), static_cast<unsigned>(c.part[1]),
                           static_cast<unsigned>(c.part[2])};
  char name[html_escaped_size(kChipNameMax)];
  html_escape(name, c.name);
  return std::fprintf(out, kChipFormat, hex[0], hex[1], hex[2], c.part[0], c.part[1], c.part[2],
                      name, name, name, name);
}

const char kProgram[] = "tinctor";

bool report_malformed(FILE *err, const char *list, long number, ColourRead why) {
  std::fprintf(err, "tinctor: %s: record %ld: %s; the rest of the list is not converted\n", list,
               number, colour_fault(why));
  return false;
}

// Writes a chip line for each record until the list ends, a record is
// malformed or a write fails; each failure is reported once.
Result write_chips(FILE *in, const char *list, FILE *out, const char *output, FILE *err) {
  Colour colour;  // the same one is reused for every record of the list
  for (long number = 1;; ++number) {
    ColourRead got = read_colour(in, &colour);
    if (got == ColourRead::kEnd) return kListConverted;
    if (got == ColourRead::kReadError) {
      report_errno(err, kProgram, "read", list);
      return kListFailed;
    }
    if (got != ColourRead::kRead) {
      report_malformed(err, list, number, got);
      return kListFailed;
    }
    if (write_chip(out, colour) < 0) {
      report_errno(err, kProgram, "write", output);
      return kOutputFailed;
    }
  }
}

// Creates |output|".tmp.<pid>.<n>" beside |output|: a new file, never
// something (a link included) already there under that name. The mode is
// the one fopen gives a new file.
bool open_draft(Replacement *draft, const char *output, FILE *err) {
  const long pid = static_cast<long>(getpid());
  char temp[sizeof draft->temp];
  for (int n = 0; n < 100; ++n) {
    const int length = std::snprintf(temp, sizeof temp, "%s.tmp.%ld.%d", output, pid, n);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof temp) {
      errno = ENAMETOOLONG;
      break;
    }
    if (begin_replacement(*draft, AT_FDCWD, temp, 0666)) return true;
    if (errno != EEXIST) break;
  }
  return report_errno(err, kProgram, "create", output);
}

// Flushes the draft to the disk and renames it over |output|. Most write
// errors (a full disk) only show here, when the buffer is flushed.
bool publish_draft(Replacement *draft, const char *output, FILE *err) {
  // A failed rename is reported as the creation of |output| it was.
  return finish_replacement_reported(*draft, output, Sync::kFile, err, kProgram, "create");
}

}  // namespace

bool convert_list(const char *list, const char *output, FILE *err) {
  FILE *in = std::fopen(list, "r");
  if (in == nullptr) return report_errno(err, kProgram, "open", list);
  Replacement draft;
  if (!open_draft(&draft, output, err)) {
    std::fclose(in);
    return false;
  }
  const Result result = write_chips(in, list, draft.stream, output, err);
  std::fclose(in);
  if (result == kOutputFailed) {
    abandon_replacement(draft);
    return false;
  }
  return publish_draft(&draft, output, err) && result == kListConverted;
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
