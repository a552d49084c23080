#include "tools/tinctor/tinctor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// How converting a list ended: the whole list converted, a list that could
// not be read to its end (what came before is kept), or an output that
// could not be written (the previous file is kept).
enum Result { kListConverted, kListFailed, kOutputFailed };

const char kChipFormat[] =
    "<div class=\"chip\">#%02x%02x%02x %d %d %d <img src=\"/images/chips/png/%s.png\" "
    "alt=\"/images/chips/png/%s.png\" /> <a href=\"/images/chips/bmp/%s.bmp\">%s</a></div>\n";

// Room for a name with every byte written as the longest entity.
constexpr std::size_t kEscapedNameSize = 6 * kChipNameMax + 1;

// Copies |name| into |out| with & < > " ' written as &amp; &lt; &gt; &quot;
// &#39;, so that a name can neither end the attribute or the link text it
// stands in nor open a tag. The tool links nothing of the CGI side, so it
// keeps this one small escaper of its own; |out| holds any name that fits
// the name buffer.
void escape_name(char (&out)[kEscapedNameSize], const char *name) {
  std::size_t length = 0;
  for (; *name != '\0'; ++name) {
    const char *entity = nullptr;
    switch (*name) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\'':
        entity = "&#39;";
        break;
      default:
        out[length++] = *name;
        continue;
    }
    for (; *entity != '\0'; ++entity) out[length++] = *entity;
  }
  out[length] = '\0';
}

// Hexadecimal shows the component's bits, so a negative one prints as its
// two's complement in eight digits.
int write_chip(FILE *out, const Colour &c) {
  const unsigned hex[3] = {static_cast<unsigned>(c.part[0]), static_cast<unsigned>(c.part[1]),
                           static_cast<unsigned>(c.part[2])};
  char name[kEscapedNameSize];
  escape_name(name, c.name);
  return std::fprintf(out, kChipFormat, hex[0], hex[1], hex[2], c.part[0], c.part[1], c.part[2],
                      name, name, name, name);
}

// Reports a failed system call on |file| with errno's reason; returns false
// so callers can report and fail in one step.
bool report_errno(FILE *err, const char *what, const char *file) {
  const char *reason = std::strerror(errno);
  std::fprintf(err, "tinctor: cannot %s %s: %s\n", what, file, reason);
  return false;
}

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
      report_errno(err, "read", list);
      return kListFailed;
    }
    if (got != ColourRead::kRead) {
      report_malformed(err, list, number, got);
      return kListFailed;
    }
    if (write_chip(out, colour) < 0) {
      report_errno(err, "write", output);
      return kOutputFailed;
    }
  }
}

// Room for an output's name and the temporary suffix.
constexpr std::size_t kDraftPathSize = 4096;

// An output file being written: a new file beside it, renamed over it only
// once complete, so that a failed write (a full disk) leaves the previous
// file whole.
struct Draft {
  FILE *stream;
  char path[kDraftPathSize];
};

// Removes the draft's file, keeping errno for the report of the failure
// that led here.
void remove_draft(const Draft &draft) {
  const int reason = errno;
  unlink(draft.path);
  errno = reason;
}

void discard_draft(Draft *draft) {
  const int reason = errno;
  std::fclose(draft->stream);
  errno = reason;
  remove_draft(*draft);
}

// Creates |output|".tmp.<pid>.<n>" in |output|'s directory. O_EXCL and
// O_NOFOLLOW: it is always a new file, never something (a link included)
// already there under that name. The mode is the one fopen gives a new file.
bool open_draft(Draft *draft, const char *output, FILE *err) {
  const long pid = static_cast<long>(getpid());
  for (int n = 0; n < 100; ++n) {
    const int length =
        std::snprintf(draft->path, sizeof draft->path, "%s.tmp.%ld.%d", output, pid, n);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof draft->path) {
      errno = ENAMETOOLONG;
      break;
    }
    const int fd = open(draft->path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) break;
    draft->stream = fdopen(fd, "w");
    if (draft->stream != nullptr) return true;
    close(fd);
    remove_draft(*draft);
    break;
  }
  return report_errno(err, "create", output);
}

// Flushes the draft to the disk and renames it over |output|. Most write
// errors (a full disk) only show here, when the buffer is flushed.
bool publish_draft(Draft *draft, const char *output, FILE *err) {
  if (std::fflush(draft->stream) != 0 || fsync(fileno(draft->stream)) != 0) {
    discard_draft(draft);
    return report_errno(err, "write", output);
  }
  if (std::fclose(draft->stream) != 0) {
    remove_draft(*draft);
    return report_errno(err, "write", output);
  }
  if (std::rename(draft->path, output) != 0) {
    remove_draft(*draft);
    return report_errno(err, "create", output);
  }
  return true;
}

}  // namespace

bool convert_list(const char *list, const char *output, FILE *err) {
  FILE *in = std::fopen(list, "r");
  if (in == nullptr) return report_errno(err, "open", list);
  Draft draft;
  if (!open_draft(&draft, output, err)) {
    std::fclose(in);
    return false;
  }
  const Result result = write_chips(in, list, draft.stream, output, err);
  std::fclose(in);
  if (result == kOutputFailed) {
    discard_draft(&draft);
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
