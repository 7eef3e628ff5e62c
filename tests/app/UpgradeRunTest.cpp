#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/BasicUiLoop.h"
#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "app/SummaryStep.h"
#include "app/SystemHelpers.h"
#include "app/TouchFirmwareStep.h"
#include "bridge/HidDevice.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "sim/BridgeImage.h"
#include "sim/SimBootDevice.h"
#include "sim/SimBus.h"
#include "sim/SimHotPlugSource.h"
#include "sim/ft5xxx/SimFt5xxx.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/RecordingLog.h"
#include "support/SimGt911Program.h"
#include "support/TempFolder.h"
#include "support/TestDialog.h"
#include "touch/ChipRegistry.h"

using testsupport::RecordingLog;

namespace {

std::string Image(uint16_t version) { return testsupport::Gt911Image(version); }

// A dialog over the simulated bridge with a GT911 on firmware 1050, in a fresh program folder.
class UpgradeRun : public ::testing::Test {
  protected:
    // graceMs: the real time a timed wait grants other threads before virtual time moves on.
    explicit UpgradeRun(uint32_t graceMs = 20) : clock_(graceMs) {}
    void TearDown() override { dialog_.reset(); }

    CQuillonDlg& Dialog(const std::string& commandLine = "/s",
                        std::function<void(CQuillonDlg::Options&)> more = nullptr) {
        CQuillonDlg::Options options;
        if (more) more(options);
        options.commandLine = commandLine;
        options.log = &log_;
        options.clearLog = [this] { ++clears_; };
        dialog_ = std::make_unique<testsupport::TestDialog>(
            bus_, app::Services{clock_, program_.settings, messages_, out_, files_}, options,
            ispLibrary_);
        dialog_->OnInitDialog();
        // What the start-up version report wrote is not the run's.
        stdout_.clear();
        clears_ = 0;
        firstLine_ = log_.entries().size();
        return *dialog_;
    }

    // One run on the upgrade thread, as the button or "/u" starts it.
    void Run(CQuillonDlg& dialog) {
        ASSERT_TRUE(dialog.StartUpgrade());
        dialog.WaitForUpgrade();
    }

    // One run of a dialog whose current chip is the FT5xxx the test attached, the bridge's
    // records of the start-up cleared.
    void RunOnFt5xxx() {
        CQuillonDlg& dialog = Dialog();
        ASSERT_TRUE(dialog.Registry()->DetectChip());
        ASSERT_EQ(dialog.Registry()->CurrentFamily(), kFamilyFT5xxx);
        bridge_->ClearRecords();
        Run(dialog);
    }

    // The log lines after start-up up to the version report that follows a run.
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        const auto entries = log_.entries();
        for (size_t i = firstLine_; i < entries.size(); ++i) {
            const auto& e = entries[i];
            if (e.text == "Current Version") break;
            out.push_back(e.text + "/" + std::to_string(e.kind));
        }
        return out;
    }
    // Standard output up to the version report that follows a run.
    std::string RunOut() const { return stdout_.substr(0, stdout_.find("*****")); }

    platform::VirtualClock clock_;
    testsupport::SimGt911Program program_{clock_};
    testsupport::TempFolder& folder_ = program_.folder;
    sim::SimBus& bus_ = program_.bus;
    std::shared_ptr<sim::SimBridge>& bridge_ = program_.bridge;
    std::shared_ptr<sim::SimGt9xxxFlash>& chip_ = program_.chip;
    // The program folder of the next dialog: the program's, unless a test gives another.
    platform::ProgramFiles files_ = program_.folder.Files();
    RecordingLog log_;
    std::string stdout_;
    StdOut out_{platform::CodePage(), [this](const std::string& bytes) { stdout_ += bytes; }};
    platform::StderrMessageService messages_;
    int clears_ = 0;
    size_t firstLine_ = 0;
    platform::IspLibrary* ispLibrary_ = nullptr;  // the bridge's boot-mode programming library
    std::unique_ptr<testsupport::TestDialog> dialog_;
};

// Notifications cross threads before the run sees them.
class UpgradeRunWithNotifications : public UpgradeRun {
  protected:
    UpgradeRunWithNotifications() : UpgradeRun(500) {}
    void TearDown() override { EndDialog(); }

    // The dialog with device notifications handled on a loop of its own, and the first
    // bridge's boot mode (chip type 0x52) as its programming library.
    CQuillonDlg& NotifiedDialog() {
        ispLibrary_ = &boot_;
        loopThread_ = std::thread([this] { loop_.Run(); });
        return Dialog("/s", [this](CQuillonDlg::Options& options) {
            options.hotPlug = &hotPlug_;
            options.loop = &loop_;
        });
    }
    // The dialog goes, then its loop.
    void EndDialog() {
        dialog_.reset();
        if (!loopThread_.joinable()) return;
        loop_.Quit();
        loopThread_.join();
    }

    sim::SimBootDevice boot_{bus_, bridge_, 0x52};
    sim::SimHotPlugSource hotPlug_{bus_};
    app::BasicUiLoop loop_{clock_};
    std::thread loopThread_;
};

}  // namespace

TEST_F(UpgradeRun, NoFilesSleepsEightHundredFiftyMillisecondsThenSucceeds) {
    CQuillonDlg& dialog = Dialog();
    const uint64_t before = clock_.SleptMs();
    ASSERT_TRUE(dialog.StartUpgrade());
    dialog.WaitForUpgrade();
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade success\n");
    // The version report after the run adds 2 ms of read waits before each of its two reads
    // (bridge identity, chip) and clears the log again.
    EXPECT_EQ(clock_.SleptMs() - before, 850u + 500u + 4u);
    EXPECT_EQ(clears_, 2);
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
    EXPECT_EQ(RunOut().substr(RunOut().size() - 16), "Upgrade success\n");
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
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n");
}

// A kind with more than one entry is skipped, the others run as they would, and the result
// line says the folder was not applied.
TEST_F(UpgradeRun, AKindWithMoreThanOneEntryFailsTheRunWhileTheOthersRun) {
    struct Case {
        std::vector<std::string> files, folders, links;
        const char* tooMany;
        bool downloads;
    };
    const std::vector<Case> cases = {
        {{"G911.bin"}, {"Gold.bin"}, {}, "#\tToo many touch FW files.../3", false},
        {{"G911.bin"}, {}, {"Gone.bin"}, "#\tToo many touch FW files.../3", false},
        {{"G911.bin", "a.cfg", "b.cfg"}, {}, {}, "#\tToo many touch configure files.../3", true},
        {{"G911.bin", "S1.bin", "S2.bin"}, {}, {}, "#\tToo many usb FW files.../3", true},
    };
    for (const Case& c : cases) {
        testsupport::TempFolder folder;
        folder.Write("System/AppConfigInit.ini",
                     "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n");
        folder.MakeFolder("System/ChipIni");
        for (const std::string& f : c.files) folder.Write(f, Image(0x1060));
        for (const std::string& f : c.folders) folder.MakeFolder(f);
        for (const std::string& f : c.links)
            std::filesystem::create_symlink(folder.Path() / "missing", folder.Path() / f);
        chip_ = std::make_shared<sim::SimGt9xxxFlash>();
        chip_->SetIdentity("911", 0x1050);
        chip_->Attach(*bridge_);
        files_ = folder.Files();
        CQuillonDlg& dialog = Dialog();
        Run(dialog);
        const auto lines = Lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.tooMany), lines.end()) << c.tooMany;
        EXPECT_EQ(chip_->Burns() > 0, c.downloads) << c.tooMany;
        EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n") << c.tooMany;
        dialog_.reset();
    }
}

// Product id 9111 is identified as GT9110P; its image's header names GT9111.
TEST_F(UpgradeRun, RenamedModelMatchesItsImageInTheSummary) {
    folder_.Write("System/AppConfigInit.ini",
                  "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911,GT9110P\n");
    chip_->SetIdentity("9111", 0x1050);
    const auto image = sim::MakeGt9xxxImage("9111", 0x1060);
    folder_.Write("G9111.bin", std::string(image.begin(), image.end()));
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "GT9110P_1060 Upgrade/0");
    EXPECT_EQ(lines[lines.size() - 1], "# Success/4");
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade success\n");
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
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n");
}

TEST_F(UpgradeRun, LostChipIsReportedAndFailsTheRun) {
    chip_->faults().goneAfterReset = true;
    folder_.Write("G911.bin", Image(0x1060));
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    EXPECT_EQ(Lines().back(), "#272/3");
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n");
}

// A GT7936, behind a bridge that names its family, that answers no identity after its download
// of an image of the version it runs is as lost as a chip that does not answer.
TEST_F(UpgradeRun, Gt79xxThatNamesNoModelAfterItsDownloadIsLost) {
    bus_.Unplug(bridge_);
    bridge_ = std::make_shared<sim::SimBridge>(0x27C6, 0x0401, 0x0100,
                                               std::vector<sim::SimBridge::Interface>{{1}});
    auto chip = std::make_shared<sim::SimGt79xx>("7936", std::array<uint8_t, 4>{1, 2, 3, 4});
    chip->faults().silentAfterReset = -1;
    chip->Attach(*bridge_);
    bus_.Plug(bridge_);
    const auto image = sim::MakeGt79xxImage("7936", {1, 2, 3, 4});
    folder_.Write("G7936.bin", std::string(image.begin(), image.end()));
    Run(Dialog());
    EXPECT_EQ(Lines().back(), "#272/3");
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n");
}

TEST_F(UpgradeRun, Ft5xxxImageReachesNoChipAndFailsTheRun) {
    std::make_shared<sim::SimFt5xxx>("FT5682_V1.0")->Attach(*bridge_);
    folder_.Write("GFT5682_app.bin", Image(0x1060));
    RunOnFt5xxx();
    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n");
    // Nothing was written: the summary's detection only reads, and logs nothing for the chip.
    for (const sim::BridgeRequest& request : bridge_->Requests()) EXPECT_EQ(request.type, 0);
    EXPECT_EQ(Lines().back(), "#\tNo new version found/7");
}

// An FT5xxx is given no configuration: a ".cfg" selected for it fails the run, which still
// reaches its end, and nothing of the file reaches the chip or the bridge.
TEST_F(UpgradeRun, AConfigurationForAnFt5xxxReachesNothingAndFailsTheRun) {
    struct Case {
        const char* what;
        const char* name;
        std::string cfg;
        bool touchImage;
    } cases[] = {
        {"a configuration alone", "FT5682.cfg", sim::Gt9xxxCfgText(0x42, 186, false), false},
        {"one that carries a bridge block", "GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true),
         false},
        {"one beside a touch image", "FT5682.cfg", sim::Gt9xxxCfgText(0x42, 186, true), true},
    };
    std::make_shared<sim::SimFt5xxx>("FT5682_V1.0")->Attach(*bridge_);
    folder_.Write("System/CfgItem/GT911_A.sc", sim::StoredUiItemFile(sim::Gt911UiItemText()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder_.Write(c.name, c.cfg);
        if (c.touchImage) folder_.Write("GFT5682_app.bin", Image(0x1060));
        RunOnFt5xxx();
        EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade failed\n");
        EXPECT_EQ(Lines().back(),
                  "[Config]This program does not write the configuration of FT5xxx chips/3");
        // No write of any kind, the bridge's block (command 49) included.
        for (const sim::BridgeRequest& request : bridge_->Requests()) {
            EXPECT_EQ(request.type, 0);
            EXPECT_NE(request.command, 49);
        }
        dialog_.reset();
        std::filesystem::remove(folder_.Path() / c.name);
        std::filesystem::remove(folder_.Path() / "GFT5682_app.bin");
    }
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

TEST_F(UpgradeRunWithNotifications, BridgeIsReprogrammedFirstAndTheSummaryNamesItsNewFirmware) {
    folder_.Write("System/AppConfigInit.ini",
                  "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n"
                  "[MCU_TYPE]\nTYPE1=S102\n");
    folder_.Write("S102_v2.10.hex", sim::ToIntelHex(sim::MakeBridgeImage("Halden_V2.10", 500)));
    folder_.Write("GT911_1060.bin", Image(0x1060));
    Run(NotifiedDialog());
    EndDialog();

    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade success\n");
    EXPECT_NE(stdout_.find(" Usb Version:\t\tS102_v2.10\n"), std::string::npos);
    const auto lines = Lines();
    const auto at = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_LT(at("#294/1"), at("#297/1"));
    EXPECT_LT(at("#297/1"), at("S102_v2.10 Upgrade/0"));
    EXPECT_EQ(lines[at("S102_v2.10 Upgrade/0") + 1], "# Success/4");
    EXPECT_GT(chip_->Burns(), 0);
}

// Two bridges open at two ports, the current one removed: the other becomes current, and a run
// keeps to its port, where it comes back from its boot mode.
TEST_F(UpgradeRunWithNotifications, OfTwoBridgesTheOneLeftWhenTheCurrentGoesIsTheRunsBridge) {
    folder_.Write("System/AppConfigInit.ini",
                  "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n"
                  "[MCU_TYPE]\nTYPE1=S102\n");
    folder_.Write("S102_v2.10.hex", sim::ToIntelHex(sim::MakeBridgeImage("Halden_V2.10", 500)));
    const auto second = std::make_shared<sim::SimBridge>(
        0x27C6, 0x0102, 0x0100, std::vector<sim::SimBridge::Interface>{{1}});
    bus_.Plug(second);
    CQuillonDlg& dialog = NotifiedDialog();
    CHidDevice& device = *dialog_->Device();
    EXPECT_EQ(device.Port(), second->Port());
    bus_.Unplug(second);
    // The removal is handled once the loop runs.
    while (!loop_.PostAndWait([] {})) std::this_thread::yield();
    EXPECT_EQ(device.Port(), bridge_->Port());
    Run(dialog);
    EndDialog();

    EXPECT_EQ(RunOut(), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(bridge_->Identity(), "Halden_V2.10");
}

// The summary reads the bridge's firmware name once more: only the version the image's name
// carries counts. The touch controller's line follows whatever the bridge's gave (without a
// chip registry, the chip is lost).
TEST(SummaryStep, BridgeThatReportsAnotherFirmwareThanItsImageFailsTheRun) {
    struct Case {
        std::string name;  // what the bridge reports ("" when it does not answer)
        std::vector<std::string> lines;
        bool result;
        bool touchApplied = false;
        std::string image = "/p/S102_v2.10.hex";
    };
    const std::string mismatch = "[Halden]The bridge reports firmware \"";
    const std::string image = "\") where the image \"S102_v2.10.hex\" names another version/3";
    const std::string lost = "#272/3";
    const Case cases[] = {
        {"S102_v2.10", {"S102_v2.10 Upgrade/0", "# Success/4"}, true},
        {"s102_V2.10", {"s102_V2.10 Upgrade/0", "# Success/4"}, true},
        // Another model prefix, the same version.
        {"S105L_v2.10", {"S105L_v2.10 Upgrade/0", "# Success/4"}, true, false, "/p/S105_v2.10.hex"},
        {"S102_v1.00", {mismatch + "S102_v1.00\" (version \"1.00" + image}, false},
        {"", {mismatch + "\" (version \"" + image}, false},
        {"S102_v2.10", {"S102_v2.10 Upgrade/0", "# Success/4", lost}, false, true},
        {"S102_v1.00", {mismatch + "S102_v1.00\" (version \"1.00" + image, lost}, false, true},
    };
    for (const Case& c : cases) {
        RecordingLog log;
        platform::VirtualClock clock;
        const CTouchFirmwareStep touch({}, clock);
        CSummaryStep summary({nullptr, nullptr, &log, [&c] { return c.name; }, c.image});
        EXPECT_EQ(summary.Run(true, c.touchApplied, touch), c.result) << c.name;
        std::vector<std::string> lines;
        for (const auto& e : log.entries()) lines.push_back(e.text + "/" + std::to_string(e.kind));
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

TEST(SystemHelpersTest, FindFilesListsMatchesInReverseOrderCaseInsensitively) {
    testsupport::TempFolder folder;
    folder.Write("G1.bin", "");
    folder.Write("g2.BIN", "");
    folder.Write("H.bin", "");
    folder.MakeFolder("Gfolder.bin");
    std::vector<std::string> list{"kept"};
    EXPECT_EQ(FindFiles(folder.Files(), "G*.bin", list), 4u);
    EXPECT_EQ(list[0], (folder.Path() / "Gfolder.bin").string());
    EXPECT_EQ(list[2], (folder.Path() / "G1.bin").string());
    EXPECT_EQ(list[3], "kept");
}

TEST(SystemHelpersTest, RunCommandCapturesOutputInTheProgramFolder) {
    testsupport::TempFolder folder;
    folder.Write("setup.bat", "echo ok\n");
    EXPECT_EQ(RunCommand(folder.Files(), "sh setup.bat"), "ok\n");
    EXPECT_EQ(RunCommand(folder.Files(), "true"), "");
}

TEST(SystemHelpersTest, DriverScriptThatCannotRunIsAFailedInstallation) {
    platform::MemorySettingsStore settings;
    settings.SetDriverPresent(false);
    platform::SteadyClock clock;
    platform::StderrMessageService messages;
    StdOut out{platform::CodePage()};
    sim::SimBus bus(clock);
    RecordingLog log;
    {
        testsupport::TempFolder folder;
        folder.Write("setup.bat", "");
        CQuillonDlg::Options options;
        options.log = &log;
        testsupport::TestDialog dialog(
            bus, app::Services{clock, settings, messages, out, folder.Files()}, options);
        // The program folder is gone: the script never runs.
        std::filesystem::remove_all(folder.Path());
        EXPECT_EQ(RunCommand(folder.Files(), "sh setup.bat"), "指令执行异常！");
        EXPECT_FALSE(dialog.InstallDriver());
    }
    EXPECT_EQ(log.entries(), (std::vector<RecordingLog::Entry>{{"Install driver", LogBusy},
                                                               {"# Failed", LogError}}));
}

TEST(SystemHelpersTest, InstallDriverLines) {
    testsupport::TempFolder folder;
    platform::MemorySettingsStore settings;
    platform::VirtualClock clock;
    platform::StderrMessageService messages;
    StdOut out{platform::CodePage()};
    sim::SimBus bus(clock);
    RecordingLog log;
    {
        CQuillonDlg::Options options;
        options.log = &log;
        testsupport::TestDialog dialog(
            bus, app::Services{clock, settings, messages, out, folder.Files()}, options);
        settings.SetDriverPresent(true);
        EXPECT_TRUE(dialog.InstallDriver());
        EXPECT_TRUE(log.entries().empty());

        settings.SetDriverPresent(false);
        folder.Write("setup.bat", "");
        EXPECT_TRUE(dialog.InstallDriver());
        folder.Write("setup.bat", "echo Driver installed\n");
        EXPECT_FALSE(dialog.InstallDriver());
    }
    // "setup.bat" runs through the shell: an empty script prints nothing.
    EXPECT_EQ(log.entries(), (std::vector<RecordingLog::Entry>{{"Install driver", LogBusy},
                                                               {"# Success", LogSuccess},
                                                               {"Install driver", LogBusy},
                                                               {"# Failed", LogError}}));
}

// Another program holding the bridge: this one finds no bridge, sends it nothing and its run
// fails rather than reading the other's answers.
TEST_F(UpgradeRun, ABridgeHeldElsewhereIsAbsentAndTheRunTouchesNothing) {
    folder_.Write("G911.bin", Image(0x1060));
    const platform::HidHandle holder = bus_.Open(bus_.Enumerate().at(0).path);
    ASSERT_NE(holder, platform::kNoHandle);
    CQuillonDlg& dialog = Dialog();
    EXPECT_FALSE(dialog.Device()->IsOpen());
    const uint64_t before = bridge_->ReportsReceived();
    Run(dialog);
    EXPECT_EQ(bridge_->ReportsReceived(), before);
    EXPECT_EQ(chip_->Burns(), 0);
    // The version report after the run finds no device either.
    EXPECT_EQ(stdout_, "Upgrading...\nUpgrade failed\nError: Connot find device!>>");
    bus_.Close(holder);
}

// A pipe named like an image is listed like a file, then refused by the load at once: the run
// ends there instead of waiting for a writer that never comes.
TEST_F(UpgradeRun, APipeNamedLikeAnImageEndsTheRunWithTheLoadError) {
    const std::string pipe = (folder_.Path() / "G911.bin").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    CQuillonDlg& dialog = Dialog();
    Run(dialog);
    EXPECT_EQ(Lines().back(), pipe + "打开失败/3");
    EXPECT_EQ(RunOut(), "Upgrading...\n");
    EXPECT_EQ(chip_->Burns(), 0);
}

// The configuration step within the run: what it ends with on standard output.
TEST_F(UpgradeRun, TheConfigurationStepDecidesTheResultLine) {
    struct Case {
        const char* what;
        bool uiItemFile;
        std::string cfg;
        std::string out;
        const char* lastLine;
    } cases[] = {
        {"written and verified", true, sim::Gt9xxxCfgText(0x42, 186, false),
         "Upgrading...\nUpgrade success\n", "# Success/4"},
        {"no UI item file: nothing written", false, sim::Gt9xxxCfgText(0x42, 186, false),
         "Upgrading...\nUpgrade failed\n", "[Config]UI item file could not be loaded: GTxxx_.sc/3"},
        {"checksum error: the run ends", true,
         "0x43" + sim::Gt9xxxCfgText(0x42, 186, false).substr(4), "Upgrading...\n",
         "Config checksum error!/3"},
        {"fewer values than the block: the run ends", true, "0x42,0x01", "Upgrading...\n",
         "Config file holds 2 values, fewer than the 186 its configuration needs/3"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(folder_.Path() / "System" / "CfgItem");
        if (c.uiItemFile) {
            folder_.Write("System/CfgItem/GT911_A.sc",
                          sim::StoredUiItemFile(sim::Gt911UiItemText()));
        }
        folder_.Write("GT911_A.cfg", c.cfg);
        CQuillonDlg& dialog = Dialog();
        Run(dialog);
        EXPECT_EQ(RunOut(), c.out) << c.what;
        EXPECT_EQ(Lines().back(), c.lastLine) << c.what;
        dialog_.reset();
    }
}
