#pragma once
// A connection of the test's own to an X display: another program on it, or the user who
// reads a window's title and closes it.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace varno::testkit {

class XClient {
 public:
  explicit XClient(const std::string& display)
      : connection_(xcb_connect(display.c_str(), &screen_)) {
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    if (!xcb_connection_has_error(connection_)) root_ = roots.data->root;
  }
  ~XClient() { xcb_disconnect(connection_); }
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  bool connected() const { return !xcb_connection_has_error(connection_); }
  xcb_connection_t* connection() const { return connection_; }
  int screen() const { return screen_; }
  xcb_window_t root() const { return root_; }

  xcb_window_t createMapped(xcb_window_t parent = XCB_NONE) {
    const xcb_window_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, parent ? parent : root_, 10, 10,
                      200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(connection_, window);
    sync();
    return window;
  }
  void destroy(xcb_window_t window) {
    xcb_destroy_window(connection_, window);
    sync();
  }
  void raise(xcb_window_t window) {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    sync();
  }
  void focus(xcb_window_t window) {
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    sync();
  }
  xcb_atom_t atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return result;
  }
  void setRootProperty(const char* name, xcb_atom_t type, std::uint32_t value) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, atom(name), type, 32, 1, &value);
    sync();
  }
  bool viewable(xcb_window_t window) {
    auto* reply = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    const bool result = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return result;
  }
  xcb_window_t focused() {
    auto* reply = xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
    const xcb_window_t result = reply ? reply->focus : XCB_NONE;
    std::free(reply);
    return result;
  }
  // The topmost child of the root window.
  xcb_window_t topOfStack() {
    auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
    xcb_window_t result = XCB_NONE;
    if (tree && xcb_query_tree_children_length(tree) > 0)
      result = xcb_query_tree_children(tree)[xcb_query_tree_children_length(tree) - 1];
    std::free(tree);
    return result;
  }
  // _NET_WM_NAME in UTF-8, or WM_NAME where a window has no such name.
  std::string title(xcb_window_t window) {
    const std::string name = property(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    return name.empty() ? property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) : name;
  }
  std::string property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    auto* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 256), nullptr);
    std::string result;
    if (reply)
      result.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    xcb_get_property_value_length(reply));
    std::free(reply);
    return result;
  }
  // What a window manager's close button sends.
  void askToClose(xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
  }
  // Returns once the server has handled every request sent so far.
  void sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }

 private:
  int screen_ = 0;
  xcb_connection_t* connection_;
  xcb_window_t root_ = XCB_NONE;
};

}  // namespace varno::testkit
