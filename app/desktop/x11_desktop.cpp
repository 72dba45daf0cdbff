#include "desktop/x11_desktop.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "desktop/process_tree.h"

namespace varno::desktop {

namespace {

// xcb hands out replies and errors to be freed with free().
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> owned(T* reply) {
  return Reply<T>(reply, &std::free);
}

// A request's reply; an error is taken here so it never reaches the connection's event queue,
// where the application's toolkit would report it.
template <typename T, typename Cookie, typename Fetch>
Reply<T> replyTo(xcb_connection_t* connection, Fetch fetch, Cookie cookie) {
  xcb_generic_error_t* error = nullptr;
  T* reply = fetch(connection, cookie, &error);
  std::free(error);
  return owned(reply);
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const auto reply = replyTo<xcb_intern_atom_reply_t>(connection, xcb_intern_atom_reply, cookie);
  return reply ? reply->atom : XCB_NONE;
}

// Sends a request whose failure only matters to us, taking its error off the event queue.
void discardError(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
  std::free(xcb_request_check(connection, cookie));
}

}  // namespace

X11Desktop::X11Desktop(xcb_connection_t* connection, int screen) : connection_(connection) {
  if (!connection_ || xcb_connection_has_error(connection_)) return;
  auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screen && roots.rem > 1; ++i) xcb_screen_next(&roots);
  if (roots.rem > 0) root_ = roots.data->root;
  netActiveWindow_ = internAtom(connection_, "_NET_ACTIVE_WINDOW");
  netSupported_ = internAtom(connection_, "_NET_SUPPORTED");
  netSupportingWmCheck_ = internAtom(connection_, "_NET_SUPPORTING_WM_CHECK");
  netClientList_ = internAtom(connection_, "_NET_CLIENT_LIST");
  netClientListStacking_ = internAtom(connection_, "_NET_CLIENT_LIST_STACKING");
  netWmPid_ = internAtom(connection_, "_NET_WM_PID");
}

std::uint32_t X11Desktop::cardinalProperty(xcb_window_t window, xcb_atom_t property,
                                           xcb_atom_t type) {
  const auto cookie = xcb_get_property(connection_, 0, window, property, type, 0, 1);
  const auto reply = replyTo<xcb_get_property_reply_t>(connection_, xcb_get_property_reply, cookie);
  if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
  return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

std::optional<std::vector<xcb_window_t>> X11Desktop::rootWindowList(xcb_atom_t property) {
  const auto cookie = xcb_get_property(connection_, 0, root_, property, XCB_ATOM_WINDOW, 0, 65536);
  const auto reply = replyTo<xcb_get_property_reply_t>(connection_, xcb_get_property_reply, cookie);
  if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32) return std::nullopt;
  const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
  return std::vector<xcb_window_t>(windows,
                                   windows + xcb_get_property_value_length(reply.get()) / 4);
}

bool X11Desktop::windowManagerRuns() {
  // A window manager that has gone leaves its properties on the root window behind.
  const xcb_window_t check = cardinalProperty(root_, netSupportingWmCheck_, XCB_ATOM_WINDOW);
  return check != XCB_NONE &&
         cardinalProperty(check, netSupportingWmCheck_, XCB_ATOM_WINDOW) == check;
}

bool X11Desktop::windowManagerActivates() {
  if (!windowManagerRuns()) return false;
  const auto cookie =
      xcb_get_property(connection_, 0, root_, netSupported_, XCB_ATOM_ATOM, 0, 4096);
  const auto reply = replyTo<xcb_get_property_reply_t>(connection_, xcb_get_property_reply, cookie);
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  for (int i = 0; i < count; ++i)
    if (atoms[i] == netActiveWindow_) return true;
  return false;
}

xcb_window_t X11Desktop::topLevelOf(xcb_window_t window) {
  // Bounded, so a window tree changing under us cannot keep us here.
  for (int depth = 0; depth < 64; ++depth) {
    const auto cookie = xcb_query_tree(connection_, window);
    const auto tree = replyTo<xcb_query_tree_reply_t>(connection_, xcb_query_tree_reply, cookie);
    if (!tree) return XCB_NONE;
    if (tree->parent == tree->root || tree->parent == XCB_NONE) return window;
    window = tree->parent;
  }
  return window;
}

WindowId X11Desktop::foregroundWindow() {
  if (root_ == XCB_NONE || xcb_connection_has_error(connection_)) return 0;
  if (windowManagerActivates()) {
    const xcb_window_t active = cardinalProperty(root_, netActiveWindow_, XCB_ATOM_WINDOW);
    if (active != XCB_NONE) return active;
  }
  const auto cookie = xcb_get_input_focus(connection_);
  const auto focus =
      replyTo<xcb_get_input_focus_reply_t>(connection_, xcb_get_input_focus_reply, cookie);
  if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ||
      focus->focus == root_)
    return 0;
  return topLevelOf(focus->focus);
}

bool X11Desktop::setForegroundWindow(WindowId window) {
  if (window == 0 || root_ == XCB_NONE || xcb_connection_has_error(connection_)) return false;
  const auto cookie = xcb_get_window_attributes(connection_, window);
  const auto attributes = replyTo<xcb_get_window_attributes_reply_t>(
      connection_, xcb_get_window_attributes_reply, cookie);
  if (!attributes || !shown(window, attributes->map_state)) return false;

  if (windowManagerActivates()) {
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = netActiveWindow_;
    // Source 2 (a pager): window managers honour it without focus-stealing prevention.
    request.data.data32[0] = 2;
    request.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
  } else {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    discardError(connection_, xcb_configure_window_checked(connection_, window,
                                                           XCB_CONFIG_WINDOW_STACK_MODE, &above));
    // Focusing a window that is not viewable is an error, and pointless.
    if (attributes->map_state == XCB_MAP_STATE_VIEWABLE)
      discardError(connection_,
                   xcb_set_input_focus_checked(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window,
                                               XCB_CURRENT_TIME));
  }
  xcb_flush(connection_);
  return true;
}

std::vector<xcb_window_t> X11Desktop::clientWindows() {
  if (windowManagerRuns()) {
    if (auto stacking = rootWindowList(netClientListStacking_)) return *stacking;
    if (auto clients = rootWindowList(netClientList_)) return *clients;
  }
  // Without a window manager the programs' windows are the root's children, WM_STATE or not.
  const auto tree = replyTo<xcb_query_tree_reply_t>(connection_, xcb_query_tree_reply,
                                                    xcb_query_tree(connection_, root_));
  if (!tree) return {};
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int count = xcb_query_tree_children_length(tree.get());
  std::vector<xcb_get_window_attributes_cookie_t> cookies;
  for (int i = 0; i < count; ++i)
    cookies.push_back(xcb_get_window_attributes(connection_, children[i]));
  std::vector<xcb_window_t> viewable;
  for (int i = 0; i < count; ++i) {
    const auto attributes = replyTo<xcb_get_window_attributes_reply_t>(
        connection_, xcb_get_window_attributes_reply, cookies[static_cast<std::size_t>(i)]);
    if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
      viewable.push_back(children[i]);
  }
  return viewable;
}

bool X11Desktop::shown(xcb_window_t window, std::uint8_t mapState) {
  if (windowManagerRuns()) {
    if (const auto clients = rootWindowList(netClientList_))
      return std::find(clients->begin(), clients->end(), window) != clients->end();
  }
  return mapState == XCB_MAP_STATE_VIEWABLE;
}

bool X11Desktop::inFamily(std::uint32_t pid, const std::set<ProcessId>& family) {
  return pid != 0 && family.contains(pid);
}

bool X11Desktop::processInFront(ProcessId process) {
  if (process <= 0 || root_ == XCB_NONE || xcb_connection_has_error(connection_)) return false;
  const WindowId foreground = foregroundWindow();
  if (foreground == 0) return false;
  const std::uint32_t pid = cardinalProperty(foreground, netWmPid_, XCB_ATOM_CARDINAL);
  return pid != 0 && descendsFrom(pid, process);
}

WindowId X11Desktop::windowOfProcess(ProcessId process) {
  if (process <= 0 || root_ == XCB_NONE || xcb_connection_has_error(connection_)) return 0;
  const std::set<ProcessId> family = processAndDescendants(process, listProcesses());
  const std::vector<xcb_window_t> windows = clientWindows();
  // All requests first, then the replies: one round trip for the lot.
  std::vector<xcb_get_property_cookie_t> pids, transients;
  for (const xcb_window_t window : windows) {
    pids.push_back(xcb_get_property(connection_, 0, window, netWmPid_, XCB_ATOM_CARDINAL, 0, 1));
    transients.push_back(
        xcb_get_property(connection_, 0, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 0, 1));
  }
  const WindowId foreground = foregroundWindow();
  // Ranked: a main window before a dialog, then the foreground one, then the higher.
  WindowId best = 0;
  int bestRank = -1;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const auto pid =
        replyTo<xcb_get_property_reply_t>(connection_, xcb_get_property_reply, pids[i]);
    const auto transient =
        replyTo<xcb_get_property_reply_t>(connection_, xcb_get_property_reply, transients[i]);
    if (!pid || pid->format != 32 || xcb_get_property_value_length(pid.get()) < 4) continue;
    if (!inFamily(*static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get())), family))
      continue;
    const bool dialog = transient && xcb_get_property_value_length(transient.get()) >= 4;
    const int rank = (dialog ? 0 : 2) + (windows[i] == foreground ? 1 : 0);
    // Bottom to top: an equal rank higher up wins.
    if (rank >= bestRank) {
      best = windows[i];
      bestRank = rank;
    }
  }
  return best;
}

}  // namespace varno::desktop
