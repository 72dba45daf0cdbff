#pragma once
// The desktop without X11 (Wayland, offscreen): no window of another program can be seen, so
// the programs this desktop started stand for their windows. The foreground "window" is the
// most recently started program that still runs, and it "exists" exactly as long as that
// process runs. A launched player is known by its process alone.
#include <cstdint>
#include <vector>

#include "child_processes.h"
#include "desktop.h"

namespace varno {

class FallbackDesktop : public Desktop {
 public:
  ProgramLookup findExecutable(const std::string& document) override;
  PlayerLaunch launchPlayer(const std::string& document, const std::string& file) override;
  bool startDetached(const std::string& program, const std::vector<std::string>& args) override;
  ProcessId startWatched(const std::string& program, const std::vector<std::string>& args) override;
  bool processEnded(ProcessId process) override;
  void endProcess(ProcessId process) override;
  void releaseProcess(ProcessId process) override;
  bool processFailed(ProcessId process) override;

  // The pseudo window of the newest started program still running; 0 when none runs.
  WindowId foregroundWindow() override;

  // 1 while the program behind a pseudo window of ours runs, 0 once it has ended.
  int setForegroundWindow(WindowId window) override;

  // 0: no window of another program can be seen.
  WindowId windowOfProcess(ProcessId process) override;

  // Pseudo windows are process ids moved above any id a process can have, so they are never 0
  // and never mistaken for a small window id of the toolkit's own.
  static WindowId pseudoWindowOf(std::int64_t pid);
  // The process behind a pseudo window; 0 when the id is not one.
  static std::int64_t processOfPseudoWindow(WindowId window);

 private:
  // Forgets the programs that have ended.
  void forgetEnded();

  std::vector<std::int64_t> started_;  // oldest first
  ChildProcesses children_;
};

// Whether a process runs: it exists and is not a zombie left for a parent to reap.
bool processRunning(std::int64_t pid);

}  // namespace varno
