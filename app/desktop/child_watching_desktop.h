#pragma once
// What the real desktops share: the associated program looked up and launched through GIO,
// and the converters and the player watched as children of ours. The windows are each
// backend's own.
#include <string>
#include <vector>

#include "desktop/child_processes.h"
#include "desktop/desktop.h"

namespace varno::desktop {

class ChildWatchingDesktop : public Desktop {
 public:
  ProgramLookup findExecutable(const std::string& document) override;
  PlayerLaunch launchPlayer(const std::string& document, const std::string& file) override;
  ProcessId startWatched(const std::string& program, const std::vector<std::string>& args) override;
  bool processEnded(ProcessId process) override;
  void endProcess(ProcessId process) override;
  void releaseProcess(ProcessId process) override;
  bool processFailed(ProcessId process) override;
  std::string processErrors(ProcessId process) override;

 private:
  ChildProcesses children_;
};

}  // namespace varno::desktop
