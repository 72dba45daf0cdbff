#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>

#include "desktop/fallback_desktop.h"
#include "desktop/x11_desktop.h"
#include "test_support.h"

namespace varno::desktop::test {

TEST(FallbackDesktop, SeesAndRaisesNoWindow) {
  FallbackDesktop desktop;
  EXPECT_EQ(desktop.foregroundWindow(), 0u);
  EXPECT_FALSE(desktop.setForegroundWindow(static_cast<WindowId>(getpid())));
  EXPECT_EQ(desktop.windowOfProcess(getpid()), 0u);
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

// GNOME frames no Wayland window, so there Varno asks for X11, and only when nobody chose.
TEST(PreferredPlatform, X11OnlyUnderGnomeWaylandWithXwayland) {
  // clang-format off
  struct Row { std::string chosen, desktops; bool wayland, x11; std::string platform; };
  const Row rows[] = {
      {"", "GNOME", true, true, "xcb"},        {"", "ubuntu:GNOME", true, true, "xcb"},
      {"", "GNOME-Classic:GNOME", true, true, "xcb"}, {"wayland", "GNOME", true, true, ""},
      {"", "GNOME", true, false, ""},          {"", "GNOME", false, true, ""},
      {"", "KDE", true, true, ""},             {"", "sway", true, true, ""},
      {"", "GNOMEISH", true, true, ""},
  };
  // clang-format on
  for (const Row& r : rows)
    EXPECT_EQ(preferredPlatform(r.chosen, r.desktops, r.wayland, r.x11), r.platform) << r.desktops;
}

}  // namespace varno::desktop::test
