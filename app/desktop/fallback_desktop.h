#pragma once
// The desktop without X11 (Wayland, offscreen): no window of another program can be seen or
// raised, so a launched player is known by its process alone.
#include "desktop/child_processes.h"
#include "desktop/desktop.h"

namespace varno::desktop {

class FallbackDesktop : public Desktop {
 public:
  ProgramLookup findExecutable(const std::string& document) override;
  PlayerLaunch launchPlayer(const std::string& document, const std::string& file) override;
  ProcessId startWatched(const std::string& program, const std::vector<std::string>& args) override;
  bool processEnded(ProcessId process) override;
  void endProcess(ProcessId process) override;
  void releaseProcess(ProcessId process) override;
  bool processFailed(ProcessId process) override;
  std::string processErrors(ProcessId process) override;

  // No window can be seen: 0, and no window is ever raised.
  WindowId foregroundWindow() override;
  bool setForegroundWindow(WindowId window) override;
  WindowId windowOfProcess(ProcessId process) override;

 private:
  ChildProcesses children_;
};

}  // namespace varno::desktop
