#pragma once
// Every platform call of the window goes through this interface: the program associated
// with a document, starting a program, the foreground window and raising it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varno {

using WindowId = std::uint32_t;  // 0 names no window

struct ProgramLookup {
  // 42 on success (32 or more means found); failures: 2 the document does not exist,
  // 31 no program is associated with its type, 0 any other failure of the lookup.
  int code = 0;
  std::string program;  // absolute path of the program's executable on success
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  virtual ProgramLookup findExecutable(const std::string& document) = 0;

  // Starts a program detached, with an argument vector (never through a shell).
  // False when it could not be started.
  virtual bool startDetached(const std::string& program, const std::vector<std::string>& args) = 0;

  // The window in the foreground now; 0 when none is known.
  virtual WindowId foregroundWindow() = 0;

  // Asks for the window to be activated and raised: 1 when the window still exists and the
  // request was made, 0 when it is gone (or is 0).
  virtual int setForegroundWindow(WindowId window) = 0;
};

// Starts a program detached with an argument vector; both backends start programs this way.
// The process id goes to *pid when given. False when it could not be started.
bool startDetachedProcess(const std::string& program, const std::vector<std::string>& args,
                          std::int64_t* pid = nullptr);

// Chosen once at start: the X11 backend when the application runs on xcb with a live
// connection, the fallback otherwise.
std::unique_ptr<Desktop> makeDesktop();

}  // namespace varno
