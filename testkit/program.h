#pragma once
// Running a program as a test does: no shell, its output captured, never left running.
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "testkit/files.h"

namespace varno::testkit {

// Asks `condition` every 10 ms until it holds; false when `limit` passed first.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(3)) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + limit;
  while (!condition()) {
    const Clock::duration left = end - Clock::now();
    if (left <= Clock::duration::zero()) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(10)));
  }
  return true;
}

struct RunResult {
  int exitCode = -1;  // -1 when it did not exit by itself
  std::string out;
  std::string err;
};

constexpr std::chrono::milliseconds kRunLimit = std::chrono::minutes(1);

// A program started with `args`, standard output and error captured; killed when the object
// ends if it is still running.
class StartedProgram {
 public:
  StartedProgram(const std::string& program, const std::vector<std::string>& args);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;
  // The result once the program has ended, waiting up to `limit` for that.
  std::optional<RunResult> result(std::chrono::milliseconds limit);
  // The result, the program killed if it still runs after `limit` (its error output says so).
  RunResult finish(std::chrono::milliseconds limit = kRunLimit);

 private:
  void ended(int waitStatus);

  TempDir dir_;
  pid_t pid_ = -1;
  std::optional<RunResult> result_;
};

// Runs `program` with `args` to its end, killing it after `limit`.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds limit = kRunLimit);

}  // namespace varno::testkit
