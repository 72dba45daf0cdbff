#include "testkit/program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>

extern char** environ;

namespace varno::testkit {

StartedProgram::StartedProgram(const std::string& program, const std::vector<std::string>& args) {
  const std::string outPath = dir_ / "stdout";
  const std::string errPath = dir_ / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
}

StartedProgram::~StartedProgram() {
  if (!result_) finish(std::chrono::milliseconds(0));
}

std::optional<RunResult> StartedProgram::result(std::chrono::milliseconds limit) {
  waitFor(
      [this] {
        int status = 0;
        if (!result_ && waitpid(pid_, &status, WNOHANG) == pid_) ended(status);
        return result_.has_value();
      },
      limit);
  return result_;
}

RunResult StartedProgram::finish(std::chrono::milliseconds limit) {
  if (result(limit)) return *result_;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  ended(status);
  result_->err += "killed: still running after " + std::to_string(limit.count()) + " ms\n";
  return *result_;
}

void StartedProgram::ended(int status) {
  result_ = RunResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir_ / "stdout"),
                      readFile(dir_ / "stderr")};
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds limit) {
  return StartedProgram(program, args).finish(limit);
}

}  // namespace varno::testkit
