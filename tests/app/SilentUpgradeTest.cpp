// The executable run the way a controlling program runs it: "quillon /s /u" in a folder of
// its own, against the simulated bridge, its standard output read back.
#include "QuillonExe.h"
#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/UiItemText.h"

namespace fs = std::filesystem;

namespace {

class SilentUpgrade : public QuillonExe {
  protected:
    size_t WritesTo(const std::string& registerHex) const {
        size_t count = 0;
        for (const auto& line : Trace()) {
            if (line.rfind("> 03 01 0f " + registerHex, 0) == 0) ++count;
        }
        return count;
    }
    // A run's lines between the start-up report and the report that follows the run.
    std::string RunLines(const std::string& out, const std::string& after = "GT911_1050",
                         const std::string& bridgeBefore = "S102_v1.00",
                         const std::string& bridgeAfter = "S102_v1.00") {
        const std::string before = VersionBlock("GT911_1050", "Unknow", bridgeBefore);
        const std::string closing = VersionBlock(after, "Unknow", bridgeAfter);
        if (out.rfind(before, 0) != 0 || out.size() < before.size() + closing.size() ||
            out.compare(out.size() - closing.size(), closing.size(), closing) != 0) {
            return "unexpected output: " + out;
        }
        return out.substr(before.size(), out.size() - before.size() - closing.size());
    }
};

}  // namespace

TEST_F(SilentUpgrade, NoFilesSucceedsAfterTheFixedPauses) {
    EXPECT_EQ(RunLines(Run()), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(exitCode_, 0);
    const auto trace = Trace();
    ASSERT_FALSE(trace.empty());
    // 50 ms after the bridge step, 800 ms without a touch image, 500 ms after the result.
    // Each of the two version reports, before and after the run, adds 2 ms of read waits
    // before the bridge identity read and 2 ms before the chip's.
    EXPECT_EQ(trace.back(), "# virtual time: slept 1358 ms");
}

TEST_F(SilentUpgrade, SilentStartNeedsNoDisplay) {
    // A platform that needs a display, and none: only a start that never brings up Qt runs.
    WriteImage("GT911_1060.bin", 0x1060);
    environment_ = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
    EXPECT_EQ(RunLines(Run("/s /u"), "GT911_1060"), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(exitCode_, 0);
}

TEST_F(SilentUpgrade, OneImageBringsTheChipToItsVersion) {
    WriteImage("GT911_1060.bin", 0x1060);
    EXPECT_EQ(RunLines(Run("/S /U"), "GT911_1060"), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(LastIdentityAnswer(), "03 39 31 31 00 60 10");
}

TEST_F(SilentUpgrade, TwoTouchImagesSkipTheTouchStepAndFailTheRun) {
    WriteImage("G1.bin", 0x1060);
    WriteImage("g2.BIN", 0x1060);
    EXPECT_EQ(RunLines(Run()), "Upgrading...\nUpgrade failed\n");
    EXPECT_EQ(WritesTo("50 94"), 0u);
}

TEST_F(SilentUpgrade, ImageThatCannotBeLoadedWritesNoResultLine) {
    WriteImage("G911.bin", 0x1060, 0xA80E);
    EXPECT_EQ(RunLines(Run()), "Upgrading...\n");
    EXPECT_EQ(WritesTo("50 94"), 0u);
}

TEST_F(SilentUpgrade, FailedDownloadIsAFailedUpgrade) {
    simulation_ += "[Faults]\nBurnNeverCompletes=1\n";
    WriteImage("G911.bin", 0x1060);
    EXPECT_EQ(RunLines(Run()), "Upgrading...\nUpgrade failed\n");
}

TEST_F(SilentUpgrade, ChipThatDoesNotComeBackIsAFailedUpgrade) {
    simulation_ += "[Faults]\nGoneAfterReset=1\n";
    WriteImage("G911.bin", 0x1060);
    // The report after the run finds no chip.
    EXPECT_EQ(RunLines(Run(), "Unknow"), "Upgrading...\nUpgrade failed\n");
}

TEST_F(SilentUpgrade, MissingSimulationDescriptionIsAClearError) {
    const std::string command =
        "QUILLON_SIM=/nonexistent/sim.ini '" + (folder_ / "quillon").string() + "' /s /u 2>&1";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
        EXPECT_NE(pclose(pipe), 0);
    }
    EXPECT_NE(out.find("/nonexistent/sim.ini"), std::string::npos);
}

TEST_F(SilentUpgrade, BridgeThenTouchImageAreAppliedInOrder) {
    WriteBridgeImage(false);
    WriteImage("GT911_1060.bin", 0x1060);
    EXPECT_EQ(RunLines(Run(), "GT911_1060", "S102_v1.00", "S102_v2.10"),
              "Upgrading...\nUpgrade success\n");
    const size_t programmed = FirstLine("# ISP program 2112 bytes: written");
    const size_t back = FirstLine("# plug 27C6:0102", programmed);
    const size_t burn = FirstLine("> 03 01 0f 50 94", programmed);
    EXPECT_LT(programmed, back);
    EXPECT_LT(back, burn);
    EXPECT_LT(burn, Trace().size());
    EXPECT_EQ(LastIdentityAnswer(), "03 39 31 31 00 60 10");
}

TEST_F(SilentUpgrade, BridgeThatIsNotReprogrammedIsNoSuccess) {
    const char* faults[] = {"NeverEntersBootMode=1", "ProgramFailures=4", "NeverComesBack=1",
                            "ComesBackInBootMode=1"};
    for (const char* fault : faults) {
        simulation_ += std::string("[Faults]\n") + fault + "\n";
        WriteBridgeImage(true);
        WriteImage("G911.bin", 0x1060);
        // The start-up report, the start line, and no result line whatever follows.
        const std::string out = Run();
        const std::string start =
            VersionBlock("GT911_1050", "Unknow", "S102_v1.00") + "Upgrading...\n";
        EXPECT_EQ(out.substr(0, start.size()), start) << fault;
        EXPECT_EQ(out.find("Upgrade "), std::string::npos) << fault;
        EXPECT_EQ(WritesTo("50 94"), 0u) << fault;
        simulation_ = simulation_.substr(0, simulation_.find("[Faults]"));
    }
}

TEST_F(SilentUpgrade, GoodImagesBringTheOtherFamiliesUpAndFaultsFailTheRun) {
    const std::string gt73xx = Gt73xxSimulation();
    const std::string gt9pxx = Gt9pxxSimulation();
    const std::string ft5xxx =
        "[Bridge]\nVendorId=27C6\nProductId=0999\nVersion=0100\nInterface=1\n"
        "[Chip]\nFamily=FT5xxx\nProductId=FT5682_V1.0\n[Time]\nVirtual=1\n";
    struct Case {
        std::string simulation, faults, imageName;
        std::vector<uint8_t> image;
        std::string out, identityAddress, identity;
    };
    const auto gt73xxImage = sim::MakeGt73xxImage("7387", {1, 2, 4});
    const auto gt9pxxImage = sim::MakeGt9pxxImage("9286", {1, 2, 4});
    const std::string success = "Upgrading...\nUpgrade success\n";
    const std::string failed = "Upgrading...\nUpgrade failed\n";
    const std::vector<Case> cases = {
        {gt73xx, "", "G7387.bin", gt73xxImage, success, "82 40", "03 37 33 38 37 00 01 02 04"},
        {gt73xx, "BlockNeverConfirmed=3", "G7387.bin", gt73xxImage, failed, "", ""},
        {gt73xx, "StubReadsBackWrong=1", "G7387.bin", gt73xxImage, failed, "", ""},
        {gt73xx, "GoneAfterReset=1", "G7387.bin", gt73xxImage, failed, "", ""},
        {gt9pxx, "", "GT9286_010204.bin", gt9pxxImage, success, "81 40", "03 39 32 38 36 01 02 04"},
        {gt9pxx, "StubNeverReady=1", "GT9286_010204.bin", gt9pxxImage, failed, "", ""},
        {gt9pxx, "BlockNeverConfirmed=2", "GT9286_010204.bin", gt9pxxImage, failed, "", ""},
        {ft5xxx, "", "G5682.bin", sim::MakeGt9xxxImage("5682", 0x0100), failed, "", ""},
    };
    for (const Case& c : cases) {
        simulation_ = c.simulation + "[Faults]\n" + c.faults + "\n";
        for (const auto& entry : fs::directory_iterator(folder_)) {
            if (entry.path().extension() == ".bin") fs::remove(entry.path());
        }
        WriteBytes(c.imageName, c.image);
        fs::remove(folder_ / "trace.txt");
        EXPECT_EQ(RunPart(Run()), c.out) << c.imageName << " " << c.faults;
        if (!c.identity.empty()) {
            EXPECT_EQ(LastIdentityAnswer(c.identityAddress, (c.identity.size() + 1) / 3),
                      c.identity)
                << c.imageName << " " << c.faults;
        }
    }
}

// A touch image and a configuration with the bridge's own block: the run writes both, the
// chip and the bridge hold the file's configuration, and the report shows its version.
TEST_F(SilentUpgrade, ImageAndConfigurationAreBothWritten) {
    simulation_.replace(simulation_.find("Version=1050\n"), 13, "Version=1050\nConfigVersion=41\n");
    fs::create_directories(folder_ / "System" / "CfgItem");
    Write("System/CfgItem/GT911_demo.sc", sim::StoredUiItemFile(sim::Gt911UiItemText()));
    Write("GT911_demo.cfg", sim::Gt9xxxCfgText(0x42, 186, true));
    WriteImage("GT911_1060.bin", 0x1060);
    EXPECT_EQ(Run("/s /u"), VersionBlock("GT911_1050", "65") + "Upgrading...\nUpgrade success\n" +
                                VersionBlock("GT911_1060", "66"));
    EXPECT_GT(WritesTo("50 94"), 0u);
    // The last reads of the chip's configuration and of the bridge's block.
    EXPECT_EQ(LastIdentityAnswer("80 47", 8), "03 42 00 04 58 02 05 0d");
    std::string bridgeBlock;
    const auto lines = Trace();
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind("> 03 00 30", 0) == 0) bridgeBlock = lines[i + 1].substr(2, 7 * 3 - 1);
    }
    EXPECT_EQ(bridgeBlock, "03 18 21 27 c6 01 02");
}

namespace {

// The same run against a GT79xx bridge and chip.
class SilentGt79xxUpgrade : public SilentUpgrade {
  protected:
    void SetUp() override {
        SilentUpgrade::SetUp();
        UseGt79xxChip();
    }
    void WriteGt79xxImage(const std::string& name, std::array<uint8_t, 4> version) {
        const auto image = sim::MakeGt79xxImage("7936", version);
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }
};

}  // namespace

TEST_F(SilentGt79xxUpgrade, ImageAndConfigurationBringTheChipToItsVersion) {
    WriteGt79xxImage("G7936.bin", {2, 0, 1, 0x1A});
    // The image's own configuration, the one the download writes last.
    Write("touch.cfg", CfgText(sim::MakeGt79xxConfig(444)));
    // Without its UI item file the chip's configuration cannot be read back for the
    // verification that follows the download: no success is claimed.
    EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade failed\n");
    // With it, the configuration is verified on the chip.
    fs::create_directories(folder_ / "System" / "CfgItem");
    Write("System/CfgItem/GT7936_test.sc", testsupport::StoredGt79xxVersionUiFile());
    EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade success\n");

    // Another configuration goes out first (type 2, 164 bytes sent as 256 + 4 for the sum, to
    // 0x40000); the image's own configuration follows it and stays, so the chip does not hold
    // the file's: the verification says so.
    Write("touch.cfg", CfgText(sim::MakeGt79xxConfig(100)));
    EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade failed\n");
    std::string first;
    for (const auto& line : Trace()) {
        if (line.rfind("> 03 8f 01 34 00 00 0d 00 00 0b bb", 0) == 0) {
            first = line.substr(35, 20);
            break;
        }
    }
    EXPECT_EQ(first, "02 04 01 00 00 04 00");
}

TEST_F(SilentGt79xxUpgrade, ChipFaultsAreFailedUpgrades) {
    for (const char* fault : {"NeverAcknowledge=1", "RejectSubImage=3", "GoneAfterReset=1"}) {
        SCOPED_TRACE(fault);
        TearDown();
        SetUp();
        simulation_ += std::string("[Faults]\n") + fault + "\n";
        WriteGt79xxImage("G7936.bin", {2, 0, 1, 0x1A});
        EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade failed\n");
    }
}

// After its download the chip itself is asked who it is: the summary compares what it
// answers and the closing report shows it. A chip that answers no identity is lost, whatever
// version the image carries; one whose firmware takes a while to start is waited for.
TEST_F(SilentGt79xxUpgrade, TheChipIsAskedWhoItIsAfterItsDownload) {
    const std::array<uint8_t, 4> same = {1, 0, 0, 1}, newer = {2, 0, 1, 0x1A};
    struct Case {
        std::array<uint8_t, 4> image;
        const char* fault;
        bool configuration;  // the image's own configuration file, verified after the download
        const char* result;
        const char* touch;  // the closing report's
        const char* config;
    } cases[] = {
        {same, "GoneAfterReset=1", false, "failed", "Unknow", "Unknow"},
        {newer, "GoneAfterReset=1", false, "failed", "Unknow", "Unknow"},
        {same, "SilentAfterReset=-1", true, "failed", "Unknow", "Unknow"},
        {newer, "SilentAfterReset=-1", false, "failed", "Unknow", "Unknow"},
        // A download that fails, after which the chip answers no identity: what it held
        // before the download is no longer known.
        {same, "RejectSubImage=3\nSilentAfterReset=-1", false, "failed", "Unknow", "Unknow"},
        {newer, "RejectSubImage=3\nSilentAfterReset=-1", true, "failed", "Unknow", "Unknow"},
        {same, "", true, "success", "GT7936_01.00.00.01", "0x1000001"},
        {newer, "", false, "success", "GT7936_02.00.01.1A", "0x1A010002"},
        {newer, "SilentAfterReset=49", true, "success", "GT7936_02.00.01.1A", "0x1A010002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + (c.image == same ? " same" : " newer"));
        TearDown();
        SetUp();
        simulation_ += std::string("[Faults]\n") + c.fault + "\n";
        WriteGt79xxImage("G7936.bin", c.image);
        if (c.configuration) {
            fs::create_directories(folder_ / "System" / "CfgItem");
            Write("System/CfgItem/GT7936_test.sc", testsupport::StoredGt79xxVersionUiFile());
            Write("touch.cfg", CfgText(sim::MakeGt79xxConfig(444)));
        }
        const std::string out = Run();
        EXPECT_EQ(RunPart(out), std::string("Upgrading...\nUpgrade ") + c.result + "\n");
        const size_t closing = out.rfind("***********************Current Verison");
        ASSERT_NE(closing, std::string::npos) << out;
        EXPECT_EQ(out.substr(closing), VersionBlock(c.touch, c.config, "S401_v1.00"));
    }
}

TEST_F(SilentGt79xxUpgrade, ConfigurationThatCannotBeOpenedEndsTheRunWithoutAResult) {
    WriteGt79xxImage("G7936.bin", {2, 0, 1, 0x1A});
    fs::create_symlink("/nonexistent/touch.cfg", folder_ / "touch.cfg");
    EXPECT_EQ(RunPart(Run()), "Upgrading...\n");
}
