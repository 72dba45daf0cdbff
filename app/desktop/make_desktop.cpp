#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>
#include <cstdlib>

#include "desktop/desktop.h"
#include "desktop/fallback_desktop.h"
#include "desktop/x11_desktop.h"

namespace varno::desktop {

namespace {

xcb_connection_t* applicationConnection() {
  if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

// The screen that DISPLAY names, as the toolkit opened it.
int defaultScreen() {
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  const bool parsed = xcb_parse_display(nullptr, &host, &display, &screen) != 0;
  std::free(host);
  return parsed ? screen : 0;
}

}  // namespace

std::string missingDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  // A platform chosen by hand (offscreen, a VNC one) is the user's to answer for.
  if (set("QT_QPA_PLATFORM") || set("WAYLAND_DISPLAY")) return {};
  if (!set("DISPLAY"))
    return "there is no display to open the window on (neither WAYLAND_DISPLAY nor DISPLAY is set)";
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool reached = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  if (reached) return {};
  return std::string("the X display ") + std::getenv("DISPLAY") + " cannot be reached";
}

std::unique_ptr<Desktop> makeDesktop() {
  // Under the offscreen platform the X11 interface may exist with no connection behind it.
  if (xcb_connection_t* connection = applicationConnection())
    return std::make_unique<X11Desktop>(connection, defaultScreen());
  return std::make_unique<FallbackDesktop>();
}

}  // namespace varno::desktop
