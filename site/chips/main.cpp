#include <cstdio>

#include "site/chips/chipimg.h"

// chipimg DIR LIST...: writes DIR/png/NAME.png and DIR/bmp/NAME.bmp for
// every colour of each list. Failures are reported on standard error; the
// exit status is 1 when any image is missing, 2 on a usage error.
int main(int argc, char **argv) {
  if (argc < 3) {
    std::fputs("usage: chipimg DIR LIST...\n", stderr);
    return 2;
  }
  ChipFolders folders;
  if (!open_chip_folders(argv[1], &folders, stderr)) return 1;
  bool ok = true;
  for (int i = 2; i < argc; ++i) ok = write_list_images(argv[i], folders, stderr) && ok;
  close_chip_folders(&folders);
  return ok ? 0 : 1;
}
