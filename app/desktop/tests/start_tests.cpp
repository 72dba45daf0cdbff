#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "desktop/child_processes.h"
#include "desktop/desktop.h"
#include "test_support.h"

namespace varno::desktop::test {

namespace fs = std::filesystem;

TEST(StartProgram, PassesAwkwardPathsAndArgumentsUntouched) {
  TempDir dir;
  // Blanks, both quotes and Japanese in the program's path, shell syntax in the arguments:
  // only an argument vector with no shell in between gets each of them through unchanged.
  const fs::path program = dir.path() / "a b 'c' \"d\" 日本語" / "プレーヤー \"1\"";
  fs::create_directories(program.parent_path());
  fs::copy_file(VARNO_TESTPLAYER, program);
  const std::vector<std::string> args = {(dir.path() / "音 'x' \"y\".wav").string(), "",
                                         "two  words", "$HOME;`id`|*>out", "%f"};
  std::string expected;
  for (const std::string& arg : args) expected += arg + "\n";
  const fs::path record = dir.path() / "record";
  ChildProcesses children;

  setenv("VARNO_TESTPLAYER_RECORD", record.c_str(), 1);
  const ProcessId pid = children.start(program.string(), args);
  unsetenv("VARNO_TESTPLAYER_RECORD");
  KillOnExit player(pid);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(waitFor([&] { return fs::exists(record); }));
  EXPECT_EQ(readFile(record), expected);
  EXPECT_FALSE(fs::exists(dir.path() / "out"));
  children.end(pid);
}

TEST(StartProgram, RefusesWhatCannotRunAndLeavesNoChildBehind) {
  TempDir dir;
  writeFile(dir.path() / "not-executable", "#!/bin/sh\n");
  chmod((dir.path() / "not-executable").c_str(), 0644);
  const std::string cases[] = {"", (dir.path() / "missing").string(),
                               (dir.path() / "not-executable").string(), dir.path().string()};
  ChildProcesses children;
  for (const std::string& program : cases) {
    SCOPED_TRACE(program);
    EXPECT_EQ(children.start(program, {"x.wav"}), 0);
  }
  // A child whose exec failed is reaped at once, never left as a zombie.
  siginfo_t ended{};
  EXPECT_EQ(waitid(P_ALL, 0, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 ? ended.si_pid : 0, 0);
}

}  // namespace varno::desktop::test
