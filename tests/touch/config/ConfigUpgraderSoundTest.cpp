// The configuration upgrader's refusals and failures: a bridge block that never arrived,
// the reasons a UI item file gives no items, encodings that a family's lengths refuse, and
// the GT79xx header of a real ".cfg" file.
#include <gtest/gtest.h>

#include "platform/Format.h"
#include "resources/MessageIds.h"
#include "resources/MessageTable.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/ConfigRig.h"
#include "support/ThrownText.h"
#include "touch/config/ConfigUpgrader.h"
#include "touch/gt73xx/C73xxConfig.h"
#include "touch/gt79xx/C79xxConfig.h"
#include "touch/gt9pxx/C9pxxConfig.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::UiRecord;

std::string CfgText(const Bytes& values) {
    std::string text;
    for (uint8_t v : values) text += platform::Format("0x%02X,", v);
    return text;
}

class ConfigUpgraderSound : public ::testing::Test {
  protected:
    std::unique_ptr<CConfigUpgrader> Upgrader() {
        return std::make_unique<CConfigUpgrader>(rig.Context(), rig.FamilyOfFile());
    }
    std::unique_ptr<CConfigUpgrader> Loaded() {
        auto upgrader = Upgrader();
        EXPECT_TRUE(upgrader->LoadFile(rig.File("GT911_A.cfg", kFile)));
        EXPECT_TRUE(upgrader->BridgeConfig().Present);
        return upgrader;
    }

    const std::string kFile = sim::Gt9xxxCfgText(0x42, 186, true);
    testsupport::ConfigRig rig;
};

// A GT79xx header as a real file has it: no byte of 0-61 is 0, so that a sum that leaves a
// byte out cannot pass.
Bytes RealisticGt79xxConfig(uint16_t body) {
    Bytes image = sim::MakeGt79xxConfig(body, 7);
    for (size_t i = 0; i < 62; ++i) {
        if (image[i] == 0 && i != 59 && i != 60) image[i] = static_cast<uint8_t>(0x5A + i);
    }
    image[0] = 0xC3;
    uint16_t sum = 0;
    for (size_t i = 0; i < 62; ++i) sum = static_cast<uint16_t>(sum + image[i]);
    image[62] = static_cast<uint8_t>(sum);
    image[63] = static_cast<uint8_t>(sum >> 8);
    return image;
}

// A family's configuration class whose item "Moved" is described one byte further on once it
// has been decoded: its encoding cannot give back the bytes it came from.
template <class Config>
class MovedAfterDecoding : public Config {
  public:
    using Config::Config;
    void DecodeItems() override {
        Config::DecodeItems();
        for (const auto& item : this->items_) {
            if (item->Name == "Moved") item->BitAddress += 8;
        }
    }
};

template <class Config>
CConfigUpgrader::ConfigFactory Moved() {
    return [](ChipFamily, const ConfigContext& context) -> std::unique_ptr<CBaseConfig> {
        return std::make_unique<MovedAfterDecoding<Config>>(context);
    };
}

}  // namespace

// A file whose items, once decoded, would not encode back into the file's bytes is refused
// at load, with the first byte that differs and its item: nothing can be written.
TEST_F(ConfigUpgraderSound, AnEncodingThatDoesNotGiveBackTheFileIsRefused) {
    // The item "Moved" lies 5 bytes after the start of the block at `movedBlock` (the main
    // block's address, or the extended block's), after the version at the main block's byte 0.
    const auto items = [](const std::string& address, int32_t movedBlock) {
        UiRecord version, moved;
        version.address = address;
        moved.name = "Moved";
        moved.address = platform::Format("%04X", movedBlock + 5);
        return testsupport::UiText({version, moved});
    };
    UiRecord gt79xxMoved = testsupport::Gt79xxVersionRecord();
    gt79xxMoved.name = "Moved";
    gt79xxMoved.address = "5";
    gt79xxMoved.packOffset = 5;
    const std::string gt79xxItems =
        testsupport::UiText({testsupport::Gt79xxVersionRecord(), gt79xxMoved});
    std::array<uint8_t, 24> block = sim::DemoBridgeBlock();
    block[6] = 0x12;  // "Uart Buad", described below as its low 4 bits
    block[23] = static_cast<uint8_t>(block[23] + 0x11);
    struct Case {
        const char* what;
        ChipFamily family;
        int32_t cfgAddr, cfgLength;
        std::string uiText;
        CConfigUpgrader::ConfigFactory factory;
        std::string loss;  // empty: "Moved" written one byte on with its own byte's value
        int32_t extAddr = 0, extLength = 0;
    } cases[] = {
        {"GT9xxx", kFamilyGT9xxx, 0x8047, 186, items("8047", 0x8047), Moved<CBaseConfig>(), ""},
        {"GT9Pxx", kFamilyGT9Pxx, 0x8047, 186, items("8047", 0x8047), Moved<C9pxxConfig>(), ""},
        {"GT73xx", kFamilyGT73xx, 0x8050, 250, items("8050", 0x8050), Moved<C73xxConfig>(), ""},
        {"GT79xx", kFamilyGT79xx, 0x13B74, 164, gt79xxItems, Moved<C79xxConfig>(), ""},
        // In an extended block that is sent (bit 0x40 of the byte for register 0x805A set).
        {"GT9Pxx extended block", kFamilyGT9Pxx, 0x8047, 186, items("8047", 0x8200),
         Moved<C9pxxConfig>(), "", 0x8200, 20},
        {"bridge block", kFamilyGT9xxx, 0x8047, 186, items("8047", 0x8047), CreateConfig,
         "Bridge configuration byte 6 (item \"Uart Buad\") would be written as 0x02 where the "
         "file holds 0x12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.family = c.family;
        rig.rig.settings.CFGAddr = c.cfgAddr;
        rig.rig.settings.CfgLength = c.cfgLength;
        rig.rig.settings.ExtCfgAddr = c.extAddr;
        rig.rig.settings.ExtCfgLength = c.extLength;
        rig.rig.folder.Write("System/CfgItem/GT911_A.sc", testsupport::StoredUiFile(c.uiText));
        // A file the family's checksums pass, with the bridge block.
        Bytes file = sim::MakeGt79xxConfig(100, 3);
        const int32_t blocks = c.cfgLength + c.extLength;
        if (c.family != kFamilyGT79xx) {
            auto sealed = CreateConfig(c.family, rig.Context());
            for (int32_t i = 0; i < blocks; ++i) sealed->Image()[i] = static_cast<uint8_t>(i * 7);
            if (c.extLength) sealed->Image()[0x805A - c.cfgAddr] |= 0x40;
            sealed->UpdateChecksum();
            file.assign(sealed->Image(), sealed->Image() + blocks);
        }
        // "Moved" is the file's byte 5 of its block.
        const size_t moved = c.extLength ? static_cast<size_t>(c.cfgLength) + 5 : 5;
        file.insert(file.end(), block.begin(), block.end());
        CConfigUpgrader upgrader(rig.Context(), rig.FamilyOfFile(), c.factory);
        for (const auto& item : upgrader.BridgeConfig().Items()) {
            if (item->Name == "Uart Buad") item->Width = 4;
        }
        const std::string loss = !c.loss.empty()
                                     ? c.loss
                                     : platform::Format(
                                           "Configuration byte %zu (item \"Moved\") would be "
                                           "written as 0x%02X where the file holds 0x%02X",
                                           moved + 1, file[moved], file[moved + 1]);
        EXPECT_EQ(
            testsupport::ThrownText([&] { upgrader.LoadFile(rig.File("A.cfg", CfgText(file))); }),
            loss);
        // The image stays the file's.
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + 64, upgrader.GetConfig()->Image()));
    }
}

TEST_F(ConfigUpgraderSound, ABridgeBlockThatWasNotTakenIsAFailedWrite) {
    auto clean = Loaded();
    const uint64_t before = rig.rig.bridge->ReportsReceived();
    clean->WriteToDevice();
    const uint64_t reports = rig.rig.bridge->ReportsReceived() - before;
    const auto requests = rig.rig.bridge->Requests();
    ASSERT_FALSE(requests.empty());
    ASSERT_EQ(requests.back().command, 49);  // the block goes last

    rig.rig.bridge->SetConfigBlock({});
    auto upgrader = Loaded();
    rig.rig.bridge->StopAnsweringFrom(rig.rig.bridge->ReportsReceived() + reports);
    EXPECT_EQ(testsupport::ThrownText([&] { upgrader->WriteToDevice(); }),
              resources::LoadMessageText(msg::kConfigWriteFailed));
    rig.rig.bridge->StopAnsweringFrom(0);
    // The bridge holds no block: after a transfer that was tried that is no success.
    EXPECT_EQ(rig.rig.bridge->ConfigBlock(), (std::array<uint8_t, 24>{}));
    EXPECT_FALSE(upgrader->Verify());
}

TEST_F(ConfigUpgraderSound, ABlockTheBridgeDroppedFailsTheVerification) {
    std::array<uint8_t, 24> other = sim::DemoBridgeBlock();
    other[6] = 2;
    other[23] = static_cast<uint8_t>(other[23] + 1);
    for (const auto& held : {std::array<uint8_t, 24>{}, other}) {
        rig.rig.bridge->SetConfigBlock(held);
        rig.rig.bridge->SetDropsConfigBlock(true);
        auto upgrader = Loaded();
        upgrader->WriteToDevice();
        EXPECT_GT(rig.BridgeBlockWrites(), 0u);
        EXPECT_EQ(rig.rig.bridge->ConfigBlock(), held);
        EXPECT_FALSE(upgrader->Verify()) << int{held[0]};
        rig.rig.bridge->SetDropsConfigBlock(false);
        upgrader->WriteToDevice();
        EXPECT_TRUE(upgrader->Verify()) << int{held[0]};
    }
}

// Each reason a UI item file gives no items is told, and nothing is read into the image.
TEST_F(ConfigUpgraderSound, AUiItemFileWithoutItemsSaysWhy) {
    std::string lacking = UiRecord().Text();
    lacking.erase(lacking.find("dataBitL,"), lacking.find("dataBitH,") - lacking.find("dataBitL,"));
    struct Case {
        const char* what;
        std::string uiText;  // empty: no file
        ChipFamily family;
        int32_t cfgLength;
        std::string reason;
    } cases[] = {
        {"no file", "", kFamilyNone, 186,
         "UI item file could not be loaded: .\\System\\CfgItem\\GT911_A.sc"},
        {"a record lacks a key", lacking, kFamilyNone, 186,
         "UI item file: record NO.1 lacks \"dataBitL,\""},
        {"no record at all", "just a text\n", kFamilyNone, 186,
         "UI item file holds no items: .\\System\\CfgItem\\GT911_A.sc"},
        {"a length beyond the image", sim::Gt911UiItemText(), kFamilyNone, 5000,
         "Configuration length out of range: CfgLength 5000 (at least 2), ExtCfgLength 0; the "
         "configuration image holds 4096 bytes"},
        {"a length the family cannot use", sim::Gt911UiItemText(), kFamilyGT73xx, 186,
         "Configuration length out of range: CfgLength 186 (at least 214), ExtCfgLength 0; the "
         "configuration image holds 4096 bytes"},
    };
    for (const Case& c : cases) {
        if (c.uiText.empty()) {
            std::filesystem::remove(rig.rig.folder.Path() / "System/CfgItem/GT911_A.sc");
        } else {
            rig.rig.folder.Write("System/CfgItem/GT911_A.sc", testsupport::StoredUiFile(c.uiText));
        }
        rig.family = c.family;
        rig.rig.settings.CfgLength = c.cfgLength;
        rig.rig.bridge->ClearRecords();
        auto upgrader = Upgrader();
        EXPECT_FALSE(upgrader->LoadFile(rig.File("A.cfg", kFile))) << c.what;
        EXPECT_EQ(upgrader->ItemsError(), c.reason) << c.what;
        EXPECT_EQ(upgrader->GetConfig()->Image()[0], 0) << c.what;
        EXPECT_TRUE(upgrader->Path().empty()) << c.what;
        EXPECT_TRUE(rig.rig.bridge->Requests().empty()) << c.what;
    }
}

// A family's own length rules are checked before an item is encoded: a refused encoding
// leaves the image as it was.
TEST_F(ConfigUpgraderSound, AnEncodingTheLengthsRefuseLeavesTheImage) {
    struct Case {
        const char* what;
        std::function<std::unique_ptr<CBaseConfig>(const ConfigContext&)> make;
        std::function<void(ChipIniSettings&)> breakLengths;
    } cases[] = {
        {"GT73xx block shorter than its layout",
         [](const ConfigContext& c) { return std::make_unique<C73xxConfig>(c); },
         [](ChipIniSettings& s) { s.CfgLength = 100; }},
        {"GT9Pxx extended block of one byte",
         [](const ConfigContext& c) { return std::make_unique<C9pxxConfig>(c); },
         [](ChipIniSettings& s) {
             s.ExtCfgLength = 1;
             s.ExtCfgAddr = 0x8200;
         }},
        {"block beyond the image",
         [](const ConfigContext& c) { return std::make_unique<CBaseConfig>(c); },
         [](ChipIniSettings& s) { s.CfgLength = 4097; }},
    };
    for (const Case& c : cases) {
        rig.rig.settings.CfgLength = 250;
        rig.rig.settings.ExtCfgLength = 0;
        std::unique_ptr<CBaseConfig> config = c.make(rig.Context());
        config->LoadUiFile(rig.rig.settings.ScFilePath);
        ASSERT_FALSE(config->Items().empty()) << c.what;
        for (int i = 0; i < 250; ++i) config->Image()[i] = static_cast<uint8_t>(3 * i + 1);
        config->DecodeItems();
        config->SetItemValue("Config_Version", 0x99);
        c.breakLengths(rig.rig.settings);
        const Bytes before(config->Image(), config->Image() + CBaseConfig::kImageSize);
        EXPECT_FALSE(testsupport::ThrownText([&] { config->EncodeItems(); }).empty()) << c.what;
        EXPECT_EQ(Bytes(config->Image(), config->Image() + CBaseConfig::kImageSize), before)
            << c.what;
    }
}

TEST_F(ConfigUpgraderSound, AGt79xxHeaderLengthThatIsRefusedLeavesTheImage) {
    rig.rig.folder.Write("System/CfgItem/GT911_A.sc", testsupport::StoredGt79xxVersionUiFile());
    C79xxConfig config(rig.Context());
    const Bytes image = RealisticGt79xxConfig(100);
    std::copy(image.begin(), image.end(), config.Image());
    config.UpdateChecksum();
    config.DecodeItems();
    config.SetItemValue("CfgVer", image[0] + 1);
    config.Image()[59] = 2;  // a body length below 4
    const Bytes before(config.Image(), config.Image() + CBaseConfig::kImageSize);
    EXPECT_FALSE(testsupport::ThrownText([&] { config.EncodeItems(); }).empty());
    EXPECT_EQ(Bytes(config.Image(), config.Image() + CBaseConfig::kImageSize), before);
}

// The header check of a GT79xx ".cfg" file with the family's own class: the sum of bytes 0
// to 61, every one of them counted.
TEST_F(ConfigUpgraderSound, TheGt79xxHeaderSumCountsEveryHeaderByte) {
    rig.rig.folder.Write("System/CfgItem/GT911_A.sc", testsupport::StoredGt79xxVersionUiFile());
    rig.family = kFamilyGT79xx;
    const Bytes good = RealisticGt79xxConfig(0x0110);
    for (size_t i = 0; i < 63; ++i) ASSERT_NE(good[i], 0) << i;
    const auto sumOf = [&](size_t from, size_t to) {
        uint16_t sum = 0;
        for (size_t i = from; i <= to; ++i) sum = static_cast<uint16_t>(sum + good[i]);
        return sum;
    };
    struct Case {
        const char* what;
        uint16_t sum;
        bool loads;
    } cases[] = {
        {"bytes 0 to 61", sumOf(0, 61), true},
        {"byte 0 left out", sumOf(1, 61), false},
        {"byte 61 left out", sumOf(0, 60), false},
        {"byte 62 counted too", sumOf(0, 62), false},
    };
    for (const Case& c : cases) {
        Bytes file = good;
        file[62] = static_cast<uint8_t>(c.sum);
        file[63] = static_cast<uint8_t>(c.sum >> 8);
        rig.rig.settings.CfgLength = 100;
        auto upgrader = Upgrader();
        ASSERT_NE(dynamic_cast<C79xxConfig*>(upgrader->GetConfig()), nullptr);
        const std::string thrown =
            testsupport::ThrownText([&] { upgrader->LoadFile(rig.File("A.cfg", CfgText(file))); });
        EXPECT_EQ(thrown, c.loads ? "" : "Config checksum error!") << c.what;
        if (c.loads) {
            EXPECT_EQ(rig.rig.settings.CfgLength, 0x0110 + 64);
            EXPECT_TRUE(std::equal(good.begin(), good.end(), upgrader->GetConfig()->Image()));
        }
    }
}
