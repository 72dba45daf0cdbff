#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "desktop/child_processes.h"
#include "desktop/fallback_desktop.h"
#include "desktop/process_tree.h"
#include "test_support.h"

namespace varno::desktop::test {

namespace {

// True when the process is no child of ours to wait for, so not left behind as a zombie.
bool reaped(ProcessId process) {
  return waitpid(static_cast<pid_t>(process), nullptr, WNOHANG) == -1 && errno == ECHILD;
}

}  // namespace

TEST(ChildProcesses, EndKillsOnlyAWatchedChildAndReapsIt) {
  ChildProcesses children;
  const ProcessId sleeper = children.start("/bin/sleep", {"30"});
  KillOnExit sleeperGuard(sleeper);
  ASSERT_GT(sleeper, 0);
  EXPECT_FALSE(children.ended(sleeper));
  EXPECT_FALSE(children.ended(sleeper));

  // A child we made ourselves stands for a process that got an id the desktop did not give.
  const pid_t stranger = fork();
  if (stranger == 0) {
    for (;;) pause();
  }
  ASSERT_GT(stranger, 0);
  KillOnExit strangerGuard(stranger);
  EXPECT_TRUE(children.ended(stranger));
  children.end(stranger);
  children.release(stranger);
  children.end(0);
  EXPECT_TRUE(processRunning(stranger));

  children.end(sleeper);
  EXPECT_TRUE(reaped(sleeper));
  EXPECT_TRUE(children.ended(sleeper));
  children.end(sleeper);  // already gone: nothing to do

  // Neither a refused end nor a refused release took the stranger's end from its parent.
  kill(stranger, SIGKILL);
  ASSERT_TRUE(waitFor([&] { return !processRunning(stranger); }));
  children.ended(0);
  EXPECT_EQ(waitpid(stranger, nullptr, 0), stranger);
}

TEST(ChildProcesses, ChildrenThatEndOnTheirOwnAreReaped) {
  ChildProcesses children;
  const ProcessId quick = children.start("/bin/sh", {"-c", "exit 3"});
  ASSERT_GT(quick, 0);
  EXPECT_TRUE(waitFor([&] { return children.ended(quick); }));
  EXPECT_TRUE(reaped(quick));

  // Released, a child is neither killed nor ended by us, but reaped once it has ended.
  const ProcessId released = children.start("/bin/sleep", {"30"});
  KillOnExit releasedGuard(released);
  ASSERT_GT(released, 0);
  children.release(released);
  children.end(released);
  EXPECT_TRUE(children.ended(released));
  EXPECT_TRUE(processRunning(released));
  kill(static_cast<pid_t>(released), SIGKILL);
  ASSERT_TRUE(waitFor([&] { return !processRunning(released); }));
  children.ended(0);
  EXPECT_TRUE(reaped(released));
}

TEST(ProcessTree, AProcessWithItsDescendantsOnly) {
  struct Row {
    const char* name;
    std::vector<ProcessParent> processes;
    std::set<ProcessId> family;  // of process 10
  };
  const Row rows[] = {
      {"alone", {{1, 0}, {10, 1}, {11, 1}}, {10}},
      {"children and grandchildren, not siblings, parents or their children",
       {{1, 0}, {10, 1}, {11, 10}, {12, 11}, {13, 10}, {14, 1}, {15, 14}, {16, 12}},
       {10, 11, 12, 13, 16}},
      {"gone itself, its children still listed", {{11, 10}, {12, 1}}, {10, 11}},
      {"a loop, as ids reused while reading may make",
       {{10, 12}, {11, 10}, {12, 11}},
       {10, 11, 12}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(processAndDescendants(10, r.processes), r.family);
  }
  // The table /proc gives: this process is a child of its parent.
  EXPECT_TRUE(processAndDescendants(getppid(), listProcesses()).contains(getpid()));
}

}  // namespace varno::desktop::test
