#include <gtest/gtest.h>

#include <thread>

#include "app/BasicUiLoop.h"
#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "sim/SimBus.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "support/RecordingLog.h"
#include "support/TempFolder.h"
#include "support/TestDialog.h"

namespace {

using Lines = std::vector<std::string>;

// A silent dialog over a simulated bridge (model code `model`) with a chip behind it or none.
class VersionReport : public ::testing::Test {
  protected:
    void TearDown() override { dialog_.reset(); }

    // vids: the vendor list; a bridge of vendor 27C6 is found only when it lists that.
    CQuillonDlg& Dialog(std::shared_ptr<sim::SimChip> chip, uint16_t model = 0x0102,
                        const std::string& vids = "27C6", CQuillonDlg::VersionSources sources = {},
                        app::UiLoop* loop = nullptr) {
        folder_.Write("System/AppConfigInit.ini",
                      "[VID_LIST]\nVid List=" + vids + "\n[CHIP LIST]\nchip list=GT911\n");
        folder_.Write("System/ChipIni/GT911_test.ini", "[Cfg]\nCFGAddr=0x8047\n");
        bridge_ = std::make_shared<sim::SimBridge>(0x27C6, model, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}});
        if (chip) chip->Attach(*bridge_);
        bus_.Plug(bridge_);
        CQuillonDlg::Options options;
        options.commandLine = "/s";
        options.log = &log_;
        options.clearLog = [this] { ++clears_; };
        options.loop = loop;
        dialog_ = std::make_unique<testsupport::TestDialog>(
            bus_, app::Services{clock_, settings_, messages_, out_, folder_.Files()}, options);
        dialog_->SetVersionSources(std::move(sources));
        dialog_->OnInitDialog();
        return *dialog_;
    }
    static std::shared_ptr<sim::SimGt9xxxFlash> Gt911() {
        auto chip = std::make_shared<sim::SimGt9xxxFlash>();
        chip->SetIdentity("911", 0x1050);
        return chip;
    }
    Lines LogLines() const {
        Lines out;
        for (const auto& e : log_.entries()) out.push_back(e.text + "/" + std::to_string(e.kind));
        return out;
    }
    std::string Out() {
        std::lock_guard<std::mutex> guard(outMutex_);
        return stdout_;
    }
    static std::string Block(const std::string& bridge, const std::string& touch,
                             const std::string& config) {
        const std::string stars(65, '*');
        return "***********************Current Verison***************************\n"
               " Usb Version:\t\t" +
               bridge + "\n Touch Version: \t" + touch + "\n Config Version:\t" + config + "\n" +
               stars + "\n>>";
    }

    platform::VirtualClock clock_;
    testsupport::TempFolder folder_;
    sim::SimBus bus_{clock_};
    std::shared_ptr<sim::SimBridge> bridge_;
    platform::MemorySettingsStore settings_;
    testsupport::RecordingLog log_;
    std::mutex outMutex_;
    std::string stdout_;
    StdOut out_{platform::CodePage(), [this](const std::string& bytes) {
                    std::lock_guard<std::mutex> guard(outMutex_);
                    stdout_ += bytes;
                }};
    platform::StderrMessageService messages_;
    int clears_ = 0;
    std::unique_ptr<testsupport::TestDialog> dialog_;
};

// The simulated bridge names its firmware S102_v1.00.
const Lines kGt911Lines = {"Current Version/9", " Usb FW/0",    "#\tS102_v1.00/4", " Touch FW/0",
                           "#\tGT911_1050/4",   " Touch CFG/0", "#\tUnknow/4"};

}  // namespace

TEST_F(VersionReport, DetectedChipWithoutConfigurationReader) {
    Dialog(Gt911());
    EXPECT_EQ(LogLines(), kGt911Lines);
    EXPECT_EQ(clears_, 1);
    EXPECT_EQ(Out(), Block("S102_v1.00", "GT911_1050", "Unknow"));
    EXPECT_EQ(Out().find('\n'), 65u);  // the rules are 66 bytes with their line feed
}

TEST_F(VersionReport, BridgeNameAndConfigurationVersionComeThroughTheirSources) {
    std::vector<ChipFamily> asked;
    CQuillonDlg::VersionSources sources;
    sources.bridgeFirmwareName = [] { return std::string("S102_v2.10"); };
    sources.configVersion = [&asked](ChipFamily family) -> std::optional<int> {
        asked.push_back(family);
        return 66;
    };
    Dialog(Gt911(), 0x0102, "27C6", sources);
    EXPECT_EQ(LogLines(), (Lines{"Current Version/9", " Usb FW/0", "#\tS102_v2.10/4", " Touch FW/0",
                                 "#\tGT911_1050/4", " Touch CFG/0", "#\t66/4"}));
    EXPECT_EQ(asked, std::vector<ChipFamily>{kFamilyGT9xxx});
    EXPECT_EQ(Out(), Block("S102_v2.10", "GT911_1050", "66"));
}

TEST_F(VersionReport, NoDeviceWritesOnlyTheErrorAndThePrompt) {
    Dialog(Gt911(), 0x0102, "ABCD");
    EXPECT_EQ(LogLines(), Lines{"Error: Connot find device!/3"});
    EXPECT_EQ(Out(), "Error: Connot find device!>>");
    EXPECT_EQ(clears_, 0);
}

TEST_F(VersionReport, BridgeWaitingInBootModeCountsAsADevice) {
    CQuillonDlg::VersionSources sources;
    sources.findBootModeDevice = [] { return true; };
    Dialog(nullptr, 0x0102, "ABCD", sources);
    EXPECT_EQ(LogLines(), (Lines{"Current Version/9", " Usb FW/0", "#\tUnknow/1",
                                 " Touch FW:\tUnknow/1", " Touch CFG:\tUnknow/1"}));
    EXPECT_EQ(Out(), Block("Unknow", "Unknow", "Unknow"));
}

TEST_F(VersionReport, ChipThatNoFamilyIdentifiesIsUnknown) {
    Dialog(nullptr);
    EXPECT_EQ(LogLines(), (Lines{"Current Version/9", " Usb FW/0", "#\tS102_v1.00/4",
                                 " Touch FW:\tUnknow/1", " Touch CFG:\tUnknow/1"}));
    EXPECT_EQ(Out(), Block("S102_v1.00", "Unknow", "Unknow"));
}

TEST_F(VersionReport, Gt79xxShowsTheVersionWordOfItsInformationBlock) {
    struct Case {
        bool checksumHolds;
        const char* text;
    };
    for (const Case& c : {Case{true, "0x51234"}, Case{false, "0xFFFF"}}) {
        SCOPED_TRACE(c.text);
        auto chip = std::make_shared<sim::SimGt79xx>();
        chip->SetInfo({28, 16, 0x10174, 0x00051234, c.checksumHolds});
        bool asked = false;
        CQuillonDlg::VersionSources sources;
        sources.configVersion = [&asked](ChipFamily) -> std::optional<int> {
            asked = true;
            return 1;
        };
        stdout_.clear();
        Dialog(chip, 0x0401, "27C6", sources);
        EXPECT_FALSE(asked);
        EXPECT_NE(Out().find(std::string("\n Config Version:\t") + c.text + "\n"),
                  std::string::npos);
        dialog_.reset();
        bus_.Unplug(bridge_);
    }
}

TEST_F(VersionReport, ReportsOnTwoThreadsFollowEachOther) {
    CQuillonDlg& dialog = Dialog(Gt911());
    std::thread other([&dialog] { dialog.ReportCurrentVersion(); });
    dialog.ReportCurrentVersion();
    other.join();
    // Start-up's report and the two others, each whole.
    Lines expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), kGt911Lines.begin(), kGt911Lines.end());
    EXPECT_EQ(LogLines(), expected);
    const std::string block = Block("S102_v1.00", "GT911_1050", "Unknow");
    EXPECT_EQ(Out(), block + block + block);
}

TEST_F(VersionReport, RunsOnTheUiLoopWhileItRuns) {
    app::BasicUiLoop loop(clock_);
    std::vector<bool> onLoop;
    CQuillonDlg::VersionSources sources;
    sources.bridgeFirmwareName = [&] {
        onLoop.push_back(loop.IsLoopThread());
        return std::string();
    };
    CQuillonDlg& dialog = Dialog(Gt911(), 0x0102, "27C6", sources, &loop);
    std::thread ui([&loop] { loop.Run(); });
    while (!loop.IsRunning()) std::this_thread::yield();
    dialog.ReportCurrentVersion();
    loop.Quit();
    ui.join();
    // At start-up no loop runs yet: the report runs on the caller's thread.
    EXPECT_EQ(onLoop, (std::vector<bool>{false, true}));
}
