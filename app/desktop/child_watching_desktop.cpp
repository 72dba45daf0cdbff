#include "desktop/child_watching_desktop.h"

#include "desktop/program_lookup.h"

namespace varno::desktop {

ProgramLookup ChildWatchingDesktop::findExecutable(const std::string& document) {
  return lookUpProgram(document);
}

PlayerLaunch ChildWatchingDesktop::launchPlayer(const std::string& document,
                                                const std::string& file) {
  return launchAssociatedProgram(document, file, children_);
}

ProcessId ChildWatchingDesktop::startWatched(const std::string& program,
                                             const std::vector<std::string>& args) {
  return children_.start(program, args);
}

bool ChildWatchingDesktop::processEnded(ProcessId process) { return children_.ended(process); }

void ChildWatchingDesktop::endProcess(ProcessId process) { children_.end(process); }

void ChildWatchingDesktop::releaseProcess(ProcessId process) { children_.release(process); }

bool ChildWatchingDesktop::processFailed(ProcessId process) { return children_.failed(process); }

std::string ChildWatchingDesktop::processErrors(ProcessId process) {
  return children_.errors(process);
}

}  // namespace varno::desktop
