#pragma once
// What Varno's command line asks for: the window, perhaps with a file to open as if it had
// been dropped, or a help or version text.
#include <string>
#include <vector>

namespace varno::window {

struct CommandLine {
  enum class Request { Window, Help, Version, Wrong };
  Request request = Request::Window;
  // The bytes of the file's path (absolute), empty when no file was named. A file: URL is
  // taken as the local path it names, as a drop takes it.
  std::string file;
  std::string wrong;  // the argument that was not understood
  // The platform Qt's -platform option names (its value as given), empty without one.
  std::string platform;
};

// `arguments` without the program's name; `workingDir` makes a relative path absolute. Only
// the first file counts, as only the first file of a drop does; "--" ends the options. The
// options every Qt program takes (-style fusion, -style=fusion, --platform xcb, -reverse ...)
// are passed over, left for the toolkit.
CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& workingDir);

// The texts of --help and --version.
std::string helpText();
std::string versionText();

}  // namespace varno::window
