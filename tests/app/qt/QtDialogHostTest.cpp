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
    static constexpr const char* kNames[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};

    void SetUp() override {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < saved_.size(); ++i)
            Set(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
    }
    static void Set(const char* name, const char* value) {
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }

  private:
    std::vector<std::optional<std::string>> saved_;
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
        DisplayCase{"NeitherOfTwo", "wayland;xcb", nullptr, nullptr, false}),
    [](const auto& info) { return std::string(info.param.name); });
