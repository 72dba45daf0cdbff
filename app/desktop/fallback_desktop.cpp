#include "desktop/fallback_desktop.h"

#include "desktop/program_lookup.h"

namespace varno::desktop {

ProgramLookup FallbackDesktop::findExecutable(const std::string& document) {
  return lookUpProgram(document);
}

PlayerLaunch FallbackDesktop::launchPlayer(const std::string& document, const std::string& file) {
  return launchAssociatedProgram(document, file, children_);
}

ProcessId FallbackDesktop::startWatched(const std::string& program,
                                        const std::vector<std::string>& args) {
  return children_.start(program, args);
}

bool FallbackDesktop::processEnded(ProcessId process) { return children_.ended(process); }

void FallbackDesktop::endProcess(ProcessId process) { children_.end(process); }

void FallbackDesktop::releaseProcess(ProcessId process) { children_.release(process); }

bool FallbackDesktop::processFailed(ProcessId process) { return children_.failed(process); }

std::string FallbackDesktop::processErrors(ProcessId process) { return children_.errors(process); }

WindowId FallbackDesktop::foregroundWindow() { return 0; }

bool FallbackDesktop::setForegroundWindow(WindowId) { return false; }

WindowId FallbackDesktop::windowOfProcess(ProcessId) { return 0; }

}  // namespace varno::desktop
