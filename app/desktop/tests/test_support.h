#pragma once
// Helpers shared by the desktop layer's tests.
#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

namespace varno::desktop::test {

// Polls until the condition holds or the time is up; true when it held.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(3)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A fresh directory under the system's temporary folder, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

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

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& text);

// Sets up the GIO environment (XDG folders with associations to the test player) before the
// first GIO call of the process; GIO reads these folders once and keeps them.
void prepareLookupEnvironment();

// The display for the X11 cases (VARNO_TEST_DISPLAY); empty when they are to be skipped.
std::string testDisplay();

}  // namespace varno::desktop::test
