#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "app/BasicUiLoop.h"
#include "app/BridgeFirmwareStep.h"
#include "app/DeviceNotifications.h"
#include "bridgefw/BridgeFirmwareName.h"
#include "bridgefw/BridgeIsp.h"
#include "platform/NoIspLibrary.h"
#include "resources/UiLanguage.h"
#include "sim/BridgeImage.h"
#include "sim/SimBootDevice.h"
#include "sim/SimHotPlugSource.h"
#include "support/BridgeFixture.h"
#include "support/RecordingLog.h"
#include "support/TempFolder.h"

namespace {

// The step against the simulated bridge and its boot mode (chip type 0x52), with device
// notifications handled on a UI loop of their own, on virtual time.
class BridgeStepRig {
  public:
    explicit BridgeStepRig(uint8_t chipType = 0x52)
        : bridge_(std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                                   std::vector<sim::SimBridge::Interface>{{1}})),
          scope_((bus_.Plug(bridge_), bus_), clock),
          boot(bus_, bridge_, chipType),
          hotPlug_(bus_),
          isp(std::make_unique<CBridgeIsp>(boot, folder.Files())) {
        resources::SetThreadUiLanguage(resources::kLangEnglish);
        folder.Write("System/AppConfigInit.ini", "[MCU_TYPE]\nTYPE1=S102\n");
        scope_.device().Open();
        CDeviceNotifications::Actions actions;
        CDeviceNotifications::SetBridgeActions(actions, scope_.device());
        notifications_ = std::make_unique<CDeviceNotifications>(actions, scope_.device().VidTable(),
                                                                hidArrived, ispArrived);
        notifications_->Register(hotPlug_, loop_);
        loopThread_ = std::thread([this] { loop_.Run(); });
        context.bridge = &scope_.device();
        context.isp = isp.get();
        context.hidArrived = &hidArrived;
        context.ispArrived = &ispArrived;
        context.log = &log;
        // The boot-mode driver is there, unless a test takes it away; its installation then
        // logs as the dialog's does.
        context.installDriver = [this] {
            if (!driverMissing) return true;
            ++driverInstalls;
            log.AppendLog("Install driver", LogBusy);
            log.AppendLog("# Failed", LogError);
            return false;
        };
        context.firmwareName = [this] {
            return GetBridgeFirmwareName(&scope_.device(), scope_.device().Attributes().productId,
                                         platform::CodePage());
        };
    }
    ~BridgeStepRig() {
        notifications_->Unregister();
        loop_.Quit();
        loopThread_.join();
    }

    // A HEX image in the program folder that names its identity.
    std::string Image(const std::string& name = "S102_v2.10.hex",
                      const std::string& identity = "Halden_V2.10") {
        image = sim::MakeBridgeImage(identity, 1000);
        folder.Write(name, sim::ToIntelHex(image));
        return (folder.Path() / name).string();
    }
    bool Run(const std::string& path) { return CBridgeFirmwareStep(context, clock).Run(path); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const auto& e : log.entries()) out.push_back(e.text + "/" + std::to_string(e.kind));
        return out;
    }
    size_t CommandsSent(int command) const {
        size_t n = 0;
        for (const auto& request : bridge_->Commands()) n += request.command == command;
        return n;
    }
    sim::SimBridge& bridge() { return *bridge_; }

    testsupport::TempFolder folder;

  public:
    // A long real grace: notifications cross two threads before the step sees them.
    platform::VirtualClock clock{500};

  private:
    sim::SimBus bus_{clock};
    std::shared_ptr<sim::SimBridge> bridge_;
    testsupport::DeviceScope scope_;

  public:
    sim::SimBootDevice boot;
    platform::ManualResetEvent hidArrived, ispArrived;
    testsupport::RecordingLog log;

  private:
    sim::SimHotPlugSource hotPlug_;
    app::BasicUiLoop loop_{clock};
    std::thread loopThread_;
    std::unique_ptr<CDeviceNotifications> notifications_;

  public:
    std::unique_ptr<CBridgeIsp> isp;
    CBridgeFirmwareStep::Context context;
    std::vector<uint8_t> image;
    bool driverMissing = false;
    int driverInstalls = 0;
};

}  // namespace

TEST(BridgeFirmwareStep, SwitchesProgramsAndWaitsForTheBridgeToComeBack) {
    BridgeStepRig rig;
    ASSERT_TRUE(rig.Run(rig.Image()));
    EXPECT_EQ(rig.Lines(), (std::vector<std::string>{"#286/0", "[Halden]Detected device2/1",
                                                     "#292/0", "#294/1"}));
    // The bridge is named before the switch and once it is back.
    const auto commands = rig.bridge().Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].command, 3);
    EXPECT_EQ(commands[1].command, 14);
    EXPECT_EQ(commands[1].type, 1);
    EXPECT_EQ(commands[1].length, 0);
    EXPECT_EQ(commands[2].command, 3);
    EXPECT_EQ(rig.boot.Written(), rig.image);
    EXPECT_EQ(rig.bridge().Identity(), "Halden_V2.10");
    EXPECT_EQ(rig.isp->FirmwareName(), "S102_v1.00");
    // The pause before command 14, and 2 ms of waits for stale input before each identity read.
    EXPECT_EQ(rig.clock.SleptMs(), 54u);
}

TEST(BridgeFirmwareStep, BridgeAlreadyInBootModeIsNotSwitchedAgain) {
    BridgeStepRig rig(0x46);
    rig.boot.EnterBootMode();
    ASSERT_TRUE(rig.ispArrived.WaitFor(rig.clock, 1000));  // its arrival is handled before the run
    ASSERT_TRUE(rig.Run(rig.Image()));
    EXPECT_EQ(rig.CommandsSent(14), 0u);
    EXPECT_EQ(rig.Lines()[1], "#290/1");  // 0x46 shows no digit
    EXPECT_LT(rig.clock.NowMs(), 1000u);
}

TEST(BridgeFirmwareStep, EveryFailureIsLoggedAndEndsTheRun) {
    const std::string detected = "[Halden]Detected device2/1";
    const std::string detected71 = "[Halden]Detected device1/1";
    struct Case {
        const char* what;
        sim::SimBootDevice::Faults faults = {};
        std::function<void(BridgeStepRig&)> prepare = nullptr;
        const char* settings = nullptr;  // the settings file, when not the rig's
        const char* hex = nullptr;       // the image's text, when not the rig's
        // The driver is missing and its installation would fail: an image that fails its
        // checks is refused first, and the whole log is the refusal.
        bool driverMissing = false;
        std::vector<std::string> lines = {};  // "{image}" stands for the image's path
        uint64_t minMs = 0, maxMs = 1000;     // virtual time the step takes
        uint8_t chipType = 0x52;
        // Ends of in-system programming, and the firmware the bridge reports after the step
        // ("" when none answers).
        int ispEnds = 0;
        std::string nameAfter = "S102_v1.00";
    };
    const Case cases[] = {
        {.what = "bridge does not take command 14",
         .prepare =
             [](BridgeStepRig& rig) {
                 rig.bridge().StopAnsweringFrom(rig.bridge().ReportsReceived() + 1);
             },
         .lines = {"#286/0", "#287/3"},
         .maxMs = 8000,
         .nameAfter = ""},
        {.what = "never enters boot mode",
         .faults = {true, 0, false, false},
         .lines = {"#286/0", "#288/3"},
         .minMs = 10000,
         .maxMs = 11000},
        {.what = "boot-mode arrival before command 14 does not count",
         .faults = {true, 0, false, false},
         .prepare = [](BridgeStepRig& rig) { rig.ispArrived.Set(); },
         .lines = {"#286/0", "#288/3"},
         .minMs = 10000,
         .maxMs = 11000},
        // Refused by the chip type found: the bridge leaves its boot mode unprogrammed.
        {.what = "image for a chip type the settings do not name",
         .settings = "[MCU_TYPE]\nTYPE1=S105\n",
         .lines = {"#286/0", detected, "#291/3"},
         .ispEnds = 1},
        {.what = "settings without chip types",
         .settings = "[VID_LIST]\nVid List=27C6\n",
         .lines = {"#286/0", detected, "#291/3"},
         .ispEnds = 1},
        {.what = "image for another chip type than the one found",
         .settings = "[MCU_TYPE]\nTYPE2=S102\n",
         .lines = {"#286/0", detected, "#291/3"},
         .ispEnds = 1},
        {.what = "refused, and the bridge never comes back",
         .faults = {false, 0, true, false},
         .settings = "[MCU_TYPE]\nTYPE2=S102\n",
         .lines = {"#286/0", detected, "#291/3", "#293/3"},
         .minMs = 8000,
         .maxMs = 9000,
         .ispEnds = 1,
         .nameAfter = ""},
        {.what = "refused, and the bridge comes back in boot mode",
         .faults = {false, 0, false, true},
         .settings = "[MCU_TYPE]\nTYPE2=S102\n",
         .lines = {"#286/0", detected, "#291/3", "#293/3"},
         .ispEnds = 1,
         .nameAfter = ""},
        {.what = "0x71 refused",
         .lines = {"#286/0", detected71, "#291/3"},
         .chipType = 0x71,
         .ispEnds = 1},
        {.what = "image that does not decode",
         .hex = ":00000001FF",
         .driverMissing = true,
         .lines = {"hex 文件格式错误/3"}},
        {.what = "image without data",
         .hex = ":00000001FF\r\n",
         .driverMissing = true,
         .lines = {"{image}文件为空/3"}},
        {.what = "programming fails four times",
         .faults = {false, 4, false, false},
         .lines = {"#286/0", detected, "#292/0", "#293/3"},
         .ispEnds = 1},
        // Programming has ended with the one failed attempt: not ended a second time.
        {.what = "0x71 programming fails",
         .faults = {false, 1, false, false},
         .settings = "[MCU_TYPE]\nTYPE2=S102\n",
         .lines = {"#286/0", detected71, "#292/0", "#293/3"},
         .chipType = 0x71,
         .ispEnds = 1},
        {.what = "never comes back",
         .faults = {false, 0, true, false},
         .lines = {"#286/0", detected, "#292/0", "#293/3"},
         .minMs = 8000,
         .maxMs = 9000,
         .ispEnds = 1,
         .nameAfter = ""},
        // Fails at once, without waiting the 8 s.
        {.what = "comes back in boot mode",
         .faults = {false, 0, false, true},
         .lines = {"#286/0", detected, "#292/0", "#293/3"},
         .ispEnds = 1,
         .nameAfter = ""},
        {.what = "comes back with another firmware than the image's",
         .prepare = [](BridgeStepRig& rig) { rig.Image("S102_v2.10.hex", "Halden_V2.09"); },
         .lines = {"#286/0", detected, "#292/0",
                   "[Halden]The bridge reports firmware \"S102_v2.09\" (version \"2.09\") where "
                   "the image \"S102_v2.10.hex\" names another version/3"},
         .ispEnds = 1,
         .nameAfter = "S102_v2.09"},
        {.what = "no driver", .driverMissing = true, .lines = {"Install driver/0", "# Failed/3"}},
    };
    for (const Case& c : cases) {
        BridgeStepRig rig(c.chipType);
        rig.boot.SetFaults(c.faults);
        const std::string path = rig.Image();
        if (c.prepare) c.prepare(rig);
        if (c.settings) rig.folder.Write("System/AppConfigInit.ini", c.settings);
        if (c.hex) rig.folder.Write("S102_v2.10.hex", c.hex);
        rig.driverMissing = c.driverMissing;
        EXPECT_FALSE(rig.Run(path)) << c.what;
        std::vector<std::string> lines = c.lines;
        if (lines.front().rfind("{image}", 0) == 0) lines.front().replace(0, 7, path);
        EXPECT_EQ(rig.Lines(), lines) << c.what;
        EXPECT_EQ(rig.driverInstalls, c.lines.front() == "Install driver/0" ? 1 : 0) << c.what;
        EXPECT_GE(rig.clock.NowMs(), c.minMs) << c.what;
        EXPECT_LE(rig.clock.NowMs(), c.maxMs) << c.what;
        EXPECT_EQ(rig.boot.IspEnds(), c.ispEnds) << c.what;
        EXPECT_EQ(rig.context.firmwareName(), c.nameAfter) << c.what;
    }
}

TEST(BridgeFirmwareStep, ProgrammingThatSucceedsOnALaterAttemptCounts) {
    BridgeStepRig rig;
    rig.boot.SetFaults({false, 3, false, false});
    EXPECT_TRUE(rig.Run(rig.Image()));
    EXPECT_EQ(rig.boot.Flashes().size(), 4u);
}

TEST(BridgeFirmwareStep, WithoutAProgrammingLibraryTheBridgeStaysWhereItIs) {
    BridgeStepRig rig;
    platform::NoIspLibrary none;
    CBridgeIsp isp(none, rig.folder.Files());
    rig.context.isp = &isp;
    rig.context.programmingAvailable = false;
    EXPECT_FALSE(rig.Run(rig.Image()));
    EXPECT_EQ(rig.CommandsSent(14), 0u);
    EXPECT_EQ(rig.Lines().back(),
              "[Halden]Programming the bridge in its boot mode is not available on this "
              "platform/3");
}

TEST(BridgeFirmwareStep, DigitAfterTheDetectedMessage) {
    const std::pair<uint8_t, const char*> cases[] = {
        {0x51, "1"}, {0x52, "2"}, {0x54, "4"}, {0x71, "1"}, {0x73, "3"}, {0x78, "8"},
        {0x79, "9"}, {0x46, ""},  {0x49, ""},  {0x82, ""},  {0x83, ""},
    };
    for (const auto& [code, digit] : cases) EXPECT_EQ(ChipTypeDigit(code), digit) << int(code);
}
