#include "fileio/replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// What replacement_sync was asked to sync; the call (1, 2) that fails.
std::vector<Inode> synced;
std::size_t failing_call = 0;

int recording_sync(int fd) {
  synced.push_back(inode_of(fd));
  if (synced.size() != failing_call) return 0;
  errno = EIO;
  return -1;
}

struct Step {
  const char *name;
  char old;  // "data" before: 'n' none, 'f' the file "old\n" (0604), 'd' a folder
  Sync sync;
  std::size_t failing_call;
  bool keep, unwritable, in_cwd;  // keep_attributes; writes refused; folder AT_FDCWD
  const char *content;            // of "data" after ("" for the folder)
  mode_t mode;                    // of "data" after
  const char *synced;             // F the file, D the folder, in order
  const char *report;             // finish_replacement_reported's line
};

const Step kSteps[] = {
    {"NewFile", 'n', Sync::kFileAndFolder, 0, false, false, false, "new\n", 0640, "FD", ""},
    {"OverTheOld", 'f', Sync::kFileAndFolder, 0, false, false, false, "new\n", 0640, "FD", ""},
    {"KeepsTheOldMode", 'f', Sync::kFile, 0, true, false, false, "new\n", 0604, "F", ""},
    {"NoSync", 'f', Sync::kNone, 0, false, false, false, "new\n", 0640, "", ""},
    {"WorkingDirectory", 'f', Sync::kFileAndFolder, 0, false, false, true, "new\n", 0640, "FD", ""},
    {"FileSyncFails", 'f', Sync::kFileAndFolder, 1, false, false, false, "old\n", 0604, "F",
     "t: cannot write data: Input/output error\n"},
    {"FolderSyncFails", 'f', Sync::kFileAndFolder, 2, false, false, false, "new\n", 0640, "FD",
     "t: cannot write data: Input/output error\n"},
    {"WriteFails", 'f', Sync::kFileAndFolder, 0, false, true, false, "old\n", 0604, "",
     "t: cannot write data: Bad file descriptor\n"},
    {"RenameFails", 'd', Sync::kFile, 0, false, false, false, "", 0755, "F",
     "t: cannot create data: Is a directory\n"},
};

class Replacing : public testing::TestWithParam<Step> {};

// "data" replaced by "new\n" through the temporary "data.new", created 0666
// under the umask 027; the temporary never outlives the replacement.
TEST_P(Replacing, RenamesTheSyncedTemporaryOrLeavesTheOld) {
  const Step &c = GetParam();
  TempDir tmp;
  if (c.old == 'f') {
    write_file(tmp / "data", "old\n");
    chmod((tmp / "data").c_str(), 0604);
  }
  if (c.old == 'd' && mkdir((tmp / "data").c_str(), 0755) == 0) write_file(tmp / "data/in", "");
  const int dir = open(tmp.path().c_str(), O_RDONLY | O_DIRECTORY);
  char cwd[4096];
  ASSERT_TRUE(dir >= 0 && getcwd(cwd, sizeof cwd) != nullptr);
  ASSERT_EQ(chdir(c.in_cwd ? tmp.path().c_str() : cwd), 0);
  const mode_t umasked = umask(027);
  synced.clear();
  failing_call = c.failing_call;
  replacement_sync = recording_sync;

  Replacement r;
  ASSERT_TRUE(begin_replacement(r, c.in_cwd ? AT_FDCWD : dir, "data.new", 0666));
  const Inode file = inode_of(fileno(r.stream));
  struct stat st;
  ASSERT_TRUE(!c.keep || (stat((tmp / "data").c_str(), &st) == 0 && keep_attributes(r, st)));
  std::fputs("new\n", r.stream);
  if (c.unwritable) {
    const int readonly = open("/dev/null", O_RDONLY);
    dup2(readonly, fileno(r.stream));
    close(readonly);
  }
  const bool done = c.report[0] == '\0';
  EXPECT_EQ(capture([&](FILE *err) {
              EXPECT_EQ(finish_replacement_reported(r, "data", c.sync, err, "t", "create"), done);
            }),
            c.report);

  replacement_sync = fsync;
  umask(umasked);
  ASSERT_EQ(chdir(cwd), 0);
  std::string order;
  for (const Inode &one : synced) order += one == file ? "F" : one == inode_of(dir) ? "D" : "?";
  close(dir);
  EXPECT_EQ(order, c.synced);
  EXPECT_FALSE(file_exists(tmp / "data.new"));
  EXPECT_EQ(c.old == 'd' ? c.content : read_file(tmp / "data").c_str(), std::string(c.content));
  ASSERT_EQ(stat((tmp / "data").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, c.mode);
}

INSTANTIATE_TEST_SUITE_P(Steps, Replacing, testing::ValuesIn(kSteps),
                         [](const auto &info) { return std::string(info.param.name); });

// The temporary must be a new file of its own; a name that is taken, even
// by a dangling link, is refused without touching what it names.
TEST(Replacing, RefusesATakenOrOverlongTemporary) {
  TempDir tmp;
  write_file(tmp / "taken", "keep\n");
  ASSERT_EQ(symlink((tmp / "target").c_str(), (tmp / "link").c_str()), 0);
  for (const auto &[temp, reason] : {std::pair<std::string, int>{"taken", EEXIST},
                                     {"link", EEXIST},
                                     {std::string(5000, 'x'), ENAMETOOLONG}}) {
    Replacement r;
    EXPECT_FALSE(begin_replacement(r, AT_FDCWD, (tmp / temp).c_str(), 0644)) << temp.size();
    EXPECT_EQ(errno, reason);
  }
  EXPECT_EQ(read_file(tmp / "taken"), "keep\n");
  EXPECT_FALSE(file_exists(tmp / "target"));
}

}  // namespace
