#pragma once
// A desktop that tests drive: lookups, windows and the end of watched processes are set by the
// test; starts, kills and releases are recorded.
#include <set>
#include <string>
#include <vector>

#include "child_processes.h"
#include "desktop.h"

namespace varno {

class FakeDesktop : public Desktop {
 public:
  struct Start {
    std::string program;
    std::vector<std::string> args;
  };

  ProgramLookup lookup{42, "/usr/bin/player"};  // what findExecutable answers
  bool startSucceeds = true;
  bool runStarts = false;                       // really start the programs (converters in tests)
  WindowId foreground = 0;                      // what foregroundWindow answers
  std::set<WindowId> openWindows;               // windows that setForegroundWindow finds
  std::vector<std::string> lookedUp;
  std::vector<Start> starts;
  std::vector<WindowId> raised;                 // every setForegroundWindow call
  std::set<ProcessId> endedProcesses;           // watched processes that processEnded finds ended
  std::vector<ProcessId> killed;                // every endProcess call
  std::vector<ProcessId> released;              // every releaseProcess call

  ProgramLookup findExecutable(const std::string& document) override {
    lookedUp.push_back(document);
    return lookup;
  }
  bool startDetached(const std::string& program, const std::vector<std::string>& args) override {
    starts.push_back({program, args});
    if (runStarts) return startDetachedProcess(program, args);
    return startSucceeds;
  }
  // A fake start answers 90001, 90002, ... (0 when startSucceeds is false); with runStarts the
  // process is real and watched as the real desktops watch theirs.
  ProcessId startWatched(const std::string& program,
                         const std::vector<std::string>& args) override {
    starts.push_back({program, args});
    if (runStarts) return children_.start(program, args);
    if (!startSucceeds) return 0;
    const ProcessId process = 90000 + static_cast<ProcessId>(++fakeStarts_);
    fakeRunning_.insert(process);
    return process;
  }
  // As the real ones, also true for ids not started, killed or released.
  bool processEnded(ProcessId process) override {
    if (endedProcesses.count(process)) return true;
    return fakeRunning_.count(process) ? false : children_.ended(process);
  }
  void endProcess(ProcessId process) override {
    killed.push_back(process);
    fakeRunning_.erase(process);
    children_.end(process);
  }
  void releaseProcess(ProcessId process) override {
    released.push_back(process);
    fakeRunning_.erase(process);
    children_.release(process);
  }
  WindowId foregroundWindow() override { return foreground; }
  int setForegroundWindow(WindowId window) override {
    raised.push_back(window);
    return window != 0 && openWindows.count(window) ? 1 : 0;
  }

 private:
  int fakeStarts_ = 0;
  std::set<ProcessId> fakeRunning_;  // fake ids started and neither killed nor released
  ChildProcesses children_;
};

}  // namespace varno
