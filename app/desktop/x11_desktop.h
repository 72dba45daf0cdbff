#pragma once
// The desktop on an X11 session: GIO for the associated program, EWMH for the windows.
#include <xcb/xcb.h>

#include <optional>
#include <set>
#include <vector>

#include "desktop/child_watching_desktop.h"

namespace varno::desktop {

class X11Desktop : public ChildWatchingDesktop {
 public:
  // Works on a connection that stays the caller's (the application's own, or a test's);
  // the root window is that of the given screen.
  explicit X11Desktop(xcb_connection_t* connection, int screen = 0);

  // The window manager's active window; without one that names it, the top-level window
  // that holds the input focus.
  WindowId foregroundWindow() override;

  // Asks the window manager to activate the window; without an EWMH window manager raises
  // and focuses it directly. False when the window no longer exists, since a request for a
  // destroyed window fails silently.
  bool setForegroundWindow(WindowId window) override;

  // Among the window manager's clients (without one, the root's viewable children) those whose
  // _NET_WM_PID is the process or a descendant: one without WM_TRANSIENT_FOR before a dialog,
  // and the foreground window before the topmost.
  WindowId windowOfProcess(ProcessId process) override;

  bool processInFront(ProcessId process) override;

 private:
  // A window manager that is alive: its check window names itself.
  bool windowManagerRuns();
  // A live window manager that handles _NET_ACTIVE_WINDOW.
  bool windowManagerActivates();
  // The first 32-bit value of a property, 0 when it is absent or the window is gone.
  std::uint32_t cardinalProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
  // A list of windows in a property of the root window; nothing when the property is absent.
  std::optional<std::vector<xcb_window_t>> rootWindowList(xcb_atom_t property);
  // The top-level windows of the programs on the display, bottom to top.
  std::vector<xcb_window_t> clientWindows();
  // The window's ancestor that is a child of the root window.
  xcb_window_t topLevelOf(xcb_window_t window);
  // The window is shown: among the window manager's clients (a window its program withdrew,
  // hidden rather than closed, leaves them; a minimized one stays), or without one viewable.
  bool shown(xcb_window_t window, std::uint8_t mapState);
  // Whether a _NET_WM_PID is the process's or a descendant's.
  static bool inFamily(std::uint32_t pid, const std::set<ProcessId>& family);

  xcb_connection_t* connection_;
  xcb_window_t root_ = XCB_NONE;
  xcb_atom_t netActiveWindow_ = XCB_NONE;
  xcb_atom_t netSupported_ = XCB_NONE;
  xcb_atom_t netSupportingWmCheck_ = XCB_NONE;
  xcb_atom_t netClientList_ = XCB_NONE;
  xcb_atom_t netClientListStacking_ = XCB_NONE;
  xcb_atom_t netWmPid_ = XCB_NONE;
};

}  // namespace varno::desktop
