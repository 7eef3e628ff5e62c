#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/Profile.h"
#include "platform/TextError.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "support/UiItemText.h"
#include "touch/TouchRig.h"
#include "touch/config/ConfigContext.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt79xx/C79xxConfig.h"

using testsupport::UiRecord;

namespace {

// A GT79xx bridge and chip, the chip settings of a GT7936 (item addresses in decimal) with
// its per-chip settings file and UI item file in the program folder.
class Gt79xxConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start(chip_));
        s().ChipName = "GT7936";
        s().ChipIniPath = ".\\System\\ChipIni\\GT7936_test.ini";
        s().ScFilePath = ".\\System\\CfgItem\\GT7936.ui";
        s().CFGAddr = 0x13B74;
        s().SynFlagAddr = 0x10274;
        rig_.folder.Write("System/ChipIni/GT7936_test.ini", "[Cfg]\n");
    }
    ChipIniSettings& s() { return rig_.settings; }
    void WriteUi(const std::vector<UiRecord>& records) {
        rig_.folder.Write("System/CfgItem/GT7936.ui",
                          testsupport::StoredUiFile(testsupport::UiText(records)));
    }
    void SetKey(const std::string& key, const std::string& value) {
        platform::WriteProfileString(rig_.Files(), s().ChipIniPath, "Cfg", key, value);
    }
    std::unique_ptr<C79xxConfig> Config() {
        return std::make_unique<C79xxConfig>(ConfigContextOf(*rig_.registry));
    }
    // Frames written at the real-time command register, as their command bytes.
    std::vector<int> Frames() const {
        std::vector<int> out;
        for (const auto& q : rig_.bridge->Requests()) {
            if (q.command == 15 && q.type == 1 && q.address == 0x10174 && q.payload.size() == 6)
                out.push_back(q.payload[3]);
        }
        return out;
    }

    std::shared_ptr<sim::SimGt79xx> chip_ = std::make_shared<sim::SimGt79xx>();
    TouchRig rig_{0x0401};
};

UiRecord Record(const std::string& name, int pack, int address, int bitL = 0, int bitH = 7,
                int paraH = 65535) {
    UiRecord r;
    r.name = name;
    r.address = std::to_string(address);
    r.dataBitL = bitL, r.dataBitH = bitH, r.paraBitH = paraH;
    r.page = "Page";
    r.group = "Pack" + std::to_string(pack);
    r.packNo = pack;
    r.packOffset = address;
    return r;
}

// A configuration whose packs 1 and 3 (each 16 bytes) follow the header.
std::vector<uint8_t> TwoPacks() {
    std::vector<uint8_t> image(64 + 36, 0);
    image[59] = 36;
    image[64] = 16, image[65] = 1;
    image[80] = 16, image[81] = 3;
    return image;
}

void Load(C79xxConfig& config, const std::vector<uint8_t>& image) {
    std::copy(image.begin(), image.end(), config.Image());
    config.UpdateChecksum();
}

}  // namespace

TEST_F(Gt79xxConfigTest, RealTimeFramesCarryTheirSum) {
    auto config = Config();
    ASSERT_TRUE(config->SendRealTimeCmd(7));
    ASSERT_TRUE(config->SendRealTimeCmd(4));
    const auto requests = rig_.bridge->Requests();
    std::vector<std::vector<uint8_t>> frames;
    for (const auto& q : requests) {
        if (q.type == 1 && q.address == 0x10174) frames.push_back(q.payload);
    }
    EXPECT_EQ(frames,
              (std::vector<std::vector<uint8_t>>{{0, 0, 4, 7, 0x0B, 0}, {0, 0, 4, 4, 8, 0}}));
    chip_->SetAcknowledgeCommands(false);
    EXPECT_FALSE(config->SendRealTimeCmd(7));
}

TEST_F(Gt79xxConfigTest, HeaderAndTailSumsAgreeForEveryBodyLength) {
    auto config = Config();
    for (int body : {4, 5, 0x110, 0x111, 4032}) {
        SCOPED_TRACE(body);
        std::fill(config->Image(), config->Image() + 4096, 0x5A);
        config->Image()[59] = static_cast<uint8_t>(body);
        config->Image()[60] = static_cast<uint8_t>(body >> 8);
        config->UpdateChecksum();
        EXPECT_EQ(s().CfgLength, body + 64);
        EXPECT_TRUE(config->VerifyChecksum());
        // Only the low 16 bits of the tail count.
        config->Image()[body + 64 - 1] ^= 0x40;
        EXPECT_TRUE(config->VerifyChecksum());
        config->Image()[body + 64 - 4] ^= 0x01;
        EXPECT_FALSE(config->VerifyChecksum());
    }
    for (int body : {0, 3, 4033, 0xFFFF}) {
        SCOPED_TRACE(body);
        s().CfgLength = 100;
        config->Image()[59] = static_cast<uint8_t>(body);
        config->Image()[60] = static_cast<uint8_t>(body >> 8);
        EXPECT_THROW(config->UpdateChecksum(), platform::TextError);
        EXPECT_EQ(s().CfgLength, 100);
    }
}

TEST_F(Gt79xxConfigTest, WriteThenReadBackThroughTheChip) {
    auto config = Config();
    const auto image = sim::MakeGt79xxConfig(0x110, 4);
    Load(*config, image);
    ASSERT_TRUE(config->WriteToChip(0));
    EXPECT_EQ(Frames(), (std::vector<int>{4, 5}));
    EXPECT_EQ(chip_->Get(0x13B74 + 100), image[100]);
    WriteUi({Record("CfgVer", 0, 0)});
    auto back = Config();
    s().CfgLength = 0;
    back->ReadAll();
    EXPECT_EQ(s().CfgLength, 0x110 + 64);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), back->Image()));
    EXPECT_TRUE(config->VerifyOnChip(false));
    EXPECT_EQ(config->VersionReadBack, image[0]);
}

TEST_F(Gt79xxConfigTest, TransfersThatFailThrowTheirMessage) {
    auto config = Config();
    Load(*config, sim::MakeGt79xxConfig(40));
    chip_->SetAcknowledgeCommands(false);
    EXPECT_THROW(config->WriteToChip(0), platform::TextError);
    EXPECT_THROW(config->ReadFromChip(), platform::TextError);
    // A length beyond the image is refused before anything is sent.
    chip_->SetAcknowledgeCommands(true);
    rig_.bridge->ClearRecords();
    s().CfgLength = 5000;
    EXPECT_THROW(config->WriteToChip(0), platform::TextError);
    EXPECT_THROW(config->ReadFromChip(), platform::TextError);
    EXPECT_TRUE(rig_.bridge->Requests().empty());
}

TEST_F(Gt79xxConfigTest, VerifyComparesTheBodyWithoutTheUpperTail) {
    WriteUi({Record("CfgVer", 0, 0)});
    const auto image = sim::MakeGt79xxConfig(60, 2);
    chip_->SetConfig(image);
    auto config = Config();
    std::copy(image.begin(), image.end(), config->Image());
    s().CfgLength = 124;
    config->Image()[3] ^= 1;    // header
    config->Image()[123] ^= 1;  // upper tail
    EXPECT_TRUE(config->VerifyOnChip(true));
    EXPECT_EQ(rig_.clock.SleptMs() >= 300, true);
    config->Image()[70] ^= 1;
    EXPECT_FALSE(config->VerifyOnChip(false));
    // A chip header out of range is a failed read: the body is not read.
    auto bad = image;
    bad[59] = 0xFF, bad[60] = 0x0F;
    const uint16_t sum = C79xxConfig::ByteSum16(bad.data(), 62);
    bad[62] = static_cast<uint8_t>(sum), bad[63] = static_cast<uint8_t>(sum >> 8);
    chip_->SetConfig(bad);
    EXPECT_FALSE(config->VerifyOnChip(false));
}

TEST_F(Gt79xxConfigTest, LoaderJoinsRecordsIntoValues) {
    UiRecord text1 = Record("Name", 1, 2, 0, 7), text2 = text1, text3 = text1;
    text1.ctrlType = text2.ctrlType = text3.ctrlType = 8;
    text2.address = "3", text3.address = "4";
    WriteUi({Record("Low", 1, 6, 0, 7, 7), Record("Low", 1, 7, 0, 7, 15),
             Record("Wide", 1, 8, 0, 7, 31), Record("x", 1, 9), Record("y", 1, 10),
             Record("z", 1, 11), text1, text2, text3});
    auto config = Config();
    config->LoadUiFile(s().ScFilePath);
    std::vector<std::tuple<std::string, int, int, int>> items;
    for (const auto& item : config->Items())
        items.emplace_back(item->Name, item->BitAddress, item->Width, item->DisplayKind);
    EXPECT_EQ(items, (std::vector<std::tuple<std::string, int, int, int>>{
                         {"Low", 48, 16, 3}, {"Wide", 64, 32, 0}, {"Name(S)", 16, 24, 2}}));
    EXPECT_EQ(platform::ReadProfileString(rig_.Files(), s().ChipIniPath, "ConfigInfo",
                                          "UI File Name", ""),
              s().ScFilePath);

    auto image = TwoPacks();
    const uint8_t values[] = {'G', 'T', 0, 0, 0x34, 0x12, 1, 2, 3, 4};
    std::copy(std::begin(values), std::end(values), image.begin() + 66);
    Load(*config, image);
    config->DecodeItems();
    EXPECT_EQ(config->Items()[0]->Value, "4660");
    EXPECT_EQ(config->Items()[1]->Value, "16909060");
    EXPECT_EQ(config->Items()[2]->Value, "GT");

    // A malformed file changes neither the items nor the pages that point at them.
    rig_.folder.Write("System/CfgItem/GT7936.ui", testsupport::StoredUiFile("NO.1\naddr,0x5\n"));
    EXPECT_THROW(config->LoadUiFile(s().ScFilePath), platform::TextError);
    ASSERT_EQ(config->Items().size(), 3u);
    EXPECT_EQ(config->Pages()[0].Groups[0].Items[0]->Name, "Low");
}

TEST_F(Gt79xxConfigTest, PacksDecideWhereItemsLieAndWhichAreAbsent) {
    UiRecord choice = Record("Mode", 3, 2, 0, 3);
    choice.ctrlType = 1;
    choice.choiceLines = {",0,Off", ",1,On"};
    UiRecord bare = Record("Bare", 3, 3, 0, 3);
    bare.ctrlType = 1;
    WriteUi({Record("CfgVer", 0, 0), Record("In1", 1, 2), Record("In2", 2, 2), choice, bare,
             Record("Far", 9, 2)});
    auto config = Config();
    auto image = TwoPacks();
    image[80] = 20;     // pack 3 reaches the tail: the next pack would start past the end
    image[80 + 2] = 7;  // past the last choice
    Load(*config, image);
    config->DecodeItems();
    const auto& items = config->Items();
    EXPECT_EQ(items[2]->Value, "");   // pack 2 is absent
    EXPECT_EQ(items[3]->Value, "7");  // pack 3 from the second pack's start; 7 has no choice
    EXPECT_EQ(items[3]->ImagePosition, 82);
    EXPECT_EQ(items[4]->Value, "0");  // no choices: the number
    EXPECT_EQ(items[5]->Value, "");   // the chain leaves the configuration
    const auto& groups = config->Pages()[0].Groups;
    EXPECT_EQ(groups[2].Mode, 2);
    EXPECT_EQ(groups[3].Value1, 20);
    EXPECT_EQ(groups[3].Value2, 80);
    EXPECT_EQ(groups[4].Mode, 2);

    // Encoding writes present packs only and keeps the sums.
    items[3]->Value = "On";
    items[1]->Value = "9";
    config->EncodeItems();
    EXPECT_EQ(config->Image()[82], 1);
    EXPECT_EQ(config->Image()[66], 9);
    EXPECT_TRUE(config->VerifyChecksum());
    config->DecodeItems();
    EXPECT_EQ(items[3]->Value, "On");
}

TEST_F(Gt79xxConfigTest, LookupsByKeyChannelsAndMirrors) {
    WriteUi({Record("CfgVer", 0, 0), Record("X2Y", 1, 2, 0, 0), Record("SenSeq0", 1, 4),
             Record("SenSeq1", 1, 5), Record("DrvSeq0", 3, 2), Record("DrvSeq1", 3, 3),
             Record("DrvSeq2", 3, 4), Record("DrvSeq3", 3, 5)});
    SetKey("XmaxAddr", "#1,2,0,x");
    SetKey("Short", "#1,2");
    auto config = Config();
    auto image = TwoPacks();
    const uint8_t seq[] = {5, 6, 7, 255};
    std::copy(std::begin(seq), std::end(seq), image.begin() + 82);
    image[68] = 11, image[69] = 12;
    Load(*config, image);
    config->DecodeItems();
    int value = -1;
    EXPECT_TRUE(config->GetItemValue("XmaxAddr", value));
    EXPECT_EQ(value, 0);
    EXPECT_THROW(config->GetItemValue("Short", value), platform::TextError);
    try {
        config->GetItemValue("Nothing", value);
        FAIL();
    } catch (const platform::TextError& e) {
        EXPECT_STREQ(e.what(), "Can not findNothing");
    }
    EXPECT_TRUE(config->SwapXY());
    EXPECT_EQ(config->Items()[1]->Value, "1");

    EXPECT_TRUE(config->MirrorX());
    std::vector<std::string> drv;
    for (size_t i = 4; i < 8; ++i) drv.push_back(config->Items()[i]->Value);
    EXPECT_EQ(drv, (std::vector<std::string>{"7", "6", "5", "255"}));

    s().SenMaxNum = 2;
    EXPECT_EQ(config->FindSensorIndex(12), 1);
    EXPECT_EQ(config->FindSensorIndex(13), 255);
    EXPECT_EQ(
        platform::ReadProfileInt(rig_.Files(), s().ChipIniPath, "ConfigInfo", "SenAlignAddr", 0),
        68);
    C79xxConfig::WriteConfigInfoInt(rig_.Files(), "SenAlignAddr", 69, s().ChipIniPath);
    EXPECT_EQ(config->FindSensorIndex(12), 0);  // the stored position is used as it is
}

TEST_F(Gt79xxConfigTest, ChipResolutionComesFromItsConfiguration) {
    WriteUi({Record("Xmax", 1, 2, 0, 7, 7), Record("Xmax", 1, 3, 0, 7, 15),
             Record("Ymax", 1, 4, 0, 7, 7), Record("Ymax", 1, 5, 0, 7, 15)});
    SetKey("XmaxAddr", "#1,2,0,x");
    SetKey("YmaxAddr", "#1,4,0,x");
    struct Case {
        uint16_t x, y;
        int32_t width, height;
    };
    for (const Case& c :
         {Case{0, 0xFFFF, 16384, 9600}, Case{0xFFFF, 0, 16384, 9600}, Case{1280, 800, 1280, 800}}) {
        auto config = Config();
        auto image = TwoPacks();
        image[66] = static_cast<uint8_t>(c.x), image[67] = static_cast<uint8_t>(c.x >> 8);
        image[68] = static_cast<uint8_t>(c.y), image[69] = static_cast<uint8_t>(c.y >> 8);
        Load(*config, image);
        chip_->SetConfig(std::vector<uint8_t>(config->Image(), config->Image() + image.size()));
        C79xxChip& chip = rig_.registry->ChipOf<C79xxChip>();
        ASSERT_TRUE(chip.ReadChannelInfo());
        EXPECT_EQ(s().XResolution, c.width);
        EXPECT_EQ(s().YResolution, c.height);
    }
    // A configuration that fails its sums gives false.
    chip_->Set(0x13B74 + 70, 0x99);
    EXPECT_FALSE(rig_.registry->ChipOf<C79xxChip>().ReadChannelInfo());
}

TEST_F(Gt79xxConfigTest, RandomPackChainsStayInsideTheConfiguration) {
    std::mt19937 random(7936);
    std::vector<UiRecord> records;
    for (int i = 0; i < 40; ++i) {
        const int bitH = static_cast<int>(random() % 8);
        records.push_back(Record("R" + std::to_string(i), static_cast<int>(random() % 6),
                                 static_cast<int>(random() % 300), 0, bitH,
                                 random() % 4 ? 65535 : static_cast<int>(9 + random() % 55)));
    }
    WriteUi(records);
    auto config = Config();
    config->LoadUiFile(s().ScFilePath);
    int found = 0;
    for (int round = 0; round < 300; ++round) {
        const int body = static_cast<int>(4 + random() % 600);
        std::vector<uint8_t> image(64 + body);
        for (auto& b : image) b = static_cast<uint8_t>(random() % 4 ? random() % 8 : random());
        image[59] = static_cast<uint8_t>(body), image[60] = static_cast<uint8_t>(body >> 8);
        Load(*config, image);
        for (const auto& item : config->Items()) item->ImagePosition = -1;
        config->DecodeItems();
        for (const auto& item : config->Items()) {
            if (item->ImagePosition < 0) continue;  // not found in this image
            ++found;
            EXPECT_LE(item->ImagePosition + std::max(1, item->Width / 8), s().CfgLength);
        }
        config->EncodeItems();
        EXPECT_TRUE(config->VerifyChecksum());
    }
    EXPECT_GT(found, 300);
}
