// A stand-in for the desktop's sound player in tests. It writes the arguments it got, one a
// line, to the file named by VARNO_TESTPLAYER_RECORD (when set), opens one window titled
// "varno_testplayer" and runs until that window is closed or destroyed, or it is killed.
// Without DISPLAY it opens no window and runs until it is killed. With VARNO_TESTPLAYER_EXIT
// set it opens nothing and exits with that status once it has written the record.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr const char* kName = "varno_testplayer";

// Written whole under a temporary name and renamed, so a test never reads half of it.
bool record(int argc, char** argv) {
  const char* path = std::getenv("VARNO_TESTPLAYER_RECORD");
  if (!path || !*path) return true;
  const std::string temporary = std::string(path) + ".part";
  {
    std::ofstream out(temporary, std::ios::binary);
    for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path) == 0;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
  std::free(reply);
  return result;
}

void setProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                 xcb_atom_t type, std::uint8_t format, std::uint32_t length, const void* data) {
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, property, type, format, length,
                      data);
}

int runWindow(xcb_connection_t* connection, int screenNumber, int argc, char** argv) {
  auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && roots.rem > 1; ++i) xcb_screen_next(&roots);
  const xcb_screen_t* screen = roots.data;

  const xcb_window_t window = xcb_generate_id(connection);
  const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 320, 120, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);

  const xcb_atom_t deleteWindow = atom(connection, "WM_DELETE_WINDOW");
  setProperty(connection, window, atom(connection, "WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1,
              &deleteWindow);
  const auto nameLength = static_cast<std::uint32_t>(std::strlen(kName));
  setProperty(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, nameLength, kName);
  setProperty(connection, window, atom(connection, "_NET_WM_NAME"), atom(connection, "UTF8_STRING"),
              8, nameLength, kName);
  const std::string wmClass = std::string(kName) + '\0' + kName + '\0';
  setProperty(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
              static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
  const auto pid = static_cast<std::uint32_t>(getpid());
  setProperty(connection, window, atom(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);

  xcb_map_window(connection, window);
  xcb_flush(connection);
  if (!record(argc, argv)) {
    std::fprintf(stderr, "%s: cannot write the record file\n", kName);
    return 1;
  }

  while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
    const std::uint8_t type = event->response_type & 0x7f;
    bool closed = false;
    if (type == XCB_CLIENT_MESSAGE) {
      const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
      closed = message->window == window && message->data.data32[0] == deleteWindow;
    } else if (type == XCB_DESTROY_NOTIFY) {
      closed = reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window;
    }
    std::free(event);
    if (closed) return 0;
  }
  std::fprintf(stderr, "%s: lost the display\n", kName);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* display = std::getenv("DISPLAY");
  const char* exitStatus = std::getenv("VARNO_TESTPLAYER_EXIT");
  if (!display || !*display || exitStatus) {
    if (!record(argc, argv)) {
      std::fprintf(stderr, "%s: cannot write the record file\n", kName);
      return 1;
    }
    if (exitStatus) return std::atoi(exitStatus);
    for (;;) pause();
  }
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screen);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "%s: cannot open display %s\n", kName, display);
    xcb_disconnect(connection);
    return 1;
  }
  const int result = runWindow(connection, screen, argc, argv);
  xcb_disconnect(connection);
  return result;
}
