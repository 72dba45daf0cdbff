#include "desktop/fallback_desktop.h"

namespace varno::desktop {

WindowId FallbackDesktop::foregroundWindow() { return 0; }

bool FallbackDesktop::setForegroundWindow(WindowId) { return false; }

WindowId FallbackDesktop::windowOfProcess(ProcessId) { return 0; }

bool FallbackDesktop::processInFront(ProcessId) { return false; }

}  // namespace varno::desktop
