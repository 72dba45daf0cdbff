#pragma once
// Helpers shared by the desktop layer's tests.
#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "testkit/files.h"
#include "testkit/program.h"

namespace varno::desktop::test {

using namespace varno::testkit;

// Kills a process that a test started when the test ends, passed or not.
class KillOnExit {
 public:
  explicit KillOnExit(std::int64_t pid) : pid_(pid) {}
  ~KillOnExit() {
    if (pid_ > 0) kill(static_cast<pid_t>(pid_), SIGKILL);
  }
  KillOnExit(const KillOnExit&) = delete;
  KillOnExit& operator=(const KillOnExit&) = delete;

 private:
  std::int64_t pid_;
};

// Whether a process runs: it exists and is not a zombie left for a parent to reap.
bool processRunning(std::int64_t pid);

// Sets up the GIO environment (XDG folders with associations to the test player) before the
// first GIO call of the process; GIO reads these folders once and keeps them.
void prepareLookupEnvironment();

// The display for the X11 cases (VARNO_TEST_DISPLAY); empty when they are to be skipped.
std::string testDisplay();

}  // namespace varno::desktop::test
