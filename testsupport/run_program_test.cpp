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

TEST(Capture, CollectsWhatAPageWrites) {
  EXPECT_EQ(capture([](FILE *out) { std::fprintf(out, "%d-%s", 7, "x"); }), "7-x");
}

}  // namespace
