#pragma once
// The program that the desktop associates with a document, looked up and launched through GIO.
#include <optional>
#include <string>
#include <vector>

#include "desktop/child_processes.h"
#include "desktop/desktop.h"

namespace varno::desktop {

// The default application for the document's content type (guessed from its name alone, since
// the content of a short WAVE file reads as text), as the absolute path of its executable.
ProgramLookup lookUpProgram(const std::string& document);

// Desktop::launchPlayer for every backend: the default application for the document's content
// type, launched by GIO on the file; the process it starts is handed to `children` to watch.
PlayerLaunch launchAssociatedProgram(const std::string& document, const std::string& file,
                                     ChildProcesses& children);

// The program that an `env` command line (argv[0] is env) runs: the first word after env's own
// options and NAME=VALUE assignments. Nothing when there is none, when it is a field code
// such as %f, or when env would split a string (-S) or gets an option it does not know.
std::optional<std::string> programAfterEnv(const std::vector<std::string>& argv);

}  // namespace varno::desktop
