#include <gtest/gtest.h>
#include <sys/stat.h>

#include "desktop.h"
#include "test_support.h"

namespace varno::test {

namespace fs = std::filesystem;

TEST(StartDetached, PassesAwkwardPathsAndArgumentsUntouched) {
  TempDir dir;
  // Blanks, both quotes and Japanese in the program's path, shell syntax in the arguments:
  // only an argument vector with no shell in between gets each of them through unchanged.
  const fs::path program = dir.path() / "a b 'c' \"d\" 日本語" / "プレーヤー \"1\"";
  fs::create_directories(program.parent_path());
  fs::copy_file(VARNO_TESTPLAYER, program);
  const std::vector<std::string> args = {(dir.path() / "音 'x' \"y\".wav").string(), "",
                                         "two  words", "$HOME;`id`|*>out", "%f"};
  const fs::path record = dir.path() / "record";
  setenv("VARNO_TESTPLAYER_RECORD", record.c_str(), 1);

  std::int64_t pid = 0;
  const bool started = startDetachedProcess(program.string(), args, &pid);
  unsetenv("VARNO_TESTPLAYER_RECORD");
  KillOnExit player(pid);
  ASSERT_TRUE(started);
  EXPECT_GT(pid, 0);
  ASSERT_TRUE(waitFor([&] { return fs::exists(record); }));
  std::string expected;
  for (const std::string& arg : args) expected += arg + "\n";
  EXPECT_EQ(readFile(record), expected);
  EXPECT_FALSE(fs::exists(dir.path() / "out"));
}

TEST(StartDetached, RefusesWhatCannotRun) {
  TempDir dir;
  writeFile(dir.path() / "not-executable", "#!/bin/sh\n");
  chmod((dir.path() / "not-executable").c_str(), 0644);
  const std::string cases[] = {"", (dir.path() / "missing").string(),
                               (dir.path() / "not-executable").string(), dir.path().string()};
  for (const std::string& program : cases) {
    SCOPED_TRACE(program);
    std::int64_t pid = -7;
    EXPECT_FALSE(startDetachedProcess(program, {"x.wav"}, &pid));
    EXPECT_EQ(pid, -7);
  }
}

}  // namespace varno::test
