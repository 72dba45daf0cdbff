#pragma once
// A desktop that tests drive: lookups, launches, windows and the end of watched processes are
// set by the test; starts, launches, kills and releases are recorded.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "desktop/child_processes.h"
#include "desktop/desktop.h"
#include "desktop/program_lookup.h"

namespace varno::testkit {

class FakeDesktop : public desktop::Desktop {
 public:
  struct Start {
    std::string program;
    std::vector<std::string> args;
  };

  desktop::ProgramLookup lookup{desktop::LookupResult::Found,
                                "/usr/bin/player"};  // what findExecutable answers
  bool startSucceeds = true;
  bool runStarts = false;  // really start the programs (converters in tests)
  desktop::LaunchResult launch = desktop::LaunchResult::Started;  // what launchPlayer answers
  desktop::WindowId foreground = 0;                               // what foregroundWindow answers
  desktop::ProcessId foregroundOwner = 0;   // whose window the foreground one is
  std::set<desktop::WindowId> openWindows;  // windows that setForegroundWindow finds
  std::vector<std::string> lookedUp;
  std::vector<Start> starts;
  std::vector<desktop::WindowId> raised;        // every setForegroundWindow call
  std::set<desktop::ProcessId> endedProcesses;  // watched processes that processEnded finds ended
  std::vector<desktop::ProcessId> killed;       // every endProcess call
  std::vector<desktop::ProcessId> released;     // every releaseProcess call

  std::set<desktop::ProcessId> failedProcesses;  // what processFailed finds failed
  std::map<desktop::ProcessId, desktop::WindowId> processWindows;  // what windowOfProcess answers
  std::map<desktop::ProcessId, std::string>
      processErrorTexts;  // what processErrors answers for fake ids

  desktop::ProgramLookup findExecutable(const std::string& document) override {
    lookedUp.push_back(document);
    return lookup;
  }
  // Recorded in starts as the looked-up program on the file. Started comes with a fresh fake id
  // as startWatched gives; with runStarts the associated program is really launched.
  desktop::PlayerLaunch launchPlayer(const std::string& document,
                                     const std::string& file) override {
    starts.push_back({lookup.program, {file}});
    if (runStarts) return desktop::launchAssociatedProgram(document, file, children_);
    if (launch != desktop::LaunchResult::Started) return {launch, 0};
    return {desktop::LaunchResult::Started, startFake()};
  }
  // A fake start answers 90001, 90002, ... (0 when startSucceeds is false); with runStarts the
  // process is real and watched as the real desktops watch theirs.
  desktop::ProcessId startWatched(const std::string& program,
                                  const std::vector<std::string>& args) override {
    starts.push_back({program, args});
    if (runStarts) return children_.start(program, args);
    return startSucceeds ? startFake() : 0;
  }
  // As the real ones, also true for ids not started, killed or released.
  bool processEnded(desktop::ProcessId process) override {
    if (endedProcesses.count(process)) return true;
    return fakeRunning_.count(process) ? false : children_.ended(process);
  }
  void endProcess(desktop::ProcessId process) override {
    killed.push_back(process);
    fakeRunning_.erase(process);
    children_.end(process);
  }
  void releaseProcess(desktop::ProcessId process) override {
    released.push_back(process);
    fakeRunning_.erase(process);
    children_.release(process);
  }
  bool processFailed(desktop::ProcessId process) override {
    return failedProcesses.count(process) || children_.failed(process);
  }
  std::string processErrors(desktop::ProcessId process) override {
    const auto found = processErrorTexts.find(process);
    return found == processErrorTexts.end() ? children_.errors(process) : found->second;
  }
  desktop::WindowId foregroundWindow() override { return foreground; }
  bool setForegroundWindow(desktop::WindowId window) override {
    raised.push_back(window);
    return window != 0 && openWindows.count(window);
  }
  bool processInFront(desktop::ProcessId process) override {
    return foreground != 0 && process != 0 && process == foregroundOwner;
  }
  desktop::WindowId windowOfProcess(desktop::ProcessId process) override {
    const auto found = processWindows.find(process);
    return found == processWindows.end() ? 0 : found->second;
  }

 private:
  desktop::ProcessId startFake() {
    const desktop::ProcessId process = 90000 + static_cast<desktop::ProcessId>(++fakeStarts_);
    fakeRunning_.insert(process);
    return process;
  }

  int fakeStarts_ = 0;
  std::set<desktop::ProcessId> fakeRunning_;  // fake ids started and neither killed nor released
  desktop::ChildProcesses children_;
};

}  // namespace varno::testkit
