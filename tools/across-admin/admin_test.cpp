#include "tools/across-admin/admin.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/run_program.h"

namespace {

namespace fs = std::filesystem;

// A site tree: www/cgi-bin the guest book's working directory, www/data its
// store.
struct Tree {
  TempDir tmp;
  std::string cgi = tmp / "www/cgi-bin", data = tmp / "www/data";
  Tree() {
    fs::create_directories(cgi);
    fs::create_directories(data);
  }
  std::string at(const char *name) const { return data + "/" + name; }
  ProgramResult admin(std::vector<std::string> args) const {
    return run_program(bin_path("across-admin"), ProgramRun{{"LC_ALL=C"}, {}, args, {}});
  }
  ProgramResult visit(const std::string &word) const {
    return run_program(
        bin_path("across"),
        ProgramRun{{"LC_ALL=C", "TZ=UTC", "QUERY_STRING=r=" + word, "REMOTE_ADDR=192.0.2.9"},
                   cgi,
                   {},
                   {}});
  }
};

const char kLog[] =
    "000001, Hello, 192.0.2.1, Mon Jan  1 00:00:00 2024\n"
    "000002, spam, 192.0.2.2, Mon Jan  1 00:00:01 2024\n"
    "000003, hello, 192.0.2.3, Mon Jan  1 00:00:02 2024\n"
    "000004, a+b%21, 192.0.2.4, Mon Jan  1 00:00:03 2024\n"
    "000005, SPAM, 192.0.2.5, Mon Jan  1 00:00:04 2024\n";

TEST(AcrossAdmin, ListsEachWordAsShownWithItsNumberOfLines) {
  Tree tree;
  write_file(tree.at("across.log"), kLog);
  ProgramResult r = tree.admin({tree.data, "list"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\ta b!\n2\tHello\n2\tspam\n");
}

// Lines of a word go, whatever their case, to the removed lines' log; the
// rest of the log, its mode and the counter stay.
TEST(AcrossAdmin, RemovesEveryLineOfAWordAndKeepsThemAside) {
  Tree tree;
  write_file(tree.at("across.log"), kLog);
  write_file(tree.at("across.cnt"), "000005\n\n");
  fs::permissions(tree.at("across.log"), fs::perms(0600));
  ProgramResult r = tree.admin({tree.data, "remove", "Spam", "a b!"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "removed 3 lines\n");
  EXPECT_EQ(read_file(tree.at("across.log")),
            "000001, Hello, 192.0.2.1, Mon Jan  1 00:00:00 2024\n"
            "000003, hello, 192.0.2.3, Mon Jan  1 00:00:02 2024\n");
  EXPECT_EQ(read_file(tree.at("removed_across.log")),
            "000002, spam, 192.0.2.2, Mon Jan  1 00:00:01 2024\n"
            "000004, a+b%21, 192.0.2.4, Mon Jan  1 00:00:03 2024\n"
            "000005, SPAM, 192.0.2.5, Mon Jan  1 00:00:04 2024\n");
  EXPECT_EQ(read_file(tree.at("across.cnt")), "000005\n\n");
  EXPECT_EQ(fs::status(tree.at("across.log")).permissions(), fs::perms(0600));
  EXPECT_EQ(fs::status(tree.at("removed_across.log")).permissions(), fs::perms(0640));
}

// Failures exit 1 with a message and change nothing: a link as the data
// directory or as the log, a lock held past the wait, a bad command line.
TEST(AcrossAdmin, RefusesLinksAHeldLockAndBadArguments) {
  Tree tree;
  write_file(tree.at("across.log"), kLog);
  std::string elsewhere = tree.tmp / "elsewhere.log", link = tree.tmp / "data.link";
  fs::create_directory_symlink(tree.data, link);
  ProgramResult r = tree.admin({link, "remove", "spam"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err, "");
  for (std::vector<std::string> args :
       {std::vector<std::string>{}, {tree.data}, {tree.data, "remove"}, {tree.data, "drop", "x"}})
    EXPECT_EQ(tree.admin(args).status, 1);
  int dir = open(tree.data.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(flock(dir, LOCK_EX), 0);
  r = tree.admin({tree.data, "remove", "spam"});
  close(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("lock"), std::string::npos) << r.err;
  fs::rename(tree.at("across.log"), elsewhere);
  fs::create_symlink(elsewhere, tree.at("across.log"));
  EXPECT_EQ(tree.admin({tree.data, "remove", "spam"}).status, 1);
  EXPECT_EQ(read_file(elsewhere), kLog);
  EXPECT_FALSE(fs::exists(tree.at("removed_across.log")));
}

// Root on a tree another user owns acts as that user: the new log is the
// owner's.
TEST(AcrossAdmin, RootActsAsTheDataDirectorysOwner) {
  std::optional<ChildLimits> nobody = as_unprivileged_user();
  if (geteuid() != 0 || !nobody) GTEST_SKIP() << "needs root and the user nobody";
  Tree tree;
  for (const std::string &path : {tree.tmp.path(), tree.tmp / "www"})
    fs::permissions(path, fs::perms(0755));
  write_file(tree.at("across.log"), kLog);
  ASSERT_EQ(chown(tree.data.c_str(), *nobody->uid, *nobody->gid), 0);
  ASSERT_EQ(chown(tree.at("across.log").c_str(), *nobody->uid, *nobody->gid), 0);
  ProgramResult r = tree.admin({tree.data, "remove", "spam"});
  EXPECT_EQ(r.status, 0) << r.err;
  struct stat st;
  ASSERT_EQ(stat(tree.at("removed_across.log").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, *nobody->uid);
  ASSERT_EQ(stat(tree.at("across.log").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, *nobody->uid);
}

// 40 visitors write while the word is taken down: each visitor's word is in
// the log once, the word is not, and its lines are kept aside.
TEST(AcrossAdmin, ARemovalWhileFortyVisitorsWriteLosesNoWord) {
  constexpr int kVisitors = 40;
  Tree tree;
  std::string log;
  for (int i = 0; i < 20000; ++i)
    log += std::to_string(100000 + i) + (i % 10 == 0 ? ", spam, " : ", ham, ") +
           "192.0.2.1, Mon Jan  1 00:00:00 2024\n";
  write_file(tree.at("across.log"), log);
  write_file(tree.at("across.cnt"), "200000\n\n");
  std::vector<ProgramResult> visits(kVisitors);
  std::vector<std::thread> threads;
  for (int i = 0; i < kVisitors; ++i)
    threads.emplace_back([&, i] { visits[i] = tree.visit("visitor" + std::to_string(i)); });
  ProgramResult removal = tree.admin({tree.data, "remove", "spam"});
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(removal.status, 0) << removal.err;
  std::string after = read_file(tree.at("across.log"));
  for (int i = 0; i < kVisitors; ++i) {
    std::string word = ", visitor" + std::to_string(i) + ",";
    EXPECT_EQ(visits[i].out.find("Log Failed!"), std::string::npos) << i;
    EXPECT_NE(after.find(word), std::string::npos) << "lost: " << word;
    EXPECT_EQ(after.find(word), after.rfind(word)) << "twice: " << word;
  }
  EXPECT_EQ(after.find(", spam,"), std::string::npos);
  std::string removed = read_file(tree.at("removed_across.log"));
  EXPECT_EQ(removed.size(),
            2000 * std::string("100000, spam, 192.0.2.1, Mon Jan  1 00:00:00 2024\n").size());
  EXPECT_EQ(read_file(tree.at("across.cnt")), "200040\n\n");
}

}  // namespace
