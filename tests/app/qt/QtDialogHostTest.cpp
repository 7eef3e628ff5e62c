// Whether an interactive start finds a place to show its dialog, as the environment of a desktop,
// a remote shell or a test describes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/QtDialogHost.h"

namespace {

struct DisplayCase {
    const char* name;
    const char* platform;  // QT_QPA_PLATFORM; nullptr: unset
    const char* display;   // DISPLAY
    const char* wayland;   // WAYLAND_DISPLAY
    bool available;
};

class DisplayAvailable : public ::testing::TestWithParam<DisplayCase> {
  protected:
    // Sets the variable (unsets it for nullptr) until the test ends.
    void Set(const char* name, const char* value) {
        const char* before = std::getenv(name);
        saved_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }

  private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

}  // namespace

TEST_P(DisplayAvailable, OnlyWhereQtFindsAPlatformToShowWindowsOn) {
    Set("QT_QPA_PLATFORM", GetParam().platform);
    Set("DISPLAY", GetParam().display);
    Set("WAYLAND_DISPLAY", GetParam().wayland);
    EXPECT_EQ(app::QtDialogHost::DisplayAvailable(), GetParam().available);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DisplayAvailable,
    ::testing::Values(
        DisplayCase{"RemoteShell", nullptr, nullptr, nullptr, false},
        DisplayCase{"EmptyDisplays", nullptr, "", "", false},
        DisplayCase{"X11", nullptr, ":0", nullptr, true},
        DisplayCase{"Wayland", nullptr, nullptr, "wayland-0", true},
        DisplayCase{"X11PlatformWithoutItsDisplay", "xcb", nullptr, "wayland-0", false},
        DisplayCase{"WaylandPlatformWithoutItsDisplay", "wayland", ":0", nullptr, false},
        DisplayCase{"Offscreen", "offscreen", nullptr, nullptr, true},
        DisplayCase{"FallsBackToOffscreen", "wayland;offscreen", nullptr, nullptr, true},
        DisplayCase{"FallsBackToX11", "wayland;xcb", ":0", nullptr, true},
        DisplayCase{"NeitherOfTwo", "wayland;xcb", nullptr, nullptr, false},
        DisplayCase{"EmptyEntryBeforeX11", ";xcb", nullptr, nullptr, false},
        DisplayCase{"EmptyEntryBetweenTwo", "xcb;;wayland", nullptr, nullptr, false},
        DisplayCase{"EmptyEntryBeforeOffscreen", ";offscreen", nullptr, nullptr, true},
        DisplayCase{"OnlyEmptyEntries", ";", nullptr, nullptr, false},
        DisplayCase{"OnlyEmptyEntriesBesideADisplay", ";", ":0", "wayland-0", false},
        DisplayCase{"OnlyArgumentSeparatorsBesideADisplay", ":;:", ":0", nullptr, false},
        DisplayCase{"UpperCaseX11WithoutItsDisplay", "XCB", nullptr, nullptr, false},
        DisplayCase{"X11WithArgumentsAndItsDisplay", "xcb:nograb", ":0", nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });
