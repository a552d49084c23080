#include "site/chips/chipimg.h"

#include <fcntl.h>
#include <stb/stb_image_write.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "fileio/replace.h"
#include "fileio/report.h"

namespace {

const char kProgram[] = "chipimg";

bool report_record(FILE *err, const char *list, long number, const char *why) {
  std::fprintf(err, "chipimg: %s: record %ld: %s\n", list, number, why);
  return false;
}

// The encoder hands its output over in pieces; they go to the stdio stream,
// whose error flag is looked at once at the end.
void write_piece(void *context, void *data, int size) {
  std::fwrite(data, 1, static_cast<std::size_t>(size), static_cast<FILE *>(context));
}

enum Format { kPng, kBmp };

int encode(FILE *out, Format format, const unsigned char *pixels) {
  if (format == kPng)
    return stbi_write_png_to_func(write_piece, out, kChipWidth, kChipHeight, 3, pixels,
                                  kChipWidth * 3);
  return stbi_write_bmp_to_func(write_piece, out, kChipWidth, kChipHeight, 3, pixels);
}

// Writes |file| in the folder |dir| through ".FILE.tmp" beside it. Chip
// names never begin with '.', so the temporary name is no chip's. Build
// output, so there is no sync: a crash is mended by building again.
bool write_image(int dir, const char *file, Format format, const unsigned char *pixels, FILE *err) {
  char temp[kChipNameMax + 16];
  std::snprintf(temp, sizeof temp, ".%s.tmp", file);
  if (unlinkat(dir, temp, 0) != 0 && errno != ENOENT)
    return report_errno(err, kProgram, "remove", temp);
  Replacement image;
  if (!begin_replacement(image, dir, temp, 0644))
    return report_errno(err, kProgram, "create", temp);
  if (encode(image.stream, format, pixels) == 0) {
    abandon_replacement(image);
    std::fprintf(err, "chipimg: cannot encode %s\n", file);
    return false;
  }
  return finish_replacement_reported(image, file, Sync::kNone, err, kProgram, "rename");
}

bool write_chip(const ChipFolders &folders, const Colour &colour, FILE *err) {
  unsigned char pixels[kChipWidth * kChipHeight * 3];
  for (int i = 0; i < kChipWidth * kChipHeight * 3; ++i)
    pixels[i] = static_cast<unsigned char>(colour.part[i % 3]);
  char file[kChipNameMax + 5];
  std::snprintf(file, sizeof file, "%s.png", colour.name);
  bool png = write_image(folders.png, file, kPng, pixels, err);
  std::snprintf(file, sizeof file, "%s.bmp", colour.name);
  bool bmp = write_image(folders.bmp, file, kBmp, pixels, err);
  return png && bmp;
}

bool components_fit(const Colour &colour) {
  for (int part : colour.part)
    if (part < 0 || part > 255) return false;
  return true;
}

// Writes the images of each record in turn; a refused record is reported
// and the list goes on, a malformed one ends it.
bool write_records(FILE *in, const char *list, const ChipFolders &folders, FILE *err) {
  Colour colour;
  bool ok = true;
  for (long number = 1;; ++number) {
    ColourRead got = read_colour(in, &colour);
    if (got == ColourRead::kEnd) return ok;
    if (got == ColourRead::kReadError) return report_errno(err, kProgram, "read", list);
    if (got != ColourRead::kRead) return report_record(err, list, number, colour_fault(got));
    if (!chip_name_safe(colour.name))
      ok = report_record(err, list, number, "the name cannot be a chip's file name");
    else if (!components_fit(colour))
      ok = report_record(err, list, number, "a component is outside 0..255");
    else
      ok = write_chip(folders, colour, err) && ok;
  }
}

// Opens the folder |name| inside |parent|, creating it when missing; a
// symbolic link in its place is refused.
int open_folder(int parent, const char *dir, const char *name, FILE *err) {
  if (mkdirat(parent, name, 0755) != 0 && errno != EEXIST) {
    std::fprintf(err, "chipimg: cannot create %s/%s: %s\n", dir, name, std::strerror(errno));
    return -1;
  }
  int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    std::fprintf(err, "chipimg: cannot open %s/%s: %s\n", dir, name, std::strerror(errno));
  return fd;
}

}  // namespace

bool chip_name_safe(const char *name) {
  if (name[0] == '\0' || name[0] == '.') return false;
  std::size_t length = 0;
  for (; name[length] != '\0'; ++length) {
    unsigned char c = static_cast<unsigned char>(name[length]);
    bool allowed = (c < 128 && std::isalnum(c)) || c == '-' || c == '_' || c == '.';
    if (!allowed || length == kChipNameMax) return false;
  }
  return true;
}

bool open_chip_folders(const char *dir, ChipFolders *folders, FILE *err) {
  int parent = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return report_errno(err, kProgram, "open", dir);
  folders->png = open_folder(parent, dir, "png", err);
  folders->bmp = folders->png < 0 ? -1 : open_folder(parent, dir, "bmp", err);
  close(parent);
  if (folders->bmp >= 0) return true;
  close_chip_folders(folders);
  return false;
}

void close_chip_folders(ChipFolders *folders) {
  if (folders->png >= 0) close(folders->png);
  if (folders->bmp >= 0) close(folders->bmp);
  folders->png = folders->bmp = -1;
}

bool write_list_images(const char *list, const ChipFolders &folders, FILE *err) {
  FILE *in = std::fopen(list, "r");
  if (in == nullptr) return report_errno(err, kProgram, "open", list);
  bool ok = write_records(in, list, folders, err);
  std::fclose(in);
  return ok;
}
