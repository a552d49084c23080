// The guest book's moderation tool:
//   across-admin DATA_DIR list            every word and its number of lines
//   across-admin DATA_DIR remove WORD...  take words down
// Exits with 0, or 1 after a message on standard error.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tools/across-admin/admin.h"

namespace {

int usage() {
  std::fputs(
      "usage: across-admin DATA_DIR list\n"
      "       across-admin DATA_DIR remove WORD...\n",
      stderr);
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  bool list = argc == 3 && std::strcmp(argv[2], "list") == 0;
  bool remove = argc >= 4 && std::strcmp(argv[2], "remove") == 0;
  if (!list && !remove) return usage();
  int dir = open_data_dir(argv[1], stderr);
  if (dir < 0) return 1;
  int status = list ? list_words_of(dir, stdout, stderr)
                    : remove_words(dir, argv + 3, argc - 3, stdout, stderr);
  close(dir);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fputs("across-admin: cannot write standard output\n", stderr);
    return 1;
  }
  return status;
}
