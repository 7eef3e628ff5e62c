#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/DeviceParts.h"
#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/NoIspLibrary.h"
#include "support/SimGt911Program.h"
#include "touch/ChipRegistry.h"

namespace {

// The device, the registry and the programmer belong to whoever built them: the dialog opens
// the device and leaves it, open, to the parts, which close it when they go.
TEST(DeviceParts, OutliveTheDialogAndCloseTheDeviceItOpened) {
    platform::VirtualClock clock(20);
    testsupport::SimGt911Program program(clock);
    program.folder.Write("GT911_1060.bin", testsupport::Gt911Image(0x1060));
    platform::StderrMessageService messages;
    std::string out;
    StdOut standardOutput(platform::CodePage(), [&out](const std::string& bytes) { out += bytes; });
    const app::Services services{clock, program.settings, messages, standardOutput,
                                 program.folder.Files()};
    platform::NoIspLibrary noIspLibrary;
    auto parts = std::make_unique<app::DeviceParts>(program.bus, services, noIspLibrary, false);
    EXPECT_FALSE(parts->Device().IsOpen());

    CQuillonDlg::Options options;
    options.commandLine = "/s";
    auto dialog = std::make_unique<CQuillonDlg>(*parts, services, options);
    dialog->OnInitDialog();
    ASSERT_EQ(dialog->Device(), &parts->Device());
    ASSERT_TRUE(dialog->StartUpgrade());
    // The dialog waits for its run before it goes.
    dialog.reset();
    EXPECT_NE(out.find("Upgrading...\nUpgrade success\n"), std::string::npos);
    EXPECT_GT(program.chip->Burns(), 0);

    // What the dialog leaves behind still works.
    EXPECT_TRUE(parts->Device().IsOpen());
    EXPECT_TRUE(parts->Registry().DetectChip());
    EXPECT_GT(program.bus.OpenHandleCount(), 0u);
    parts.reset();
    EXPECT_EQ(program.bus.OpenHandleCount(), 0u);
}

}  // namespace
