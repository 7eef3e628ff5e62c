// The configuration step run the way a controlling program runs it ("quillon /s /u" against
// the simulated bridge): what the chip and the bridge hold when the run says "Upgrade
// success", and that a block the bridge never took is no success.
#include "QuillonExe.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/UiItemText.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> CfgValues(const std::string& text) {
    std::vector<uint8_t> values;
    for (size_t at = 0; (at = text.find("0x", at)) != std::string::npos; at += 2) {
        values.push_back(static_cast<uint8_t>(std::stoul(text.substr(at + 2, 2), nullptr, 16)));
    }
    return values;
}

class SilentConfigStep : public QuillonExe {
  protected:
    // The bytes the bridge answered to the last request whose report starts with `request`
    // (the report id and the header bytes as the trace shows them), `length` bytes of data.
    std::vector<uint8_t> LastAnswerBytes(const std::string& request, size_t length) const {
        const auto lines = Trace();
        std::vector<uint8_t> answer;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("> " + request, 0) != 0) continue;
            answer.clear();
            for (size_t j = i + 1; j < lines.size() && lines[j].rfind("< ", 0) == 0; ++j) {
                // "< 03 xx xx ...": the report id, then 63 data bytes.
                for (size_t at = 5; at + 2 <= lines[j].size(); at += 3) {
                    answer.push_back(
                        static_cast<uint8_t>(std::stoul(lines[j].substr(at, 2), nullptr, 16)));
                }
            }
        }
        if (answer.size() > length) answer.resize(length);
        return answer;
    }
    void UseGt79xx() {
        UseGt79xxChip();
        fs::create_directories(folder_ / "System" / "CfgItem");
        Write("System/CfgItem/GT7936_test.sc", testsupport::StoredGt79xxVersionUiFile());
    }
    void UseGt911UiItems() {
        fs::create_directories(folder_ / "System" / "CfgItem");
        Write("System/CfgItem/GT911_demo.sc", sim::StoredUiItemFile(sim::Gt911UiItemText()));
    }
};

std::vector<uint8_t> DemoBlock() {
    const auto block = sim::DemoBridgeBlock();
    return {block.begin(), block.end()};
}

}  // namespace

// A ".cfg" carrying a bridge block, with a bridge that acknowledges the block and keeps the
// one it had (none, or another one): never "Upgrade success".
TEST_F(SilentConfigStep, ABridgeThatDropsTheBlockIsNoSuccess) {
    struct Case {
        const char* what;
        std::string faults;
        std::string held;  // the bridge's block at the start
        std::string result;
    } cases[] = {
        {"the bridge takes the block", "", "", "Upgrade success"},
        {"the bridge keeps holding none", "BridgeDropsConfigBlock=1", "", "Upgrade failed"},
        {"the bridge keeps another", "BridgeDropsConfigBlock=1",
         "18 03 27 C6 01 02 02 00 0F A0 09 60 00 00 00 00 00 00 00 00 00 00 02 0A",
         "Upgrade failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        UseGt911UiItems();
        Write("GT911_demo.cfg", sim::Gt9xxxCfgText(0x42, 186, true));
        if (!c.held.empty()) {
            simulation_.replace(simulation_.find("Interface=1\n"), 12,
                                "Interface=1\nConfigBlock=" + c.held + "\n");
        }
        if (!c.faults.empty()) simulation_ += "[Faults]\n" + c.faults + "\n";
        EXPECT_EQ(RunPart(Run()), "Upgrading...\n" + c.result + "\n");
    }
}

// Values after the blocks are ignored: 4,000 of them after a GT9xxx configuration and its
// bridge block; the chip and the bridge hold what the file says.
TEST_F(SilentConfigStep, ValuesAfterTheBlocksAreIgnored) {
    UseGt911UiItems();
    const std::string file = sim::Gt9xxxCfgText(0x42, 186, true);
    std::string more;
    for (int i = 0; i < 4000; ++i) more += "0x" + std::string(i % 2 ? "5A" : "A5") + ",";
    Write("GT911_demo.cfg", file + more);
    EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade success\n");
    const std::vector<uint8_t> values = CfgValues(file);
    ASSERT_EQ(values.size(), 186u + 24u);
    // The chip's configuration as last read back (its flag byte cleared), and the bridge's.
    std::vector<uint8_t> chip = LastAnswerBytes("03 00 0f 80 47", 186);
    ASSERT_EQ(chip.size(), 186u);
    EXPECT_TRUE(std::equal(values.begin(), values.begin() + 185, chip.begin()));
    EXPECT_EQ(LastAnswerBytes("03 00 30", 24), DemoBlock());
}

// A GT79xx ".cfg" alone, without a touch image, is written and verified: one of the full
// 4,096 bytes with its bridge block (4,120 values), and one with more values after them.
TEST_F(SilentConfigStep, AGt79xxConfigurationAloneIsApplied) {
    UseGt79xx();
    struct Case {
        const char* what;
        uint16_t body;
        size_t extra;
    } cases[] = {
        {"a short configuration", 200, 0},
        {"the whole image and the bridge block", 4032, 0},
        {"the whole image, the bridge block and more", 4032, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> values = sim::MakeGt79xxConfig(c.body, 11);
        const auto block = sim::DemoBridgeBlock();
        values.insert(values.end(), block.begin(), block.end());
        values.insert(values.end(), c.extra, 0x77);
        Write("touch.cfg", CfgText(values));
        EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade success\n");
        // The bridge holds the block that was sent.
        EXPECT_EQ(LastAnswerBytes("03 30", 24), DemoBlock());
    }
}
