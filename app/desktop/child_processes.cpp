#include "desktop/child_processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace varno::desktop {

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

constexpr std::size_t kErrorsKept = 64 * 1024;

}  // namespace

ChildProcesses::~ChildProcesses() {
  reapReleased();
  for (const ProcessId process : watched_) reapIfEnded(process);
  while (!errorFiles_.empty()) passOnErrors(errorFiles_.begin()->first);
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
  // An in-memory file never fills up, so a child never blocks on its messages, and nothing
  // is written to disk; without one the child writes to our own standard error.
  const int errorFile = memfd_create("varno-child-errors", MFD_CLOEXEC);
  if (errorFile >= 0) posix_spawn_file_actions_adddup2(&actions, errorFile, 2);
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
  if (error != 0 || pid <= 0) {
    if (errorFile >= 0) close(errorFile);
    return 0;
  }
  adopt(pid);
  if (errorFile >= 0) {
    passOnErrors(pid);  // an earlier child's, were its id used again
    errorFiles_[pid] = errorFile;
  }
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
  passOnErrors(process);
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
  passOnErrors(process);
  if (watched_.erase(process) != 0) released_.insert(process);
  reapReleased();
}

bool ChildProcesses::failed(ProcessId process) const { return failed_.contains(process); }

std::string ChildProcesses::errors(ProcessId process) const {
  const auto found = errorFiles_.find(process);
  if (found == errorFiles_.end()) return {};
  std::string text(kErrorsKept, '\0');
  const ssize_t got = pread(found->second, text.data(), text.size(), 0);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

void ChildProcesses::passOnErrors(ProcessId process) {
  const auto found = errorFiles_.find(process);
  if (found == errorFiles_.end()) return;
  char block[4096];
  off_t at = 0;
  for (ssize_t got; (got = pread(found->second, block, sizeof block, at)) > 0; at += got)
    if (write(2, block, static_cast<std::size_t>(got)) != got) break;
  close(found->second);
  errorFiles_.erase(found);
}

void ChildProcesses::reapReleased() { std::erase_if(released_, reapIfEnded); }

}  // namespace varno::desktop
