// The executable run the way a controlling program runs it: "quillon /s /u" in a folder of
// its own, against the simulated bridge, its standard output read back.
#include "QuillonExe.h"

namespace {

class SilentUpgrade : public QuillonExe {
  protected:
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
    // A run's lines between the start-up report and the report that follows the run.
    std::string RunLines(const std::string& out, const std::string& after = "GT911_1050") {
        const std::string before = VersionBlock("GT911_1050", "Unknow");
        const std::string closing = VersionBlock(after, "Unknow");
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
    // Each of the two version reports, before and after the run, adds 2 ms of read waits.
    EXPECT_EQ(trace.back(), "# virtual time: slept 1354 ms");
}

TEST_F(SilentUpgrade, OneImageBringsTheChipToItsVersion) {
    WriteImage("GT911_1060.bin", 0x1060);
    EXPECT_EQ(RunLines(Run("/S /U"), "GT911_1060"), "Upgrading...\nUpgrade success\n");
    EXPECT_EQ(LastIdentityAnswer(), "03 39 31 31 00 60 10");
}

TEST_F(SilentUpgrade, TwoTouchImagesSkipTheTouchStep) {
    WriteImage("G1.bin", 0x1060);
    WriteImage("g2.BIN", 0x1060);
    EXPECT_EQ(RunLines(Run()), "Upgrading...\nUpgrade success\n");
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
