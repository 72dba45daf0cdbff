#pragma once
// The program that the desktop associates with a document, looked up through GIO.
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"

namespace varno {

// The default application for the document's content type (guessed from its name alone, since
// the content of a short WAVE file reads as text), as the absolute path of its executable.
// Codes as in ProgramLookup: 42 found, 2 no such document, 31 nothing associated, 0 otherwise.
ProgramLookup lookUpProgram(const std::string& document);

// The program that an `env` command line (argv[0] is env) runs: the first word after env's own
// options and NAME=VALUE assignments. Nothing when there is none, when it is a field code
// such as %f, or when env would split a string (-S) or gets an option it does not know.
std::optional<std::string> programAfterEnv(const std::vector<std::string>& argv);

}  // namespace varno
