#include <gtest/gtest.h>

#include "platform/Format.h"
#include "platform/TextError.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/ConfigRig.h"
#include "support/ThrownText.h"
#include "touch/config/ConfigUpgrader.h"
#include "touch/gt73xx/C73xxConfig.h"
#include "touch/gt79xx/C79xxConfig.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Values as a ".cfg" text.
std::string CfgText(const Bytes& values) {
    std::string text;
    for (uint8_t v : values) text += platform::Format("0x%02X,", v);
    return text;
}

class ConfigUpgraderTest : public ::testing::Test {
  protected:
    std::unique_ptr<CConfigUpgrader> Upgrader(
        CConfigUpgrader::ConfigFactory factory = CreateConfig) {
        return std::make_unique<CConfigUpgrader>(rig.Context(), rig.FamilyOfFile(), factory);
    }

    testsupport::ConfigRig rig;
};

}  // namespace

TEST_F(ConfigUpgraderTest, AFileWritesAndVerifiesTheChipAndTheBridgeBlock) {
    struct Case {
        bool withBridgeBlock;
        std::array<uint8_t, 24> bridgeHolds;
        bool verified;
    } cases[] = {
        {false, {}, true},
        {true, {}, true},
        // The write went astray: the bridge shows another block.
        {true, {24, 1, 2, 3}, false},
    };
    for (const Case& c : cases) {
        rig.rig.bridge->ClearRecords();
        rig.rig.bridge->SetConfigBlock({});
        auto upgrader = Upgrader();
        ASSERT_TRUE(upgrader->LoadFile(
            rig.File("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, c.withBridgeBlock))));
        EXPECT_EQ(upgrader->BridgeConfig().Present, c.withBridgeBlock);
        upgrader->WriteToDevice();
        EXPECT_EQ(rig.BridgeBlockWrites(), c.withBridgeBlock ? 1u : 0u);
        if (c.withBridgeBlock) {
            const auto requests = rig.rig.bridge->Commands();
            ASSERT_FALSE(requests.empty());
            EXPECT_EQ(requests.back().address, 0xFFFFu);  // 0xFFFFFF in the 16-bit layout
            EXPECT_EQ(rig.rig.bridge->ConfigBlock(), sim::DemoBridgeBlock());
        }
        if (c.bridgeHolds[0]) rig.rig.bridge->SetConfigBlock(c.bridgeHolds);
        EXPECT_EQ(upgrader->Verify(), c.verified) << c.withBridgeBlock;
        EXPECT_EQ(rig.ChipBlock()[0], 0x42);
    }
}

// A bridge that holds no block passes only where no block was written to it: after a write
// the block read back must be the one sent.
TEST_F(ConfigUpgraderTest, ABridgeThatHoldsNoBlockPassesOnlyWhenNoneWasWritten) {
    std::array<uint8_t, 24> noBlock{};
    noBlock[5] = 0x77;  // whatever follows a first byte 0
    for (const bool written : {false, true}) {
        rig.rig.bridge->SetConfigBlock({});
        auto upgrader = Upgrader();
        ASSERT_TRUE(
            upgrader->LoadFile(rig.File("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true))));
        upgrader->WriteToDevice();
        if (!written) {
            // The same chip configuration, the block left as loaded and never sent.
            auto fresh = Upgrader();
            ASSERT_TRUE(
                fresh->LoadFile(rig.File("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true))));
            rig.rig.bridge->SetConfigBlock(noBlock);
            EXPECT_TRUE(fresh->Verify());
            continue;
        }
        rig.rig.bridge->SetConfigBlock(noBlock);
        EXPECT_FALSE(upgrader->Verify());
    }
}

TEST_F(ConfigUpgraderTest, TheFileIsReadUpToItsBlocksAndNoFurther) {
    const std::string full = sim::Gt9xxxCfgText(0x42, 186, true);
    // A GT9Pxx main block whose byte for register 0x805A (byte 19) sends the extended block.
    Bytes sendsExt(186, 0);
    sendsExt[19] = 0x40;
    sendsExt[183] = 0xFF;
    sendsExt[184] = 0xC0;
    struct Case {
        const char* what;
        std::string text;
        std::string thrown;
        ChipFamily family = kFamilyNone;
        int32_t extLength = 0;
    } cases[] = {
        {"the blocks and more", full + "0x01,0x02,0x03", ""},
        {"the touch block alone: the bridge block is optional",
         sim::Gt9xxxCfgText(0x42, 186, false), ""},
        {"fewer values: refused whatever the checksum says", CfgText(Bytes(100, 0)),
         "Config file holds 100 values, fewer than the 186 its configuration needs"},
        {"fewer values, checksum wrong", CfgText(Bytes(100, 1)),
         "Config file holds 100 values, fewer than the 186 its configuration needs"},
        {"the flag byte left out: the program sets it", CfgText(Bytes(185, 0)), ""},
        {"two values short", CfgText(Bytes(184, 0)),
         "Config file holds 184 values, fewer than the 186 its configuration needs"},
        {"no such file", "", "Open config file failed"},
        {"more values than the image holds: the rest is ignored", CfgText(Bytes(4097, 0)), ""},
        {"GT9Pxx, an extended block that is not sent left out", CfgText(Bytes(186, 0)), "",
         kFamilyGT9Pxx, 10},
        {"GT9Pxx, the flag byte and an extended block that is not sent left out",
         CfgText(Bytes(185, 0)), "", kFamilyGT9Pxx, 10},
        {"GT9Pxx, an extended block that is sent left out", CfgText(sendsExt),
         "Config file holds 186 values, fewer than the 196 its configuration needs", kFamilyGT9Pxx,
         10},
        {"GT9Pxx, an extended block short by five", CfgText(Bytes(191, 0)),
         "Config file holds 191 values, fewer than the 196 its configuration needs", kFamilyGT9Pxx,
         10},
    };
    for (const Case& c : cases) {
        rig.family = c.family;
        rig.rig.settings.ExtCfgLength = c.extLength;
        auto upgrader = Upgrader();
        // A name of no model: the class is the family's.
        const std::string path = c.text.empty() ? ".\\none.cfg" : rig.File("B.cfg", c.text);
        EXPECT_EQ(testsupport::ThrownText([&] { upgrader->LoadFile(path); }), c.thrown) << c.what;
    }
    rig.family = kFamilyNone;
    rig.rig.settings.ExtCfgLength = 0;
    // Values 186 to 209 are the bridge block; the 211th value is not read.
    auto upgrader = Upgrader();
    ASSERT_TRUE(upgrader->LoadFile(rig.File("GT911_B.cfg", full + "0x01,0x02")));
    EXPECT_EQ(upgrader->BridgeConfig().Block, sim::DemoBridgeBlock());
}

TEST_F(ConfigUpgraderTest, WithoutItsUiItemFileNothingIsReadOrWritten) {
    rig.rig.settings.ScFilePath = ".\\System\\CfgItem\\missing.sc";
    auto upgrader = Upgrader();
    EXPECT_FALSE(upgrader->LoadFile(rig.File("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true))));
    EXPECT_EQ(upgrader->GetConfig()->Image()[0], 0);
    EXPECT_FALSE(upgrader->ReadFromDevice());
    EXPECT_TRUE(rig.rig.bridge->Requests().empty());
}

TEST_F(ConfigUpgraderTest, AFileNamedForAnotherFamilyGetsThatFamilysClass) {
    auto upgrader = Upgrader();
    rig.rig.settings.CfgLength = 250;
    ASSERT_TRUE(upgrader->LoadFile(rig.File("GT7387_A.cfg", CfgText(Bytes(250, 0)))));
    EXPECT_NE(dynamic_cast<C73xxConfig*>(upgrader->GetConfig()), nullptr);
    EXPECT_EQ(rig.rig.registry->CurrentFamily(), kFamilyGT9xxx);
}

// The GT79xx header: its checksum is checked and its body length sets CfgLength. A plain
// configuration object stands in for the family's class.
TEST_F(ConfigUpgraderTest, AGt79xxHeaderSetsTheBlockLength) {
    rig.family = kFamilyGT79xx;
    Bytes values(400, 0);
    values[59] = 0x00;
    values[60] = 0x01;  // body length 0x0100
    uint16_t sum = 0;
    for (size_t i = 0; i < 62; ++i) sum = static_cast<uint16_t>(sum + values[i]);
    values[62] = static_cast<uint8_t>(sum);
    values[63] = static_cast<uint8_t>(sum >> 8);
    uint8_t body = 0;
    for (size_t i = 0; i < 318; ++i) body = static_cast<uint8_t>(body + values[i]);
    values[318] = static_cast<uint8_t>(-body);
    const auto plain = [](ChipFamily, const ConfigContext& context) {
        return std::make_unique<CBaseConfig>(context);
    };
    auto upgrader = Upgrader(plain);
    ASSERT_TRUE(upgrader->LoadFile(rig.File("A.cfg", CfgText(values))));
    EXPECT_EQ(rig.rig.settings.CfgLength, 320);

    values[62] ^= 1;
    EXPECT_EQ(testsupport::ThrownText(
                  [&] { Upgrader(plain)->LoadFile(rig.File("A.cfg", CfgText(values))); }),
              "Config checksum error!");
    // Fewer values than the header states, or than the header itself.
    values[62] ^= 1;
    for (const auto& [held, needed] : {std::pair{319, 320}, {63, 64}}) {
        EXPECT_EQ(testsupport::ThrownText([&] {
                      Upgrader(plain)->LoadFile(
                          rig.File("A.cfg", CfgText(Bytes(values.begin(), values.begin() + held))));
                  }),
                  platform::Format("Config file holds %d values, fewer than the %d its "
                                   "configuration needs",
                                   held, needed));
    }
}

TEST_F(ConfigUpgraderTest, ReadFromDeviceDecodesTheChipsConfiguration) {
    auto writer = Upgrader();
    ASSERT_TRUE(writer->LoadFile(rig.File("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true))));
    writer->WriteToDevice();
    auto reader = Upgrader();
    ASSERT_TRUE(reader->ReadFromDevice());
    EXPECT_EQ(reader->GetConfig()->GetVersion(), 0x42);
    EXPECT_TRUE(reader->BridgeConfig().Present);
    int x = 0;
    reader->GetConfig()->GetItemValue("X_Resolution", x);
    EXPECT_EQ(x, 1024);
}

// A UTF-8 byte-order mark before the first value is no part of it: the same file with and
// without the mark loads the same bytes, for each family and for the reader of a GT79xx
// configuration that travels with its image. The first value is written without "0x", so that
// the mark's last byte would join it.
TEST_F(ConfigUpgraderTest, AByteOrderMarkBeforeTheValuesIsSkipped) {
    struct Case {
        const char* what;
        ChipFamily family;
        int32_t cfgLength;
        bool travelling = false;
    } cases[] = {
        {"GT9xxx", kFamilyGT9xxx, 186},
        {"GT9Pxx", kFamilyGT9Pxx, 186},
        {"GT73xx", kFamilyGT73xx, 250},
        {"GT79xx", kFamilyGT79xx, 186},
        {"GT79xx with its image", kFamilyGT79xx, 186, true},
    };
    for (const Case& c : cases) {
        rig.family = c.family;
        rig.rig.settings.CfgLength = c.cfgLength;
        Bytes values;
        if (c.family == kFamilyGT79xx) {
            rig.rig.folder.Write("System/CfgItem/GT911_A.sc",
                                 testsupport::StoredGt79xxVersionUiFile());
            values = sim::MakeGt79xxConfig(100);
            values[0] = 0xA1;
            const uint16_t sum = C79xxConfig::ByteSum16(values.data(), 62);
            values[62] = static_cast<uint8_t>(sum);
            values[63] = static_cast<uint8_t>(sum >> 8);
        } else {
            auto sealed = CreateConfig(c.family, rig.Context());
            sealed->Image()[0] = 0xA1;
            sealed->UpdateChecksum();
            values.assign(sealed->Image(), sealed->Image() + c.cfgLength);
        }
        const std::string text = "A1," + CfgText(Bytes(values.begin() + 1, values.end()));
        for (const std::string mark : {"", "\xEF\xBB\xBF"}) {
            SCOPED_TRACE(std::string(c.what) + (mark.empty() ? "" : ", with the mark"));
            const std::string path = rig.File("A.cfg", mark + text);
            Bytes loaded;
            if (c.travelling) {
                C79xxConfig config(rig.Context());
                config.LoadCfgText(path);
                loaded.assign(config.Image(), config.Image() + config.ImageLength());
            } else {
                auto upgrader = Upgrader();
                EXPECT_EQ(testsupport::ThrownText([&] { upgrader->LoadFile(path); }), "");
                loaded.assign(upgrader->GetConfig()->Image(),
                              upgrader->GetConfig()->Image() + values.size());
            }
            EXPECT_EQ(loaded, values);
        }
    }
}
