#include "child_processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace varno {

namespace {

// Waits for one child of ours; true once it is gone: reaped now, or no child of ours (any
// more) to wait for. *failed tells whether a child reaped now failed.
bool reap(ProcessId process, int options, bool* failed = nullptr) {
  for (;;) {
    int status = 0;
    const pid_t result = waitpid(static_cast<pid_t>(process), &status, options);
    if (result == -1 && errno == EINTR) continue;
    if (failed) *failed = result > 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return result != 0;
  }
}

bool reapIfEnded(ProcessId process) { return reap(process, WNOHANG); }

}  // namespace

ChildProcesses::~ChildProcesses() {
  reapReleased();
  for (const ProcessId process : watched_) reapIfEnded(process);
}

ProcessId ChildProcesses::start(const std::string& program, const std::vector<std::string>& args) {
  reapReleased();
  if (program.empty()) return 0;
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The display connection and whatever else we hold open is none of a converter's business.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // A converter gets the signal handling a program started from a shell has, whatever the
  // window ignores or blocks.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  // glibc returns the error of a failed exec (ENOENT, EACCES) here and reaps that child itself.
  const int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0 || pid <= 0) return 0;
  adopt(pid);
  return pid;
}

void ChildProcesses::adopt(ProcessId process) {
  reapReleased();
  if (process <= 0) return;
  watched_.insert(process);
  failed_.erase(process);  // an id used again starts with a clean record
}

bool ChildProcesses::ended(ProcessId process) {
  reapReleased();
  if (!watched_.contains(process)) return true;
  bool failed = false;
  if (!reap(process, WNOHANG, &failed)) return false;
  watched_.erase(process);
  if (failed) failed_.insert(process);
  return true;
}

void ChildProcesses::end(ProcessId process) {
  reapReleased();
  if (!watched_.contains(process)) return;
  watched_.erase(process);
  bool failed = false;
  // Not reaped yet, so the id is still our child's, ended or not.
  if (!reap(process, WNOHANG, &failed)) {
    kill(static_cast<pid_t>(process), SIGKILL);
    reap(process, 0, &failed);
  }
  if (failed) failed_.insert(process);
}

void ChildProcesses::release(ProcessId process) {
  if (watched_.erase(process) != 0) released_.insert(process);
  reapReleased();
}

bool ChildProcesses::failed(ProcessId process) const { return failed_.contains(process); }

void ChildProcesses::reapReleased() { std::erase_if(released_, reapIfEnded); }

}  // namespace varno
