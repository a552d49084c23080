#include "testsupport/run_program.h"

#include <gtest/gtest.h>

namespace {

ProgramResult sh(const std::string &script, ProgramRun run = {}) {
  run.args = {"-c", script};
  return run_program("/bin/sh", run);
}

TEST(RunProgram, PassesExactlyTheGivenEnvironment) {
  auto r = sh("echo \"[$QUERY_STRING][${HOME-unset}]\"", {{"QUERY_STRING=a=1&b"}, {}, {}, {}});
  EXPECT_EQ(r.out, "[a=1&b][unset]\n");
  EXPECT_EQ(r.status, 0);
}

TEST(RunProgram, RunsInTheGivenDirectoryWithInputAndStatus) {
  TempDir dir;
  auto r = sh("pwd; cat; echo oops >&2; exit 3", {{}, dir.path(), {}, std::string(200000, 'x')});
  EXPECT_EQ(r.out, dir.path() + "\n" + std::string(200000, 'x'));
  EXPECT_EQ(r.err, "oops\n");
  EXPECT_EQ(r.status, 3);
}

TEST(RunProgram, ReportsASignalAs128Plus) { EXPECT_EQ(sh("kill -SEGV $$").status, 128 + 11); }

TEST(RunProgram, KillsAChildAtItsDeadline) {
  ChildLimits limits;
  limits.kill_after = std::chrono::milliseconds(20);
  EXPECT_EQ(run_program("/bin/sleep", {{}, {}, {"5"}, {}}, limits).status, 128 + 9);
}

TEST(RunProgram, CutsWritesAtTheFileSizeLimit) {
  TempDir dir;
  ChildLimits limits;
  limits.max_file_size = 4;
  auto r =
      run_program("/bin/sh", {{}, dir.path(), {"-c", "printf 123456 >f || echo cut"}, {}}, limits);
  EXPECT_EQ(r.out, "cut\n");
  EXPECT_EQ(read_file(dir / "f"), "1234");
}

TEST(RunProgram, RunsAsAnUnprivilegedUser) {
  std::optional<ChildLimits> user = as_unprivileged_user();
  if (!user) GTEST_SKIP() << "no user nobody";
  EXPECT_NE(run_program("/bin/sh", {{}, "/", {"-c", "id -u"}, {}}, *user).out, "0\n");
}

TEST(Capture, CollectsWhatAPageWrites) {
  EXPECT_EQ(capture([](FILE *out) { std::fprintf(out, "%d-%s", 7, "x"); }), "7-x");
}

}  // namespace
