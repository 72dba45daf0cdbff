#pragma once
// A desktop that tests drive: lookups and windows are set by the test, starts are recorded.
#include <set>
#include <string>
#include <vector>

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

  ProgramLookup findExecutable(const std::string& document) override {
    lookedUp.push_back(document);
    return lookup;
  }
  bool startDetached(const std::string& program, const std::vector<std::string>& args) override {
    starts.push_back({program, args});
    if (runStarts) return startDetachedProcess(program, args);
    return startSucceeds;
  }
  WindowId foregroundWindow() override { return foreground; }
  int setForegroundWindow(WindowId window) override {
    raised.push_back(window);
    return window != 0 && openWindows.count(window) ? 1 : 0;
  }
};

}  // namespace varno
