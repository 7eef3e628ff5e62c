// A bridge image is checked before the bridge is switched into its boot mode, against the chip
// type found there, and by its version once the bridge is back; a bridge that nothing can
// program is left as it is.
#include <algorithm>
#include <cstdio>
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
    struct Case {
        const char* what;
        std::string name, contents;
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
    };
    const std::string version = VersionBlock("GT911_1050", "Unknow");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        WriteImage("G911.bin", 0x1060);
        Write(c.name, c.contents);
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

std::string McuTypes(const std::string& entries) {
    return "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n" +
           (entries.empty() ? "" : "[MCU_TYPE]\n" + entries);
}

}  // namespace

// The chip type found in boot mode decides whether the image's prefix suits it. One that does
// not is never programmed: the bridge leaves its boot mode on its old firmware and the run ends
// in the bridge step; chip types that take any image take it whatever the settings name.
TEST_F(BridgeImageCheck, ChipTypeFoundInBootModeDecidesWhetherTheImageIsProgrammed) {
    struct Case {
        int chipType;
        std::string settings;  // the "MCU_TYPE" entries
        bool programmed;
        const char* image = "S102_v2.10.hex";
        int programFailures = 0;
    };
    const Case cases[] = {
        {0x51, "TYPE2=S102\nTYPE3=S102\n", false},
        {0x51, "", false},
        {0x52, "TYPE2=S102\nTYPE3=S102\n", false},
        {0x52, "", false},
        {0x52, "TYPE1=S102\n", false, "S999_v2.10.hex"},  // a prefix no key names
        {0x54, "TYPE2=S102\nTYPE3=S102\n", false},
        {0x54, "", false},
        {0x71, "TYPE1=S102\nTYPE3=S102\n", false},
        {0x71, "", false},
        {0x73, "TYPE1=S102\nTYPE3=S102\n", false},
        {0x73, "", false},
        {0x78, "TYPE1=S102\nTYPE2=S102\n", false},
        {0x78, "", false},
        {0x79, "TYPE1=S102\nTYPE2=S102\n", false},
        {0x79, "", false},
        {0x46, "", true},
        {0x46, "TYPE1=S999\nTYPE2=S999\nTYPE3=S999\n", true},
        {0x49, "", true},
        {0x49, "TYPE1=S999\n", true},
        {0x82, "", true},
        {0x82, "TYPE2=S999\n", true},
        {0x83, "", true},
        {0x83, "TYPE3=S999\n", true},
        // Every write fails: nothing written, the bridge back on its old firmware.
        {0x52, "TYPE1=S102\n", false, "S102_v2.10.hex", 4},
    };
    const std::string plain = simulation_;
    const std::string before = VersionBlock("GT911_1050", "Unknow");
    for (const Case& c : cases) {
        char what[32];
        std::snprintf(what, sizeof(what), "chip type %02X, image ", c.chipType);
        SCOPED_TRACE(what + std::string(c.image) + ", settings " + c.settings);
        Write("System/AppConfigInit.ini", McuTypes(c.settings));
        std::filesystem::remove_all(folder_ / "S102_v2.10.hex");
        std::filesystem::remove_all(folder_ / "S999_v2.10.hex");
        Write(c.image, sim::ToIntelHex(sim::MakeBridgeImage("Halden_V2.10", 2000)));
        char boot[64];
        std::snprintf(boot, sizeof(boot), "[Boot]\nChipType=%02X\n[Faults]\nProgramFailures=%d\n",
                      c.chipType, c.programFailures);
        simulation_ = plain + boot;
        const std::string out = Run();
        const auto trace = Trace();
        const auto count = [&trace](const std::string& line) {
            return std::count(trace.begin(), trace.end(), line);
        };
        EXPECT_EQ(count("# bridge enters boot mode"), 1);
        EXPECT_EQ(count("# ISP end"), 1);
        EXPECT_EQ(count("# ISP program 2000 bytes: written"), c.programmed ? 1 : 0);
        if (c.programmed) {
            EXPECT_EQ(out, before + "Upgrading...\nUpgrade success\n" +
                               VersionBlock("GT911_1050", "Unknow", "S102_v2.10"));
        } else {
            EXPECT_EQ(out, before + "Upgrading...\n" + before);
        }
    }
}

// Back from its boot mode, the bridge must report the version its image's name carries; what
// else the name holds does not count.
TEST_F(BridgeImageCheck, BridgeBackOnTheVersionItsImageNameCarriesGoesOn) {
    const auto image = sim::MakeBridgeImage("Halden_V2.10", 2000);
    struct Case {
        std::string name;
        std::string identity = "Halden_V2.10";  // what the image makes the bridge report
        bool goesOn = true;
        std::string productId = "0102";
    };
    const Case cases[] = {
        {"S102_v2.10.hex"},
        {"S102_v2.10 (1).hex"},
        {"S102_v2.10_5A3C.hex"},
        {"S102_v2.10_release.hex"},
        {"S105_v2.10.hex", "Halden_V2.10", true, "0105"},  // the bridge names itself S105L_v2.10
        {sim::RawImageName("S102_v2.10", image)},
        {"S102_v2.10.hex", "Halden_V1.00", false},
        {"S102_v2.1.hex", "Halden_V2.10", false},
        {"S102_v2.10.1.hex", "Halden_V2.10", false},
        {"S102_v2.10B.hex", "Halden_V2.10", false},
    };
    const std::string plain = simulation_;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " " + c.identity);
        TearDown();
        SetUp();
        Write("System/AppConfigInit.ini", McuTypes("TYPE1=S102,S105\n"));
        WriteImage("G911.bin", 0x1060);
        const auto bytes = sim::MakeBridgeImage(c.identity, 2000);
        if (c.name.ends_with(".bin")) {
            WriteBytes(c.name, bytes);
        } else {
            Write(c.name, sim::ToIntelHex(bytes));
        }
        simulation_ = plain;
        simulation_.replace(simulation_.find("ProductId=0102"), 14, "ProductId=" + c.productId);
        const std::string bridge = (c.productId == "0105" ? "S105L_v" : "S102_v") +
                                   c.identity.substr(c.identity.rfind('V') + 1);
        const std::string before = VersionBlock(
            "GT911_1050", "Unknow", c.productId == "0105" ? "S105L_v1.00" : "S102_v1.00");
        // Going on, the run applies the touch image too; otherwise it ends in the bridge step.
        EXPECT_EQ(Run(),
                  before + "Upgrading...\n" + (c.goesOn ? "Upgrade success\n" : "") +
                      VersionBlock(c.goesOn ? "GT911_1060" : "GT911_1050", "Unknow", bridge));
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
