// A bridge image is checked before the bridge is switched into its boot mode, and a bridge
// that nothing can program is left as it is.
#include <filesystem>

#include "QuillonExe.h"
#include "app/QuillonDlg.h"
#include "app/StdOut.h"
#include "bridgefw/BridgeIsp.h"
#include "platform/Clock.h"
#include "sim/BridgeImage.h"
#include "support/RecordingLog.h"
#include "support/SimGt911Program.h"
#include "support/TestDialog.h"

namespace {

class BridgeImageCheck : public QuillonExe {};

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

TEST_F(BridgeImageCheck, ImageThatFailsItsChecksLeavesTheBridgeRunning) {
    const auto image = sim::MakeBridgeImage("Halden_V2.10", 2000);
    auto altered = image;
    altered[500] ^= 1;
    const std::vector<uint8_t> rawTooLong(CBridgeIsp::kMaxRawFileSize + 1, 0x5A);
    const std::vector<uint8_t> hexTooLong(CBridgeIsp::kImageCapacity + 1, 0x5A);
    std::string lineFeedsOnly = sim::ToIntelHex(image);
    for (size_t at; (at = lineFeedsOnly.find("\r\n")) != std::string::npos;)
        lineFeedsOnly.erase(at, 1);
    const std::string hex = sim::ToIntelHex(image);
    const std::string noChipTypes = "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n";
    struct Case {
        const char* what;
        std::string name, contents;
        std::string settings = "";  // the program's settings file, when not the fixture's
    };
    const Case cases[] = {
        {"raw image whose name checksum fails", sim::RawImageName("S102_v2.10", image),
         Text(altered)},
        {"raw image larger than the bridge", sim::RawImageName("S102_v2.10", rawTooLong),
         Text(rawTooLong)},
        {"empty HEX file", "S102_v2.10.hex", ""},
        {"HEX image larger than the bridge", "S102_v2.10.hex", sim::ToIntelHex(hexTooLong)},
        {"HEX text with bare line feeds", "S102_v2.10.hex", lineFeedsOnly},
        {"HEX text without its end record", "S102_v2.10.hex", ":0100000000FF\r\n"},
        {"HEX text of its end record alone", "S102_v2.10.hex", ":00000001FF\r\n"},
        {"image whose prefix no chip type names", "S999_v2.10.hex", hex},
        {"settings that name no chip type", "S102_v2.10.hex", hex, noChipTypes},
    };
    const std::string version = VersionBlock("GT911_1050", "Unknow");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        WriteImage("G911.bin", 0x1060);
        Write(c.name, c.contents);
        if (!c.settings.empty()) Write("System/AppConfigInit.ini", c.settings);
        // The run ends in the bridge step without a result line; the report that follows it
        // still finds the bridge on its old firmware.
        EXPECT_EQ(Run(), version + "Upgrading...\n" + version);
        for (const auto& line : Trace()) {
            EXPECT_NE(line.rfind("> 03 01 0e", 0), 0u) << "command 14 sent: " << line;
            EXPECT_NE(line, "# bridge enters boot mode");
        }
    }
}

namespace {

// The dialog without a library that programs the bridge in its boot mode, as on Linux, over
// the simulated bridge and a GT911, with the boot-mode driver missing.
class WithoutBridgeProgramming : public ::testing::Test {
  protected:
    void SetUp() override { program_.settings.SetDriverPresent(false); }

    platform::VirtualClock clock_;
    testsupport::SimGt911Program program_{clock_};
    testsupport::RecordingLog log_;
    std::string stdout_;
    StdOut out_{platform::CodePage(), [this](const std::string& bytes) { stdout_ += bytes; }};
    platform::StderrMessageService messages_;
};

}  // namespace

TEST_F(WithoutBridgeProgramming, RunWithABridgeImageEndsFailedAndRunsNoScript) {
    testsupport::TempFolder& folder = program_.folder;
    folder.Write("S102_v2.10.hex", sim::ToIntelHex(sim::MakeBridgeImage("Halden_V2.10", 500)));
    folder.Write("GT911_1060.bin", testsupport::Gt911Image(0x1060));
    folder.Write("setup.bat", "touch script-ran\n");
    {
        CQuillonDlg::Options options;
        options.commandLine = "/s";
        options.log = &log_;
        testsupport::TestDialog dialog(
            program_.bus,
            app::Services{clock_, program_.settings, messages_, out_, program_.folder.Files()},
            options);
        dialog.OnInitDialog();
        stdout_.clear();
        ASSERT_TRUE(dialog.StartUpgrade());
        dialog.WaitForUpgrade();
    }
    EXPECT_EQ(stdout_.substr(0, stdout_.find("*****")), "Upgrading...\nUpgrade failed\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "script-ran"));
    for (const auto& entry : log_.entries()) EXPECT_NE(entry.text, "Install driver");
    for (const auto& request : program_.bridge->Commands()) EXPECT_NE(request.command, 14);
    // The run ended there: the touch image was not applied either.
    EXPECT_EQ(program_.chip->Burns(), 0);
    EXPECT_EQ(program_.bridge->Identity(), "Halden_V1.00");
}
