#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <vector>

#include "desktop/process_tree.h"
#include "desktop/x11_desktop.h"
#include "test_support.h"
#include "testkit/qt/x_client.h"

extern char** environ;

namespace varno::desktop::test {

namespace {

// An X server of the test's own with no window manager, on a display number it picks itself.
class PrivateXServer {
 public:
  PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = {"Xvfb", "-displayfd", "3",         "-screen",
                                      "0",    "640x480x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && poll(&ready, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
      number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~PrivateXServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

}  // namespace

TEST(X11Desktop, WindowManagerActivatesTheRequestedWindow) {
  if (testDisplay().empty()) GTEST_SKIP() << "VARNO_TEST_DISPLAY is not set";
  XClient player(testDisplay());
  XClient ours(testDisplay());
  ASSERT_TRUE(player.connected() && ours.connected());
  X11Desktop desktop(ours.connection(), ours.screen());

  const xcb_window_t first = player.createMapped();
  const xcb_window_t second = player.createMapped();
  ASSERT_TRUE(waitFor([&] { return player.viewable(first) && player.viewable(second); }));
  for (const xcb_window_t window : {first, second, first}) {
    EXPECT_TRUE(desktop.setForegroundWindow(window));
    EXPECT_TRUE(waitFor([&] { return desktop.foregroundWindow() == window; })) << window;
  }

  player.destroy(second);
  EXPECT_FALSE(desktop.setForegroundWindow(second));
  EXPECT_FALSE(desktop.setForegroundWindow(0));
  player.destroy(first);
  EXPECT_FALSE(desktop.setForegroundWindow(first));
}

TEST(X11Desktop, WithoutWindowManagerRaisesAndFocusesDirectly) {
  if (testDisplay().empty()) GTEST_SKIP() << "VARNO_TEST_DISPLAY is not set";
  PrivateXServer server;
  if (server.display().empty()) GTEST_SKIP() << "no Xvfb of our own could be started";
  XClient player(server.display());
  XClient ours(server.display());
  ASSERT_TRUE(player.connected() && ours.connected());
  X11Desktop desktop(ours.connection(), ours.screen());
  EXPECT_EQ(desktop.foregroundWindow(), 0u);  // the focus follows the pointer

  const xcb_window_t first = player.createMapped();
  const xcb_window_t second = player.createMapped();
  for (const xcb_window_t window : {first, second, first}) {
    EXPECT_TRUE(desktop.setForegroundWindow(window));
    EXPECT_EQ(player.focused(), window);
    EXPECT_EQ(player.topOfStack(), window);
    EXPECT_EQ(desktop.foregroundWindow(), window);
  }

  // The focus may rest on a child; the foreground is its top-level window.
  player.focus(player.createMapped(first));
  EXPECT_EQ(desktop.foregroundWindow(), first);

  // Properties left behind by a window manager that has gone are not trusted.
  const xcb_window_t gone = player.createMapped();
  player.setRootProperty("_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, gone);
  player.destroy(gone);
  player.setRootProperty("_NET_SUPPORTED", XCB_ATOM_ATOM, player.atom("_NET_ACTIVE_WINDOW"));
  player.setRootProperty("_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, second);
  EXPECT_EQ(desktop.foregroundWindow(), first);
  EXPECT_TRUE(desktop.setForegroundWindow(second));
  EXPECT_EQ(player.focused(), second);

  player.destroy(first);
  EXPECT_FALSE(desktop.setForegroundWindow(first));
  EXPECT_FALSE(desktop.setForegroundWindow(0));
}

TEST(X11Desktop, FindsTheWindowOfAProcessOrOfItsDescendants) {
  if (testDisplay().empty()) GTEST_SKIP() << "VARNO_TEST_DISPLAY is not set";
  namespace fs = std::filesystem;
  PrivateXServer bare;
  for (const std::string& display : {testDisplay(), bare.display()}) {
    if (display.empty()) continue;  // no Xvfb of our own
    SCOPED_TRACE(display == testDisplay() ? "window manager" : "no window manager");
    XClient ours(display);
    ASSERT_TRUE(ours.connected());
    X11Desktop desktop(ours.connection(), ours.screen());
    TempDir dir;

    // A shell that runs two players, and a player that no process of ours started.
    const ProcessId shell = desktop.startWatched(
        "/bin/sh", {"-c",
                    "export DISPLAY=\"$2\"; VARNO_TESTPLAYER_RECORD=\"$1/a\" \"$0\" & "
                    "VARNO_TESTPLAYER_RECORD=\"$1/b\" \"$0\" & wait",
                    VARNO_TESTPLAYER, dir.path().string(), display});
    ASSERT_GT(shell, 0);
    ChildProcesses others;
    const ProcessId stranger =
        others.start("/usr/bin/env",
                     {"DISPLAY=" + display,
                      "VARNO_TESTPLAYER_RECORD=" + (dir.path() / "c").string(), VARNO_TESTPLAYER});
    ASSERT_GT(stranger, 0);
    KillOnExit strangerGuard(stranger);
    ASSERT_TRUE(waitFor([&] {
      return fs::exists(dir.path() / "a") && fs::exists(dir.path() / "b") &&
             fs::exists(dir.path() / "c");
    }));
    std::vector<ProcessId> players;
    std::vector<std::unique_ptr<KillOnExit>> playerGuards;
    for (const ProcessId process : processAndDescendants(shell, listProcesses())) {
      if (process == shell) continue;
      players.push_back(process);
      playerGuards.push_back(std::make_unique<KillOnExit>(process));
    }
    ASSERT_EQ(players.size(), 2u);

    WindowId first = 0, second = 0, other = 0;
    ASSERT_TRUE(waitFor([&] {
      first = desktop.windowOfProcess(players[0]);
      second = desktop.windowOfProcess(players[1]);
      other = desktop.windowOfProcess(stranger);
      return first != 0 && second != 0 && other != 0;
    }));
    EXPECT_EQ(std::set<WindowId>({first, second, other}).size(), 3u);

    const auto activate = [&](WindowId window) {
      EXPECT_TRUE(desktop.setForegroundWindow(window));
      return waitFor([&] { return desktop.foregroundWindow() == window; });
    };
    // The shell's window is the foreground one when that is one of its players', even below
    // another of theirs.
    for (const WindowId window : {first, second}) {
      ASSERT_TRUE(activate(window));
      EXPECT_EQ(desktop.windowOfProcess(shell), window);
    }
    ours.raise(first);
    EXPECT_EQ(desktop.windowOfProcess(shell), second);
    // Otherwise the topmost of theirs; never the other program's.
    EXPECT_TRUE(desktop.processInFront(shell));
    ASSERT_TRUE(activate(first));
    ASSERT_TRUE(activate(other));
    EXPECT_FALSE(desktop.processInFront(shell));
    EXPECT_TRUE(desktop.processInFront(stranger));
    EXPECT_EQ(desktop.windowOfProcess(shell), first);
    EXPECT_EQ(desktop.windowOfProcess(stranger), other);

    const ProcessId sleeper = desktop.startWatched("/bin/sleep", {"30"});
    EXPECT_EQ(desktop.windowOfProcess(sleeper), 0u);
    EXPECT_EQ(desktop.windowOfProcess(0), 0u);
    desktop.endProcess(sleeper);
    desktop.endProcess(shell);
  }
}

}  // namespace varno::desktop::test
