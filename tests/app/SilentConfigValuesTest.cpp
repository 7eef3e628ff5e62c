// "quillon /s /u" with a ".cfg" alone: every value of the file reaches the chip and the bridge
// as the file has it, also where the UI item file lists no choice for it.
#include "QuillonExe.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/UiItemText.h"
#include "touch/gt79xx/Gt79xxImage.h"

namespace fs = std::filesystem;

using testsupport::UiRecord;

namespace {

class SilentConfigValues : public QuillonExe {
  protected:
    void WriteUiFile(const std::string& name, const std::vector<UiRecord>& records) {
        fs::create_directories(folder_ / "System" / "CfgItem");
        Write("System/CfgItem/" + name, testsupport::StoredUiFile(testsupport::UiText(records)));
    }
};

// A GT911 configuration of 186 bytes whose byte 6 (register 0x804D) is `byte804D`, with its
// checksum and flag.
std::vector<uint8_t> Gt911Config(uint8_t byte804D) {
    std::vector<uint8_t> values(186);
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint8_t>(i * 7 + 3);
    values[0] = 0x42;
    values[6] = byte804D;
    uint8_t sum = 0;
    for (size_t i = 0; i + 2 < values.size(); ++i) sum = static_cast<uint8_t>(sum + values[i]);
    values[184] = static_cast<uint8_t>(-sum);
    values[185] = 1;
    return values;
}

}  // namespace

TEST_F(SilentConfigValues, ValueWithoutAChoiceReachesTheChipAsTheFileHasIt) {
    // Bits 0-1 of 0x804D list the choices 0 and 1 only; the file asks 0xF3 (bits 0-1: 3).
    UiRecord version;
    version.address = "8047";
    version.name = "Config_Version";
    UiRecord trigger = version;
    trigger.address = "804D";
    trigger.name = "INT_Trigger";
    trigger.dataBitH = 1;
    trigger.ctrlType = 1;
    trigger.choiceLines = {",0,Rising", ",1,Falling"};
    WriteUiFile("GT911_demo.sc", {version, trigger});
    Write("GT911_demo.cfg", CfgText(Gt911Config(0xF3)));
    EXPECT_EQ(RunPart(Run("/s /u")), "Upgrading...\nUpgrade success\n");
    // The last read of the chip's configuration: bytes 0x8047 to 0x804D.
    EXPECT_EQ(LastIdentityAnswer("80 47", 8), "03 42 0a 11 18 1f 26 f3");
}

TEST_F(SilentConfigValues, BaudIndexWithoutAChoiceReachesTheBridge) {
    UiRecord version;
    version.address = "8047";
    version.name = "Config_Version";
    WriteUiFile("GT911_demo.sc", {version});
    std::array<uint8_t, 24> block = sim::DemoBridgeBlock();
    block[6] = 5;  // "Uart Buad" lists the indexes 0 to 2
    uint16_t sum = 0;
    for (size_t i = 0; i < 22; ++i) sum = static_cast<uint16_t>(sum + block[i]);
    block[22] = static_cast<uint8_t>(sum >> 8);
    block[23] = static_cast<uint8_t>(sum);
    std::vector<uint8_t> values = Gt911Config(0x0D);
    values.insert(values.end(), block.begin(), block.end());
    Write("GT911_demo.cfg", CfgText(values));
    EXPECT_EQ(RunPart(Run("/s /u")), "Upgrading...\nUpgrade success\n");
    // The bridge's block as last read back (command 48): bytes 0 to 6.
    EXPECT_EQ(LastAnswer("> 03 00 30", 8), "03 18 21 27 c6 01 02 05");
}

TEST_F(SilentConfigValues, Gt79xxValuesKeepTheirKindAndTheirBytes) {
    UseGt79xxChip();
    // Pack 1 spans bytes 64 to 159: a 7-bit hexadecimal item at 74 and a 12-bit value, high
    // byte first, at 76-77 (its second record is the value's other byte).
    const UiRecord version = testsupport::Gt79xxVersionRecord();
    UiRecord hex7 = version, wide = version, wideHigh = version;
    hex7.name = "Hex7";
    hex7.dataBitH = 6;
    hex7.ctrlType = 7;
    wide.name = "Wide";
    wide.paraBitH = 11;
    wideHigh.name = "Wide_H";
    for (auto [record, offset] : {std::pair{&hex7, 10}, {&wide, 12}, {&wideHigh, 13}}) {
        record->address = std::to_string(offset);
        record->group = "Pack1";
        record->packNo = 1;
        record->packOffset = offset;
    }
    WriteUiFile("GT7936_test.sc", {version, hex7, wide, wideHigh});
    std::vector<uint8_t> config = sim::MakeGt79xxConfig(100);
    config[74] = 0x12;
    config[76] = 0x01, config[77] = 0x23;
    const uint32_t tail = WordSum32(config.data() + 64, (100 - 4) / 2);
    for (int i = 0; i < 4; ++i) config[160 + i] = static_cast<uint8_t>(tail >> (8 * i));
    Write("touch.cfg", CfgText(config));
    EXPECT_EQ(RunPart(Run()), "Upgrading...\nUpgrade success\n");
    // The last read of the chip's body (0x13BB4): the answer's bytes 64 to 77, then 74 to 77.
    const std::string body = LastAnswer("> 03 0f 01 3b b4", 15);
    ASSERT_EQ(body.size(), 15u * 3 - 1);
    EXPECT_EQ(body.substr(11 * 3), "12 50 01 23");
}
