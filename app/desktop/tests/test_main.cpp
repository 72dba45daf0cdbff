#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cerrno>
#include <cstdlib>

#include "desktop/process_tree.h"
#include "test_support.h"

namespace varno::desktop::test {

bool processRunning(std::int64_t pid) {
  if (pid <= 0) return false;
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  // An ended program whose parent is gone waits as a zombie until the system reaps it,
  // which a container's first process may never do.
  const auto status = readProcessStatus(pid);
  return !status || (status->state != 'Z' && status->state != 'X');
}

std::string testDisplay() {
  const char* display = std::getenv("VARNO_TEST_DISPLAY");
  return display ? display : "";
}

}  // namespace varno::desktop::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  varno::desktop::test::prepareLookupEnvironment();
  // Programs started by the tests open their windows on the test display only, never on the
  // developer's own session; without a test display the application runs offscreen.
  unsetenv("WAYLAND_DISPLAY");
  const std::string display = varno::desktop::test::testDisplay();
  if (display.empty()) {
    unsetenv("DISPLAY");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  QGuiApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
