#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>

#include "fallback_desktop.h"
#include "test_support.h"
#include "x11_desktop.h"

namespace varno::test {

TEST(FallbackDesktop, PseudoWindowsAreNeverZeroAndMapBack) {
  for (const std::int64_t pid : {std::int64_t{1}, std::int64_t{4194303}}) {
    const WindowId window = FallbackDesktop::pseudoWindowOf(pid);
    EXPECT_NE(window, 0u);
    EXPECT_EQ(FallbackDesktop::processOfPseudoWindow(window), pid);
  }
  EXPECT_EQ(FallbackDesktop::pseudoWindowOf(0), 0u);
  EXPECT_EQ(FallbackDesktop::processOfPseudoWindow(0), 0);
  EXPECT_EQ(FallbackDesktop::processOfPseudoWindow(5), 0);  // a small id of the toolkit's own
}

TEST(FallbackDesktop, TheNewestRunningProgramIsInFrontUntilItEnds) {
  FallbackDesktop desktop;
  EXPECT_EQ(desktop.foregroundWindow(), 0u);
  EXPECT_EQ(desktop.setForegroundWindow(0), 0);

  ASSERT_TRUE(desktop.startDetached(VARNO_TESTPLAYER, {"first.wav"}));
  const WindowId first = desktop.foregroundWindow();
  KillOnExit firstPlayer(FallbackDesktop::processOfPseudoWindow(first));
  ASSERT_NE(first, 0u);
  EXPECT_EQ(desktop.setForegroundWindow(first), 1);

  ASSERT_TRUE(desktop.startDetached(VARNO_TESTPLAYER, {"second.wav"}));
  const WindowId second = desktop.foregroundWindow();
  KillOnExit secondPlayer(FallbackDesktop::processOfPseudoWindow(second));
  ASSERT_NE(second, 0u);
  EXPECT_NE(second, first);
  EXPECT_FALSE(desktop.startDetached("/nonexistent/player", {"third.wav"}));
  EXPECT_EQ(desktop.foregroundWindow(), second);

  kill(static_cast<pid_t>(FallbackDesktop::processOfPseudoWindow(second)), SIGTERM);
  EXPECT_TRUE(waitFor([&] { return desktop.setForegroundWindow(second) == 0; }));
  EXPECT_EQ(desktop.foregroundWindow(), first);
  EXPECT_EQ(desktop.setForegroundWindow(first), 1);

  kill(static_cast<pid_t>(FallbackDesktop::processOfPseudoWindow(first)), SIGTERM);
  EXPECT_TRUE(waitFor([&] { return desktop.setForegroundWindow(first) == 0; }));
  EXPECT_EQ(desktop.foregroundWindow(), 0u);
}

TEST(FallbackDesktop, OnlyItsOwnProgramsCount) {
  FallbackDesktop desktop;
  // This process runs, but the desktop did not start it.
  EXPECT_EQ(desktop.setForegroundWindow(FallbackDesktop::pseudoWindowOf(getpid())), 0);
  EXPECT_EQ(desktop.setForegroundWindow(static_cast<WindowId>(getpid())), 0);
}

TEST(ProcessRunning, AZombieHasEnded) {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_GT(child, 0);
  EXPECT_TRUE(waitFor([&] { return !processRunning(child); }));
  EXPECT_EQ(waitpid(child, nullptr, 0), child);
  EXPECT_TRUE(processRunning(getpid()));
  EXPECT_FALSE(processRunning(0));
}

TEST(MakeDesktop, FollowsThePlatform) {
  const auto desktop = makeDesktop();
  ASSERT_NE(desktop, nullptr);
  if (QGuiApplication::platformName() == QLatin1String("xcb"))
    EXPECT_NE(dynamic_cast<X11Desktop*>(desktop.get()), nullptr);
  else
    EXPECT_NE(dynamic_cast<FallbackDesktop*>(desktop.get()), nullptr);
}

}  // namespace varno::test
