// The configuration step run the way a controlling program runs it ("quillon /s /u" against
// the simulated bridge): what the chip and the bridge hold when the run says "Upgrade
// success", and that a block the bridge never took is no success.
#include <functional>

#include "QuillonExe.h"
#include "platform/Format.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/UiItemText.h"
#include "touch/gt79xx/Gt79xxImage.h"

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
// 4,096 bytes with its bridge block (4,120 values), and one with more values after them. With
// a touch image the chip takes the header and the body its header states, padded to whole
// 256-byte units, and the bridge block is written and verified as for a configuration alone.
TEST_F(SilentConfigStep, AGt79xxConfigurationAloneIsApplied) {
    UseGt79xx();
    struct Case {
        const char* what;
        uint16_t body;
        size_t extra;
        bool image = false;
        std::string faults = "";
        std::string result = "Upgrade success";
    } cases[] = {
        {"a short configuration", 200, 0},
        {"the whole image and the bridge block", 4032, 0},
        {"the whole image, the bridge block and more", 4032, 500},
        {"with an image: the bridge block and 300 more values", 444, 300, true},
        {"with an image, a bridge that drops the block", 444, 300, true, "BridgeDropsConfigBlock=1",
         "Upgrade failed"},
        {"the bridge block and 3,600 more values", 444, 3600},
        {"with an image: the bridge block and 3,600 more values", 444, 3600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        UseGt79xx();
        if (!c.faults.empty()) simulation_ += "[Faults]\n" + c.faults + "\n";
        if (c.image) {
            const auto image = sim::MakeGt79xxImage("7936", {2, 0, 1, 0x1A});
            Write("G7936.bin", std::string(image.begin(), image.end()));
        }
        // With an image, its own configuration (the one its download writes after the file's).
        std::vector<uint8_t> values = sim::MakeGt79xxConfig(c.body);
        const auto block = sim::DemoBridgeBlock();
        values.insert(values.end(), block.begin(), block.end());
        values.insert(values.end(), c.extra, 0x77);
        Write("touch.cfg", CfgText(values));
        EXPECT_EQ(RunPart(Run()), "Upgrading...\n" + c.result + "\n");
        if (c.faults.empty()) {
            // The bridge holds the block that was sent.
            EXPECT_EQ(LastAnswerBytes("03 30", 24), DemoBlock());
        }
        if (c.image) {
            // The configuration's chunk (type 2) as its mailbox header gives its length: the
            // header and the body rounded up to 256 bytes, and its 4-byte sum.
            const uint32_t chunk = (c.body + 64u + 255u) / 256u * 256u + 4u;
            size_t chunks = 0;
            for (const auto& line : Trace()) {
                chunks += line.rfind("> 03 8f 01 34 00 00 0d 00 00 0b bb 02 " +
                                         platform::Format("%02x %02x", chunk & 0xFF, chunk >> 8),
                                     0) == 0;
            }
            EXPECT_EQ(chunks, 1u);
        }
    }
}

// Two packs whose items share one group name: each pack's values stay in its own bytes.
TEST_F(SilentConfigStep, PacksSharingAGroupNameKeepTheirOwnBytes) {
    UseGt79xx();
    // Pack 1 spans bytes 64 to 183, pack 2 bytes 184 to 259: items at pack 1's offsets 3 to 5
    // and at pack 2's offset 10 (its offsets 3 to 5 have none).
    std::vector<testsupport::UiRecord> records = {testsupport::Gt79xxVersionRecord()};
    for (auto [pack, offset] : {std::pair{1, 3}, {1, 4}, {1, 5}, {2, 10}}) {
        testsupport::UiRecord item = records[0];
        item.name = "Item" + std::to_string(pack) + std::to_string(offset);
        item.address = std::to_string(offset);
        item.group = "Shared";
        item.packNo = pack;
        item.packOffset = offset;
        records.push_back(item);
    }
    Write("System/CfgItem/GT7936_test.sc", testsupport::StoredUiFile(testsupport::UiText(records)));
    const std::vector<uint8_t> file = sim::MakeGt79xxConfig(200, 5);
    ASSERT_NE(std::vector<uint8_t>(file.begin() + 67, file.begin() + 70),
              std::vector<uint8_t>(file.begin() + 187, file.begin() + 190));
    Write("touch.cfg", CfgText(file));
    EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade success\n");
    // The chip's body as last read (0x13BB4), up to the tail's upper half.
    const std::vector<uint8_t> body = LastAnswerBytes("03 0f 01 3b b4", 196);
    EXPECT_EQ(body, std::vector<uint8_t>(file.begin() + 64, file.begin() + 260));
}

namespace {

// Values whose sum is 0 in every family's checksum: 42 00 BE 00 repeated, summed as bytes and
// as words high byte first; from `from` on in the pattern, so that words low byte first (00 42
// 00 BE, `from` 3) sum to 0 too.
std::vector<uint8_t> ZeroSum(size_t count, size_t from = 0) {
    const uint8_t pattern[] = {0x42, 0, 0xBE, 0};
    std::vector<uint8_t> values(count);
    for (size_t i = 0; i < count; ++i) values[i] = pattern[(i + from) % 4];
    return values;
}

std::string Simulation(const std::string& bridge, const std::string& family,
                       const std::string& chip, const std::string& version) {
    return "[Bridge]\nVendorId=27C6\nProductId=" + bridge +
           "\nVersion=0100\nInterface=1\n[Chip]\n" + "Family=" + family + "\nProductId=" + chip +
           "\nVersion=" + version + "\n[Time]\nVirtual=1\n";
}

}  // namespace

// A ".cfg" that holds fewer values than what the chip is sent from it is refused, for every
// family, also where it travels with a GT79xx touch image: nothing reaches the chip's
// configuration and the run ends without a result line. A file may leave out the flag byte
// that the program sets, and a GT9Pxx extended block that is not sent (bit 0x40 of the byte
// for register 0x805A clear); what it holds is written exactly.
TEST_F(SilentConfigStep, AFileShorterThanItsBlocksIsRefused) {
    struct Row {
        const char* what;
        std::vector<uint8_t> values;
        bool written;
    };
    struct Family {
        std::string simulation, chip, settings, image;
        std::vector<uint8_t> whole;  // a configuration the chip takes
        std::vector<uint8_t> half;   // about half of one, passing the family's checksum test
        std::string write;           // the first bytes of a report that writes the configuration
        std::vector<Row> more = {};  // the family's own files
    };
    const auto gt79xx = [](const std::string& image, uint16_t body, const std::string& write) {
        return Family{Simulation("0401", "GT79xx", "7936", "01000001"),
                      "GT7936",
                      "CFGAddr=0x13B74",
                      image,
                      sim::MakeGt79xxConfig(body),
                      {},
                      write};
    };
    Family families[] = {
        {Simulation("0102", "GT9xxx", "911", "1050"), "GT911", "CFGAddr=0x8047", "", ZeroSum(186),
         ZeroSum(92), "> 03 01 0f 80 47"},
        {Simulation("0999", "GT9Pxx", "9286", "010203"), "GT9286", "CFGAddr=0x8047", "",
         ZeroSum(186), ZeroSum(92), "> 03 01 0f 80 47"},
        // An extended block of 8 bytes at 0xBF7B.
        {Simulation("0999", "GT9Pxx", "9286", "010203"), "GT9286", "CFGAddr=0x8047\nExtCfgLength=8",
         "", ZeroSum(186), ZeroSum(92), "> 03 01 0f 80 47"},
        {Simulation("0301", "GT73xx", "7387", "010203"), "GT7387", "CFGAddr=0x8050\nCfgLength=250",
         "", ZeroSum(250), ZeroSum(124), "> 03 01 0f 80 50"},
        // The configuration registers, and the buffer every flash block goes through.
        gt79xx("", 200, "> 03 8f 01 3b 74"),
        gt79xx("G7936.bin", 444, "> 03 8f 01 34 00"),
    };
    for (Family& f : families) {
        // The checksums: GT9xxx's and GT9Pxx's 0, the flag 1; GT73xx's over bytes 0-211 0 (the
        // pattern's own over 0-1 and 213-248); a GT79xx header and half its body.
        if (f.chip == "GT7387") {
            f.whole[212] = 0;
        } else if (f.chip != "GT7936") {
            f.whole[184] = 0;
            f.whole[185] = 1;
        } else {
            f.half.assign(f.whole.begin(), f.whole.begin() + 64);
            const std::vector<uint8_t> body = ZeroSum((f.whole.size() - 64) / 2, 3);
            f.half.insert(f.half.end(), body.begin(), body.end());
        }
    }
    families[0].more = {
        {"the flag byte left out",
         std::vector<uint8_t>(families[0].whole.begin(), families[0].whole.end() - 1), true}};
    // The main block with bit 0x40 of byte 19 (register 0x805A) set, its checksum kept 0.
    std::vector<uint8_t> sendsExt = families[2].whole;
    sendsExt[19] = 0x40;
    sendsExt[22] = 0xBD;
    sendsExt[23] = 0xC0;
    const auto with = [](std::vector<uint8_t> main, const std::vector<uint8_t>& ext) {
        main.insert(main.end(), ext.begin(), ext.end());
        return main;
    };
    families[2].more = {
        {"the extended block that is sent left out", sendsExt, false},
        {"an extended block short by five", with(families[2].whole, ZeroSum(3)), false},
        {"both blocks, the extended one sent", with(sendsExt, ZeroSum(8)), true},
    };
    for (const Family& family : families) {
        std::vector<Row> rows = {
            {"the whole configuration", family.whole, true},
            {"half the values, their sum 0", family.half, false},
        };
        rows.insert(rows.end(), family.more.begin(), family.more.end());
        struct File {
            std::string what, text;
            const std::vector<uint8_t>* written;  // the values, where the chip takes them
        };
        std::vector<File> files = {{"an empty file", "", nullptr},
                                   {"commas only", ",,,,\r\n,,", nullptr},
                                   {"a line of text", "hello world\r\n", nullptr}};
        for (const Row& row : rows) {
            files.push_back({row.what, CfgText(row.values), row.written ? &row.values : nullptr});
        }
        for (const auto& [what, text, written] : files) {
            SCOPED_TRACE(family.chip + " " + family.settings + " " + family.image + ": " + what);
            TearDown();
            SetUp();
            simulation_ = family.simulation;
            Write("System/AppConfigInit.ini",
                  "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=" + family.chip + "\n");
            Write("System/ChipIni/" + family.chip + "_test.ini",
                  "[Cfg]\n" + family.settings + "\n");
            testsupport::UiRecord version = testsupport::Gt79xxVersionRecord();
            if (family.chip != "GT7936") {
                version = {};
                version.address = family.settings.substr(10, 4);  // CFGAddr
            }
            fs::create_directories(folder_ / "System" / "CfgItem");
            Write("System/CfgItem/" + family.chip + "_test.sc",
                  testsupport::StoredUiFile(testsupport::UiText({version})));
            if (!family.image.empty()) {
                const auto image = sim::MakeGt79xxImage("7936", {2, 0, 1, 0x1A});
                Write(family.image, std::string(image.begin(), image.end()));
            }
            Write("touch.cfg", text);
            EXPECT_EQ(RunPart(Run()),
                      written ? "Upgrading...\nUpgrade success\n" : "Upgrading...\n");
            size_t writes = 0, extWrites = 0;
            for (const auto& line : Trace()) {
                writes += line.rfind(family.write, 0) == 0;
                extWrites += line.rfind("> 03 01 0f bf 7b", 0) == 0;
            }
            EXPECT_EQ(writes > 0, written != nullptr);
            if (!written || family.chip.rfind("GT9", 0) != 0) continue;
            // The chip holds the file's values: its main block (the flag byte it clears left
            // out) and the extended block only where it is sent.
            const std::vector<uint8_t>& values = *written;
            EXPECT_EQ(LastAnswerBytes("03 00 0f 80 47", 185),
                      std::vector<uint8_t>(values.begin(), values.begin() + 185));
            EXPECT_EQ(extWrites > 0, values.size() > 186);
            if (values.size() > 186) {
                EXPECT_EQ(LastAnswerBytes("03 00 0f bf 7b", 8),
                          std::vector<uint8_t>(values.begin() + 186, values.end()));
            }
        }
    }
}
