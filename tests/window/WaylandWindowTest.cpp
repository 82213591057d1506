// The main window's tests once more on Qt's Wayland platform, in weston's headless
// backend. This test program runs them again in a process of its own, with no X11
// display to fall back to: they show that the window opens natively (the
// compositor exposes it) and that keys handed to its Wayland window and an input
// method's text reach the search edit. Headless weston has no seat, so the keys
// enter at Qt's window system interface rather than through a wl_keyboard, and the
// text is committed to the focus object rather than through a text-input protocol:
// Qt's Wayland input context needs a seat (Qt 6.4 crashes without one), so Qt's
// compose input context, an input method of its own, stands in for it.
#include "HeadlessWeston.h"
#include "tests/launcher/Launch.h"

#include <QLibraryInfo>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

bool WaylandPlatformInstalled() {
    const std::string plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString();
    return std::filesystem::exists(plugins + "/platforms/libqwayland-generic.so");
}

TEST(WaylandWindow, TheMainWindowTestsPassOnANativeWaylandWindow) {
    const std::string weston = ProgramOnPath("weston");
    if (weston.empty())
        GTEST_SKIP() << "weston is not installed (Debian package weston)";
    if (!WaylandPlatformInstalled())
        GTEST_SKIP() << "Qt's Wayland platform is not installed (Debian package qt6-wayland)";
    const HeadlessWeston compositor(weston);
    ASSERT_EQ(compositor.Problem(), "");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const Launch run =
        RunShell("env -u DISPLAY QT_QPA_PLATFORM=wayland QT_IM_MODULE=compose XDG_RUNTIME_DIR=" +
                 Quoted(compositor.RuntimeFolder()) + " WAYLAND_DISPLAY=" + compositor.Socket() +
                 " " + Quoted(self) + " --gtest_filter='MainWindowTest.*'");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (const char* passed :
         {"[       OK ] MainWindowTest.IsShownOnThePlatformTheDesktopAsksFor",
          "[       OK ] MainWindowTest.TextTypedOrCommittedIntoTheSearchEdit", "[  PASSED  ]"})
        EXPECT_NE(run.out.find(passed), std::string::npos) << passed << "\n" << run.out;
    EXPECT_EQ(run.out.find("[  SKIPPED ]"), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find("xcb"), std::string::npos) << run.err;
}

} // namespace
