// The executable run the way a controlling program runs it: "quillon /s /u" in a folder of
// its own, against the simulated bridge, its standard output read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxImage.h"

namespace fs = std::filesystem;

namespace {

class SilentUpgrade : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() / ("quillon-e2e-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_ / "System" / "ChipIni");
        fs::copy_file(QUILLON_EXE, folder_ / "quillon");
        Write("System/AppConfigInit.ini",
              "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n");
        Write("System/ChipIni/GT911_test.ini", "[Cfg]\nCFGAddr=0x8047\n");
        simulation_ =
            "[Bridge]\nVendorId=27C6\nProductId=0102\nVersion=0100\nInterface=1\n"
            "[Chip]\nFamily=GT9xxx\nProductId=911\nVersion=1050\n[Time]\nVirtual=1\n";
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }
    void WriteImage(const std::string& name, uint16_t version, size_t length = 0) {
        auto image = sim::MakeGt9xxxImage("911", version);
        if (length) image.resize(length);
        std::ofstream(folder_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }

    // Runs the program from another working folder and returns its standard output.
    std::string Run(const std::string& switches = "/s /u") {
        Write("sim.ini", simulation_);
        const std::string command = "cd / && QUILLON_SIM='" + (folder_ / "sim.ini").string() +
                                    "' QUILLON_SIM_TRACE='" + (folder_ / "trace.txt").string() +
                                    "' '" + (folder_ / "quillon").string() + "' " + switches;
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[256];
            size_t n;
            while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
            exitCode_ = pclose(pipe);
        }
        return out;
    }
    std::vector<std::string> Trace() const {
        std::ifstream in(folder_ / "trace.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The identity bytes the chip last answered at 0x8140.
    std::string LastIdentityAnswer() const {
        const auto lines = Trace();
        std::string answer;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i].rfind("> 03 00 0f 81 40", 0) == 0) answer = lines[i + 1].substr(2, 20);
        }
        return answer;
    }
    size_t WritesTo(const std::string& registerHex) const {
        size_t count = 0;
        for (const auto& line : Trace()) {
            if (line.rfind("> 03 01 0f " + registerHex, 0) == 0) ++count;
        }
        return count;
    }

    fs::path folder_;
    std::string simulation_;
    int exitCode_ = -1;
};

}  // namespace

TEST_F(SilentUpgrade, NoFilesSucceedsAfterTheFixedPauses) {
    EXPECT_EQ(Run(), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(exitCode_, 0);
    const auto trace = Trace();
    ASSERT_FALSE(trace.empty());
    // 50 ms after the bridge step, 800 ms without a touch image, 500 ms after the result.
    EXPECT_EQ(trace.back(), "# virtual time: slept 1350 ms");
}

TEST_F(SilentUpgrade, OneImageBringsTheChipToItsVersion) {
    WriteImage("GT911_1060.bin", 0x1060);
    EXPECT_EQ(Run("/S /U"), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(LastIdentityAnswer(), "03 39 31 31 00 60 10");
}

TEST_F(SilentUpgrade, TwoTouchImagesSkipTheTouchStep) {
    WriteImage("G1.bin", 0x1060);
    WriteImage("g2.BIN", 0x1060);
    EXPECT_EQ(Run(), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(WritesTo("50 94"), 0u);
}

TEST_F(SilentUpgrade, ImageThatCannotBeLoadedWritesNoResultLine) {
    WriteImage("G911.bin", 0x1060, 0xA80E);
    EXPECT_EQ(Run(), "Upgrading...\n");
    EXPECT_EQ(WritesTo("50 94"), 0u);
}

TEST_F(SilentUpgrade, FailedDownloadIsAFailedUpgrade) {
    simulation_ += "[Faults]\nBurnNeverCompletes=1\n";
    WriteImage("G911.bin", 0x1060);
    EXPECT_EQ(Run(), "Upgrading...\nUpgrade failed\n");
}

TEST_F(SilentUpgrade, ChipThatDoesNotComeBackIsAFailedUpgrade) {
    simulation_ += "[Faults]\nGoneAfterReset=1\n";
    WriteImage("G911.bin", 0x1060);
    EXPECT_EQ(Run(), "Upgrading...\nUpgrade failed\n");
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

namespace {

// The same run against a GT79xx bridge and chip.
class SilentGt79xxUpgrade : public SilentUpgrade {
  protected:
    void SetUp() override {
        SilentUpgrade::SetUp();
        Write("System/AppConfigInit.ini",
              "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT7936\n");
        Write("System/ChipIni/GT7936_test.ini", "[Cfg]\nCFGAddr=0x13B74\n");
        simulation_ =
            "[Bridge]\nVendorId=27C6\nProductId=0401\nVersion=0100\nInterface=1\n"
            "[Chip]\nFamily=GT79xx\nProductId=7936\nVersion=01000001\n[Time]\nVirtual=1\n";
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
    std::string text;
    for (uint8_t value : sim::MakeGt79xxConfig(100)) {
        const char digits[] = "0123456789ABCDEF";
        text += std::string("0x") + digits[value >> 4] + digits[value & 15] + ",";
    }
    Write("touch.cfg", text);
    EXPECT_EQ(Run(), "Upgrading...\nUpgrade success\n");
    // The first mailbox chunk is the configuration: type 2, 164 bytes sent as 256 (+ 4 for
    // the sum), to 0x40000.
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
        EXPECT_EQ(Run(), "Upgrading...\nUpgrade failed\n");
    }
}

TEST_F(SilentGt79xxUpgrade, ConfigurationThatCannotBeOpenedEndsTheRunWithoutAResult) {
    WriteGt79xxImage("G7936.bin", {2, 0, 1, 0x1A});
    fs::create_symlink("/nonexistent/touch.cfg", folder_ / "touch.cfg");
    EXPECT_EQ(Run(), "Upgrading...\n");
}
