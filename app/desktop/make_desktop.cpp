#include <QtGui/qguiapplication_platform.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>

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

bool xDisplayReached() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool reached = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return reached;
}

std::string xMissing() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return "DISPLAY is not set";
  return std::string("the X display ") + name + " cannot be reached";
}

// The compositor's socket, where libwayland looks for it, takes a connection.
bool waylandDisplayReached() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  std::string path = display != nullptr && *display != '\0' ? display : "wayland-0";
  if (path.front() != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return false;
    path = std::string(runtime) + '/' + path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool reached =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return reached;
}

}  // namespace

std::string missingDisplay(const std::string& platform) {
  auto value = [](const char* name) {
    const char* v = std::getenv(name);
    return std::string(v != nullptr ? v : "");
  };
  const std::string chosen = !platform.empty() ? platform : value("QT_QPA_PLATFORM");
  if (chosen.empty()) {
    if (!value("WAYLAND_DISPLAY").empty()) return {};
    if (value("DISPLAY").empty())
      return "there is no display to open the window on (neither WAYLAND_DISPLAY nor DISPLAY is "
             "set)";
    return xDisplayReached() ? std::string() : xMissing();
  }
  std::string why;
  for (std::size_t from = 0; from <= chosen.size();) {
    std::size_t end = chosen.find(';', from);
    if (end == std::string::npos) end = chosen.size();
    // A platform's own options follow a colon: "xcb:nocursor".
    const std::string name = chosen.substr(from, std::min(end, chosen.find(':', from)) - from);
    from = end + 1;
    if (name == "xcb") {
      if (xDisplayReached()) return {};
      why = xMissing();
    } else if (name.starts_with("wayland")) {
      if (waylandDisplayReached()) return {};
      why = "the Wayland display " +
            (value("WAYLAND_DISPLAY").empty() ? "wayland-0" : value("WAYLAND_DISPLAY")) +
            " cannot be reached";
    } else if (!name.empty()) {
      return {};
    }
  }
  return why + " (the platform " + chosen + " was chosen)";
}

std::string preferredPlatform(const std::string& chosen, const std::string& desktops, bool wayland,
                              bool x11) {
  if (!chosen.empty() || !wayland || !x11) return {};
  // A colon-separated list, such as "ubuntu:GNOME".
  for (std::size_t from = 0; from <= desktops.size();) {
    std::size_t end = desktops.find(':', from);
    if (end == std::string::npos) end = desktops.size();
    if (desktops.compare(from, end - from, "GNOME") == 0) return "xcb";
    from = end + 1;
  }
  return {};
}

std::unique_ptr<Desktop> makeDesktop() {
  // Under the offscreen platform the X11 interface may exist with no connection behind it.
  if (xcb_connection_t* connection = applicationConnection())
    return std::make_unique<X11Desktop>(connection, defaultScreen());
  return std::make_unique<FallbackDesktop>();
}

}  // namespace varno::desktop
