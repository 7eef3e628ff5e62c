// Console sessions of "quillon /s" as a controlling program drives them, byte for byte, and
// the single-instance rules of a start.
#include <sys/wait.h>

#include "QuillonExe.h"
#include "platform/NamedLock.h"

namespace {

const char* const kStartBlock = "GT911_1050";

std::string FileBlock(const std::string& touch) {
    return "***********************Available files***************************\n"
           " Usb FW:\t\tUnavailable\n Touch FW:\t\t" +
           touch + "\n Configure:\t\tUnavailable\n" + std::string(65, '*') + "\n>>";
}

const std::string kHelp =
    "Option cmd:\n v     Show current version\n f     Show avaliable files\n"
    " u     Upgrade FW/CFG\n x     Exit\n h     Help\nPlease input cmd\n>>";

class ConsoleSession : public QuillonExe {
  protected:
    void SetUp() override {
        QuillonExe::SetUp();
        environment_ = "XDG_RUNTIME_DIR='" + Path("run") + "'";
    }
    int ExitStatus() const { return WIFEXITED(exitCode_) ? WEXITSTATUS(exitCode_) : -1; }
};

}  // namespace

TEST_F(ConsoleSession, VersionFilesHelpUnknownUpgradeAndExit) {
    WriteImage("GT911_1060.bin", 0x1060);
    const std::string out = Run("/s", "v\nf\nhqux");
    EXPECT_EQ(out, VersionBlock(kStartBlock, "Unknow") + VersionBlock(kStartBlock, "Unknow") +
                       FileBlock("GT911_1060.bin") + kHelp + "Unkonw cmd\n>>" +
                       "Upgrading...\nUpgrade success\n" + VersionBlock("GT911_1060", "Unknow"));
    EXPECT_EQ(ExitStatus(), 0);
    EXPECT_EQ(stderr_, "");
}

TEST_F(ConsoleSession, SecondUpgradeIsRefusedAndAReportWaitsForTheRun) {
    WriteImage("GT911_1060.bin", 0x1060);
    const std::string out = Run("/s", "uuVx");
    EXPECT_EQ(out, VersionBlock(kStartBlock, "Unknow") + "Upgrading...\nUpgrade success\n" +
                       VersionBlock("GT911_1060", "Unknow") + VersionBlock("GT911_1060", "Unknow"));
}

TEST_F(ConsoleSession, ExitRightAfterUpgradeLetsTheBridgeAndTouchRunEnd) {
    // The bridge leaves for its boot mode and comes back during the run: the exit waits for it.
    WriteBridgeImage(true);
    WriteImage("GT911_1060.bin", 0x1060);
    EXPECT_EQ(Run("/s", "ux"), VersionBlock(kStartBlock, "Unknow") +
                                   "Upgrading...\nUpgrade success\n" +
                                   VersionBlock("GT911_1060", "Unknow", "S102_v2.10"));
    EXPECT_EQ(ExitStatus(), 0);
}

TEST_F(ConsoleSession, CarriageReturnLineEndingsAnswerUnknownOncePerLine) {
    EXPECT_EQ(Run("/s", "h\r\nx\r\n"),
              VersionBlock(kStartBlock, "Unknow") + kHelp + "Unkonw cmd\n>>");
}

TEST_F(ConsoleSession, NoDeviceAnswersOnlyTheErrorAndThePrompt) {
    Write("System/AppConfigInit.ini", "[VID_LIST]\nVid List=ABCD\n");
    EXPECT_EQ(Run("/s", "vx"), "Error: Connot find device!>>Error: Connot find device!>>");
}

TEST_F(ConsoleSession, ChipThatNoFamilyIdentifiesIsUnknown) {
    simulation_ = "[Bridge]\nVendorId=27C6\nProductId=0102\n[Time]\nVirtual=1\n";
    EXPECT_EQ(Run("/s", "x"), VersionBlock("Unknow", "Unknow"));
}

TEST_F(ConsoleSession, ClosedInputEndsTheProgramAtOnce) {
    EXPECT_EQ(Run("/s", "v"),
              VersionBlock(kStartBlock, "Unknow") + VersionBlock(kStartBlock, "Unknow"));
    EXPECT_EQ(ExitStatus(), 0);
    EXPECT_LT(elapsed_, std::chrono::seconds(1));
}

TEST_F(ConsoleSession, SilentSwitchAnywhereInEitherCase) {
    for (const char* switches : {"/S", "abc/sdef", "/u/s"}) {
        SCOPED_TRACE(switches);
        const std::string out = Run(switches, "x");
        EXPECT_EQ(out.rfind(VersionBlock(kStartBlock, "Unknow"), 0), 0u);
    }
}

TEST_F(ConsoleSession, InteractiveStartIsRefusedWhileANameIsHeld) {
    // No display: the start is refused for that before it looks at the names (each name's own
    // refusal is SingleInstance's), and Qt is never brought up.
    environment_ += " DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb";
    for (const char* name : {"Quillon", "Tessaly"}) {
        SCOPED_TRACE(name);
        platform::NamedLock held(name, folder_ / "run" / "quillon");
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(Run(""), "");
        EXPECT_EQ(stderr_, kNoDisplayMessage);
        EXPECT_EQ(ExitStatus(), 1);
        // A silent start beside it is allowed.
        EXPECT_EQ(Run("/s", "x"), VersionBlock(kStartBlock, "Unknow"));
    }
}
