#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>
#include <cstdlib>

#include "desktop.h"
#include "fallback_desktop.h"
#include "x11_desktop.h"

namespace varno {

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

std::unique_ptr<Desktop> makeDesktop() {
  // Under the offscreen platform the X11 interface may exist with no connection behind it.
  if (xcb_connection_t* connection = applicationConnection())
    return std::make_unique<X11Desktop>(connection, defaultScreen());
  return std::make_unique<FallbackDesktop>();
}

}  // namespace varno
