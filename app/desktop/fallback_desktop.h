#pragma once
// The desktop without X11 (Wayland, offscreen): no window of another program can be seen or
// raised, so a launched player is known by its process alone.
#include "desktop/child_watching_desktop.h"

namespace varno::desktop {

class FallbackDesktop : public ChildWatchingDesktop {
 public:
  // No window can be seen: 0, and no window is ever raised.
  WindowId foregroundWindow() override;
  bool setForegroundWindow(WindowId window) override;
  WindowId windowOfProcess(ProcessId process) override;
  bool processInFront(ProcessId process) override;
};

}  // namespace varno::desktop
