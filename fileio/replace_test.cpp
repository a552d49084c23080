#include "fileio/replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fileio/report.h"
#include "testsupport/run_program.h"

namespace {

using Inode = std::pair<dev_t, ino_t>;

Inode inode_of(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? Inode{st.st_dev, st.st_ino} : Inode{};
}

// What replacement_sync was asked to sync, and the call (1, 2 ...) made to
// fail with EIO; 0: none.
std::vector<Inode> synced;
int failing_call = 0;

int recording_sync(int fd) {
  synced.push_back(inode_of(fd));
  if (static_cast<int>(synced.size()) == failing_call) {
    errno = EIO;
    return -1;
  }
  return 0;
}

struct Step {
  const char *name;
  bool old_file;   // "data" holds "old\n" before
  bool keep;       // the temporary takes the old file's attributes
  Sync sync;
  int failing_call;
  bool unwritable;  // the temporary's descriptor refuses writes
  bool in_cwd;      // the folder is the working directory (AT_FDCWD)
  Replaced result;
  const char *content;  // of "data" after
  const char *synced;   // "F" the file, "D" the folder, in the order synced
  const char *report;   // finish_replacement_reported's line, "" when none
};

void PrintTo(const Step &c, std::ostream *os) { *os << c.name; }

const Step kSteps[] = {
    {"NewFile", false, false, Sync::kFileAndFolder, 0, false, false, Replaced::kDone, "new\n", "FD",
     ""},
    {"OverTheOld", true, false, Sync::kFileAndFolder, 0, false, false, Replaced::kDone, "new\n",
     "FD", ""},
    {"KeepsTheOldMode", true, true, Sync::kFile, 0, false, false, Replaced::kDone, "new\n", "F", ""},
    {"NoSync", true, false, Sync::kNone, 0, false, false, Replaced::kDone, "new\n", "", ""},
    {"WorkingDirectory", true, false, Sync::kFileAndFolder, 0, false, true, Replaced::kDone, "new\n",
     "FD", ""},
    {"FileSyncFails", true, false, Sync::kFileAndFolder, 1, false, false, Replaced::kNotWritten,
     "old\n", "F", "t: cannot write data: Input/output error\n"},
    {"FolderSyncFails", true, false, Sync::kFileAndFolder, 2, false, false, Replaced::kNotWritten,
     "new\n", "FD", "t: cannot write data: Input/output error\n"},
    {"WriteFails", true, false, Sync::kFileAndFolder, 0, true, false, Replaced::kNotWritten,
     "old\n", "", "t: cannot write data: Bad file descriptor\n"},
};

class Replacing : public testing::TestWithParam<Step> {};

// A replacement of "data" by "new\n" through the temporary "data.new",
// created 0666 under the umask 027.
TEST_P(Replacing, RenamesTheSyncedTemporaryOrLeavesTheOld) {
  const Step &c = GetParam();
  TempDir tmp;
  if (c.old_file) {
    write_file(tmp / "data", "old\n");
    ASSERT_EQ(chmod((tmp / "data").c_str(), 0604), 0);
  }
  const int dir = open(tmp.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir, 0);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  if (c.in_cwd) {
    ASSERT_EQ(chdir(tmp.path().c_str()), 0);
  }
  const mode_t umasked = umask(027);
  synced.clear();
  failing_call = c.failing_call;
  replacement_sync = recording_sync;

  Replacement r;
  ASSERT_TRUE(begin_replacement(r, c.in_cwd ? AT_FDCWD : dir, "data.new", 0666));
  const Inode file = inode_of(fileno(r.stream));
  struct stat old;
  if (c.keep) {
    ASSERT_TRUE(stat((tmp / "data").c_str(), &old) == 0 && keep_attributes(r, old));
  }
  std::fputs("new\n", r.stream);
  if (c.unwritable) {
    const int readonly = open("/dev/null", O_RDONLY);
    dup2(readonly, fileno(r.stream));
    close(readonly);
  }
  const std::string report = capture([&](FILE *err) {
    EXPECT_EQ(finish_replacement_reported(r, "data", c.sync, err, "t", "create"),
              c.result == Replaced::kDone);
  });

  replacement_sync = fsync;
  umask(umasked);
  ASSERT_EQ(chdir(cwd), 0);
  std::string order;
  for (const Inode &done : synced) order += done == file ? "F" : done == inode_of(dir) ? "D" : "?";
  close(dir);
  EXPECT_EQ(order, c.synced);
  EXPECT_EQ(report, c.report);
  EXPECT_FALSE(file_exists(tmp / "data.new"));
  EXPECT_EQ(read_file(tmp / "data"), c.content);
  struct stat st;
  ASSERT_EQ(stat((tmp / "data").c_str(), &st), 0);
  if (c.result == Replaced::kDone) {
    EXPECT_EQ(st.st_mode & 07777, c.keep ? 0604u : 0640u);
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, Replacing, testing::ValuesIn(kSteps),
                         [](const testing::TestParamInfo<Step> &info) {
                           return std::string(info.param.name);
                         });

// The temporary must be a new file of its own; a name that is taken, even
// by a dangling link, is refused without touching what it names.
TEST(Replacing, RefusesATakenOrOverlongTemporary) {
  TempDir tmp;
  write_file(tmp / "taken", "keep\n");
  ASSERT_EQ(symlink((tmp / "target").c_str(), (tmp / "link").c_str()), 0);
  const std::pair<std::string, int> kRefused[] = {
      {"taken", EEXIST}, {"link", EEXIST}, {std::string(5000, 'x'), ENAMETOOLONG}};
  for (const auto &[temp, reason] : kRefused) {
    Replacement r;
    errno = 0;
    EXPECT_FALSE(begin_replacement(r, AT_FDCWD, (tmp / temp).c_str(), 0644)) << temp.size();
    EXPECT_EQ(errno, reason);
  }
  EXPECT_EQ(read_file(tmp / "taken"), "keep\n");
  EXPECT_FALSE(file_exists(tmp / "target"));
}

// A rename that fails (over a folder) keeps the folder and removes the
// temporary, and is reported in the tool's own word.
TEST(Replacing, AFailedRenameIsReportedAndCleanedUp) {
  TempDir tmp;
  ASSERT_EQ(mkdir((tmp / "data").c_str(), 0755), 0);
  write_file(tmp / "data/inside", "");
  Replacement r;
  ASSERT_TRUE(begin_replacement(r, AT_FDCWD, (tmp / "data.new").c_str(), 0644));
  const std::string name = tmp / "data";
  const std::string report = capture([&](FILE *err) {
    EXPECT_FALSE(finish_replacement_reported(r, name.c_str(), Sync::kNone, err, "t", "create"));
  });
  EXPECT_EQ(report.rfind("t: cannot create " + name + ": ", 0), 0u) << report;
  EXPECT_FALSE(file_exists(tmp / "data.new"));
  EXPECT_TRUE(file_exists(tmp / "data/inside"));
}

}  // namespace
