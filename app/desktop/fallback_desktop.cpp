#include "fallback_desktop.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>

#include "process_tree.h"
#include "program_lookup.h"

namespace varno {

namespace {

// Process ids stay below 2^22 on Linux; the pseudo windows live above 2^30.
constexpr WindowId kPseudoWindowBase = 0x40000000;

}  // namespace

bool processRunning(std::int64_t pid) {
  if (pid <= 0 || pid >= kPseudoWindowBase) return false;
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  // An ended program whose parent is gone waits as a zombie until the system reaps it,
  // which a container's first process may never do.
  const auto status = readProcessStatus(pid);
  return !status || (status->state != 'Z' && status->state != 'X');
}

WindowId FallbackDesktop::pseudoWindowOf(std::int64_t pid) {
  if (pid <= 0 || pid >= kPseudoWindowBase) return 0;
  return kPseudoWindowBase + static_cast<WindowId>(pid);
}

std::int64_t FallbackDesktop::processOfPseudoWindow(WindowId window) {
  return window > kPseudoWindowBase ? window - kPseudoWindowBase : 0;
}

ProgramLookup FallbackDesktop::findExecutable(const std::string& document) {
  return lookUpProgram(document);
}

PlayerLaunch FallbackDesktop::launchPlayer(const std::string& document, const std::string& file) {
  return launchAssociatedProgram(document, file, children_);
}

bool FallbackDesktop::startDetached(const std::string& program,
                                    const std::vector<std::string>& args) {
  std::int64_t pid = 0;
  if (!startDetachedProcess(program, args, &pid)) return false;
  forgetEnded();
  if (pseudoWindowOf(pid) != 0) started_.push_back(pid);
  return true;
}

ProcessId FallbackDesktop::startWatched(const std::string& program,
                                        const std::vector<std::string>& args) {
  return children_.start(program, args);
}

bool FallbackDesktop::processEnded(ProcessId process) { return children_.ended(process); }

void FallbackDesktop::endProcess(ProcessId process) { children_.end(process); }

void FallbackDesktop::releaseProcess(ProcessId process) { children_.release(process); }

bool FallbackDesktop::processFailed(ProcessId process) { return children_.failed(process); }

void FallbackDesktop::forgetEnded() {
  std::erase_if(started_, [](std::int64_t pid) { return !processRunning(pid); });
}

WindowId FallbackDesktop::foregroundWindow() {
  forgetEnded();
  return started_.empty() ? 0 : pseudoWindowOf(started_.back());
}

int FallbackDesktop::setForegroundWindow(WindowId window) {
  forgetEnded();
  const std::int64_t pid = processOfPseudoWindow(window);
  return pid != 0 && std::find(started_.begin(), started_.end(), pid) != started_.end() ? 1 : 0;
}

WindowId FallbackDesktop::windowOfProcess(ProcessId) { return 0; }

}  // namespace varno
