#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "app/SystemHelpers.h"
#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "sim/SimBus.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/RecordingLog.h"
#include "support/TempFolder.h"

using testsupport::RecordingLog;

namespace {

std::string Image(uint16_t version) {
    const auto bytes = sim::MakeGt9xxxImage("911", version);
    return std::string(bytes.begin(), bytes.end());
}

// A dialog over the simulated bridge with a GT911 on firmware 1050, in a fresh program folder.
class UpgradeRun : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.Write("System/AppConfigInit.ini",
                      "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n");
        folder_.Write("System/ChipIni/GT911_test.ini", "[Cfg]\nCFGAddr=0x8047\n");
        bridge_ = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
        chip_ = std::make_shared<sim::SimGt9xxxFlash>();
        chip_->SetIdentity("911", 0x1050);
        chip_->Attach(*bridge_);
        bus_.Plug(bridge_);
        platform::SetSettingsStore(&settings_);
        SetStdOutSink([this](const std::string& bytes) { stdout_ += bytes; });
    }
    void TearDown() override {
        dialog_.reset();
        SetStdOutSink(nullptr);
        platform::SetSettingsStore(nullptr);
    }

    CQuillonDlg& Dialog(const std::string& commandLine = "/s") {
        CQuillonDlg::Options options;
        options.commandLine = commandLine;
        options.log = &log_;
        options.clearLog = [this] { ++clears_; };
        dialog_ = std::make_unique<CQuillonDlg>(bus_, options);
        dialog_->OnInitDialog();
        stdout_.clear();
        return *dialog_;
    }

    // One run on the upgrade thread, as the button or "/u" starts it.
    void Run(CQuillonDlg& dialog) {
        ASSERT_TRUE(dialog.StartUpgrade());
        dialog.WaitForUpgrade();
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const auto& e : log_.entries()) out.push_back(e.text + "/" + std::to_string(e.kind));
        return out;
    }

    platform::VirtualClock clock_;
    platform::ScopedClock scoped_{clock_};
    testsupport::TempFolder folder_;
    sim::SimBus bus_;
    std::shared_ptr<sim::SimBridge> bridge_;
    std::shared_ptr<sim::SimGt9xxxFlash> chip_;
    platform::MemorySettingsStore settings_;
    RecordingLog log_;
    std::string stdout_;
    int clears_ = 0;
    std::unique_ptr<CQuillonDlg> dialog_;
};

}  // namespace

TEST_F(UpgradeRun, NoFilesSleepsEightHundredFiftyMillisecondsThenSucceeds) {
    CQuillonDlg& dialog = Dialog();
    const uint64_t before = clock_.SleptMs();
    ASSERT_TRUE(dialog.StartUpgrade());
    dialog.WaitForUpgrade();
    EXPECT_EQ(stdout_, "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(clock_.SleptMs() - before, 850u + 500u);
    EXPECT_EQ(clears_, 1);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"New Version/9", " Usb FW/0", "#\tNo new version found/7",
                                        " Touch FW/0", "#\tNo new version found/7", " Touch CFG/0",
                                        "#\tNo new version found/7"}));
}

TEST_F(UpgradeRun, ImageBringsTheChipUpAndTheSummarySaysSo) {
    folder_.Write("GT911_1060.bin", Image(0x1060));
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    EXPECT_EQ(stdout_.substr(0, 13), "Upgrading...\n");
    EXPECT_EQ(stdout_.substr(stdout_.size() - 16), "Upgrade success\n");
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], "#297/1");
    EXPECT_EQ(lines[lines.size() - 2], "GT911_1060 Upgrade/0");
    EXPECT_EQ(lines[lines.size() - 1], "# Success/4");
}

TEST_F(UpgradeRun, TwoTouchImagesAreReportedInRedAndSkipped) {
    folder_.Write("G1.bin", Image(0x1060));
    folder_.Write("g2.BIN", Image(0x1060));
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    const auto lines = Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "#\tToo many touch FW files.../3"),
              lines.end());
    EXPECT_EQ(dialog.TouchFilePath(), "");
    EXPECT_EQ(chip_->Burns(), 0);
    EXPECT_EQ(stdout_, "Upgrading...\nUpgrade success\n");
}

TEST_F(UpgradeRun, FailedDownloadLogsItsStageAndFailsTheRun) {
    chip_->faults().burnNeverCompletes = true;
    folder_.Write("G911.bin", Image(0x1060));
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    const auto lines = Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "#366/3"), lines.end());
    // The chip still runs its old firmware: the summary says so in red.
    EXPECT_EQ(lines.back().substr(lines.back().size() - 2), "/3");
    EXPECT_NE(lines.back().find("GT911_1050"), std::string::npos);
    EXPECT_NE(lines.back().find("GT911_1060"), std::string::npos);
    EXPECT_EQ(stdout_, "Upgrading...\nUpgrade failed\n");
}

TEST_F(UpgradeRun, LostChipIsReportedAndFailsTheRun) {
    chip_->faults().goneAfterReset = true;
    folder_.Write("G911.bin", Image(0x1060));
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    EXPECT_EQ(Lines().back(), "#272/3");
    EXPECT_EQ(stdout_, "Upgrading...\nUpgrade failed\n");
}

TEST_F(UpgradeRun, SecondRunWhileOneIsActiveIsRefused) {
    folder_.Write("G911.bin", Image(0x1060));
    CQuillonDlg& dialog = Dialog();
    ASSERT_TRUE(dialog.StartUpgrade());
    EXPECT_FALSE(dialog.StartUpgrade());
    dialog.WaitForUpgrade();
    EXPECT_FALSE(dialog.Busy());
    EXPECT_TRUE(dialog.StartUpgrade());
    dialog.WaitForUpgrade();
}

TEST_F(UpgradeRun, SilentFileReportWritesItsBlockOnlyWhileIdle) {
    CQuillonDlg& dialog = Dialog();
    dialog.ListAvailableFiles();
    EXPECT_EQ(stdout_,
              "***********************Available files***************************\n"
              " Usb FW:\t\tUnavailable\n Touch FW:\t\tUnavailable\n Configure:\t\tUnavailable\n" +
                  std::string(65, '*') + "\n>>");
    stdout_.clear();
    folder_.Write("S_bridge.hex", "");
    folder_.Write("s_bridge.BIN", "");
    folder_.Write("GT911.bin", "");
    folder_.Write("a.cfg", "");
    dialog.ListAvailableFiles();
    EXPECT_NE(
        stdout_.find(" Usb FW:\t\ts_bridge.BIN\n Touch FW:\t\tGT911.bin\n Configure:\t\ta.cfg\n"),
        std::string::npos);
    EXPECT_EQ(dialog.BridgeFilePath(), (folder_.Path() / "s_bridge.BIN").string());

    // During a run the block is not written.
    stdout_.clear();
    ASSERT_TRUE(dialog.StartUpgrade());
    dialog.WaitForUpgrade();
    EXPECT_EQ(stdout_.find("Available files"), std::string::npos);
}

TEST_F(UpgradeRun, BridgeImageFallsBackToHexOnlyWithoutBin) {
    folder_.Write("S1.hex", "");
    CQuillonDlg& dialog = Dialog("");
    EXPECT_EQ(dialog.BridgeFilePath(), (folder_.Path() / "S1.hex").string());
    EXPECT_EQ(stdout_, "");  // not silent: no block
}

TEST_F(UpgradeRun, VidListItemsStandInTheTableInTheirOrder) {
    struct Case {
        const char* text;
        std::vector<std::string> table;
    };
    const Case cases[] = {
        {"222A,27C6", {"222A", "27C6"}},
        {"", {""}},
        {"27C6", {"27C6"}},
        {"27C6, 222A,", {"27C6", " 222A", ""}},
        {"A,,B", {"A", "", "B"}},
        // The split stops at a comma that is the first character: no empty item before it,
        // which would be part of every device path.
        {",27C6", {"27C6"}},
        {",,27C6", {"", "27C6"}},
        {",", {""}},
    };
    for (const Case& c : cases) {
        folder_.Write("System/AppConfigInit.ini", std::string("[VID_LIST]\nVid List=") + c.text +
                                                      "\n[CHIP LIST]\nchip list=GT911\n");
        Dialog();
        EXPECT_EQ(dialog_->Device()->VidTable(), c.table) << c.text;
        dialog_.reset();
    }
}

TEST(SystemHelpersTest, FindFilesListsMatchesInReverseOrderCaseInsensitively) {
    testsupport::TempFolder folder;
    folder.Write("G1.bin", "");
    folder.Write("g2.BIN", "");
    folder.Write("H.bin", "");
    folder.MakeFolder("Gfolder.bin");
    std::vector<std::string> list{"kept"};
    EXPECT_EQ(FindFiles("G*.bin", list), 4u);
    EXPECT_EQ(list[0], (folder.Path() / "Gfolder.bin").string());
    EXPECT_EQ(list[2], (folder.Path() / "G1.bin").string());
    EXPECT_EQ(list[3], "kept");
}

TEST(SystemHelpersTest, RunCommandCapturesOutputInTheProgramFolder) {
    testsupport::TempFolder folder;
    folder.Write("setup.bat", "echo ok\n");
    EXPECT_EQ(RunCommand("sh setup.bat"), "ok\n");
    EXPECT_EQ(RunCommand("true"), "");
}

TEST(SystemHelpersTest, DriverScriptThatCannotRunIsAFailedInstallation) {
    platform::MemorySettingsStore settings;
    settings.SetDriverPresent(false);
    platform::SetSettingsStore(&settings);
    sim::SimBus bus;
    RecordingLog log;
    {
        testsupport::TempFolder folder;
        folder.Write("setup.bat", "");
        CQuillonDlg::Options options;
        options.log = &log;
        CQuillonDlg dialog(bus, options);
        // The program folder is gone: the script never runs.
        std::filesystem::remove_all(folder.Path());
        EXPECT_EQ(RunCommand("sh setup.bat"), "指令执行异常！");
        EXPECT_FALSE(dialog.InstallDriver());
    }
    platform::SetSettingsStore(nullptr);
    EXPECT_EQ(log.entries(), (std::vector<RecordingLog::Entry>{{"Install driver", LogBusy},
                                                               {"# Failed", LogError}}));
}

TEST(SystemHelpersTest, InstallDriverLines) {
    testsupport::TempFolder folder;
    platform::MemorySettingsStore settings;
    platform::SetSettingsStore(&settings);
    platform::VirtualClock clock;
    platform::ScopedClock scoped(clock);
    sim::SimBus bus;
    RecordingLog log;
    {
        CQuillonDlg::Options options;
        options.log = &log;
        CQuillonDlg dialog(bus, options);
        settings.SetDriverPresent(true);
        EXPECT_TRUE(dialog.InstallDriver());
        EXPECT_TRUE(log.entries().empty());

        settings.SetDriverPresent(false);
        folder.Write("setup.bat", "");
        EXPECT_TRUE(dialog.InstallDriver());
        folder.Write("setup.bat", "echo Driver installed\n");
        EXPECT_FALSE(dialog.InstallDriver());
    }
    platform::SetSettingsStore(nullptr);
    // "setup.bat" runs through the shell: an empty script prints nothing.
    EXPECT_EQ(log.entries(), (std::vector<RecordingLog::Entry>{{"Install driver", LogBusy},
                                                               {"# Success", LogSuccess},
                                                               {"Install driver", LogBusy},
                                                               {"# Failed", LogError}}));
}
