// Chip images for the colour-chip page: for every record of a colour list
// (read by colours/colour_list.h, as the chip-line generator reads it), one
// solid-colour PNG and one BMP named after the colour, in the folders the
// chip lines point to (png/NAME.png and bmp/NAME.bmp).
#ifndef SITE_CHIPS_CHIPIMG_H
#define SITE_CHIPS_CHIPIMG_H

#include <cstdio>

#include "colours/colour_list.h"

inline constexpr int kChipWidth = 64;
inline constexpr int kChipHeight = 32;

// True when |name| is safe as a chip's file name and as a path segment of
// its address: 1 to kChipNameMax bytes of ASCII letters, digits, '-', '_'
// and '.', not beginning with '.'. So no name is ".", "..", a hidden file,
// or reaches outside its folder, and none needs escaping in a page.
bool chip_name_safe(const char *name);

// The two open image folders; -1 when not open.
struct ChipFolders {
  int png = -1;
  int bmp = -1;
};

// Opens |dir|/png and |dir|/bmp, creating them when missing. Neither may be
// a symbolic link. Reports a failure on |err| and returns false; then
// nothing is left open.
bool open_chip_folders(const char *dir, ChipFolders *folders, FILE *err);
void close_chip_folders(ChipFolders *folders);

// Writes NAME.png and NAME.bmp, kChipWidth by kChipHeight pixels of the
// colour, for each record of the colour list |list| into |folders|. Each
// file is written beside its final name and renamed over it, so an earlier
// file (a symbolic link too) is replaced and never written through. A
// record whose name is not chip_name_safe, or with a component outside
// 0..255, gets no images; a malformed record (a component that is not a
// decimal int, a list ending inside a record, a name longer than
// kChipNameMax) ends the list, as it ends the chip lines. Every failure is
// reported on |err| with the list's name and the record's number; returns
// true only when every record of the list got both images.
bool write_list_images(const char *list, const ChipFolders &folders, FILE *err);

#endif  // SITE_CHIPS_CHIPIMG_H
