#pragma once
// Every platform call of the window goes through this interface: the program associated
// with a document and launching it, starting and watching the converters and the player,
// the foreground window, raising it and the window of a process.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/player_launch.h"

namespace varno::desktop {

using WindowId = std::uint32_t;  // 0 names no window
using ProcessId = std::int64_t;  // 0 names no process

enum class LookupResult {
  Found,
  NoDocument,     // the document does not exist
  NoAssociation,  // no program is associated with its type
  Failed,         // any other failure of the lookup
};

struct ProgramLookup {
  LookupResult result = LookupResult::Failed;
  std::string program;  // absolute path of the program's executable when Found
};

using common::LaunchResult;

struct PlayerLaunch {
  LaunchResult result = LaunchResult::Failed;
  ProcessId process = 0;  // the launched process when Started, watched as startWatched's are
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  virtual ProgramLookup findExecutable(const std::string& document) = 0;

  // Launches the program the desktop associates with `document`'s type on `file`, the way the
  // desktop launches it: the association's own command line with its field codes expanded
  // (%f %F %u %U ...), never through a shell of ours. Handed: the desktop took the file without
  // a process of ours (D-Bus activation). Failed: nothing was launched.
  virtual PlayerLaunch launchPlayer(const std::string& document, const std::string& file) = 0;

  // Starts a program as a child that the window watches (the converters), from an argument
  // vector, never through a shell: its id, 0 when it could not be started.
  virtual ProcessId startWatched(const std::string& program,
                                 const std::vector<std::string>& args) = 0;
  // True once a watched process has ended; it is reaped then. True for an id not watched
  // (any more).
  virtual bool processEnded(ProcessId process) = 0;
  // Ends a watched process that may still run (SIGKILL, then reaps it, so it never stays a
  // zombie). Ids this desktop did not start are left alone.
  virtual void endProcess(ProcessId process) = 0;
  // No longer watched: reaped once it ends (on a later call of any of these), never killed.
  virtual void releaseProcess(ProcessId process) = 0;
  // After processEnded answered true: whether the process failed (non-zero exit or a signal).
  virtual bool processFailed(ProcessId process) = 0;
  // What a process started by startWatched has written on standard error so far (at most
  // its first 64 KiB), until it is ended or released; a terminal still sees it after that.
  virtual std::string processErrors(ProcessId process) = 0;

  // The window in the foreground now; 0 when none is known.
  virtual WindowId foregroundWindow() = 0;

  // Asks for the window to be activated and raised: true when the window is still shown (a
  // program may hide a window instead of closing it) and the request was made, false when it
  // is gone, hidden, or 0.
  virtual bool setForegroundWindow(WindowId window) = 0;

  // A shown top-level window of the process or of one of its descendants (_NET_WM_PID), a main
  // window before a dialog (WM_TRANSIENT_FOR), and of those the foreground window, else the
  // topmost; 0 when none can be seen, and always 0 where the session shows no other programs'
  // windows.
  virtual WindowId windowOfProcess(ProcessId process) = 0;

  // Whether the foreground window is one of the process's or of its descendants', such as a
  // dialog of its own; always false where no other program's window can be seen.
  virtual bool processInFront(ProcessId process) = 0;
};

// Why no window can be shown in this session, before the toolkit tries (and aborts); empty
// when a display is there. `platform` is the one the command line chose (else
// QT_QPA_PLATFORM, a list tried in order): X11 and Wayland ones must be reachable, any other
// (offscreen, vnc ...) is the user's to answer for.
std::string missingDisplay(const std::string& platform);

// The platform to ask the toolkit for when the user chose none (`chosen` empty): "xcb" in a
// GNOME Wayland session that also offers X11 (Xwayland), since GNOME draws no frames for
// Wayland windows and the toolkit's own frame offers to maximize even a window of a fixed
// size; empty, the toolkit's own choice, everywhere else. `desktops` is XDG_CURRENT_DESKTOP.
std::string preferredPlatform(const std::string& chosen, const std::string& desktops, bool wayland,
                              bool x11);

// Chosen once at start: the X11 backend when the application runs on xcb with a live
// connection, the fallback otherwise.
std::unique_ptr<Desktop> makeDesktop();

}  // namespace varno::desktop
