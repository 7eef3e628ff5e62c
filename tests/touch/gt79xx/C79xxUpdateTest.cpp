#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/Format.h"
#include "resources/UiLanguage.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "support/MockRegisterAccess.h"
#include "support/RecordingLog.h"
#include "support/ThrownText.h"
#include "touch/DownloadFamilies.h"
#include "touch/TouchRig.h"
#include "touch/gt79xx/C79xxUpdate.h"

using ::testing::_;
using ::testing::Return;
using testsupport::RecordingLog;

namespace {

constexpr std::array<uint8_t, 4> kNewVersion = {0x02, 0x00, 0x01, 0x1A};

// A GT79xx bridge with a simulated chip on its old firmware, the registry on family 4.
class Gt79xxDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        resources::SetThreadUiLanguage(resources::kLangEnglish);
        chip_ = std::make_shared<sim::SimGt79xx>("7936", std::array<uint8_t, 4>{1, 0, 0, 1});
        ASSERT_TRUE(rig_.Start(chip_));
        ASSERT_EQ(rig_.registry->CurrentFamily(), kFamilyGT79xx);
    }

    std::string WriteImage(const std::vector<uint8_t>& image) {
        rig_.folder.Write("G7936.bin", std::string(image.begin(), image.end()));
        return (rig_.folder.Path() / "G7936.bin").string();
    }

    std::unique_ptr<C79xxUpdate> Load(const std::vector<uint8_t>& image) {
        auto update = std::make_unique<C79xxUpdate>(
            UpdaterContext{rig_.device(), rig_.clock, *rig_.registry, rig_.settings, &log_});
        EXPECT_TRUE(update->LoadFirmwareFile(WriteImage(image)));
        return update;
    }

    TouchRig rig_{0x0401};
    std::shared_ptr<sim::SimGt79xx> chip_;
    RecordingLog log_;
};

std::vector<uint8_t> Bytes(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

}  // namespace

TEST_F(Gt79xxDownload, SubImagesGoOutInChunksAtTheirAddresses) {
    // Type 1 is never written as firmware; type 2 follows every other row although it
    // comes first; 10000 bytes are three chunks; an empty sub-image is one empty chunk.
    const auto image = sim::BuildGt79xxImage("7936", kNewVersion,
                                             {{2, 0x40000, Bytes(300, 1)},
                                              {1, 0x57000, Bytes(64, 2)},
                                              {5, 0x1000, Bytes(10000, 3)},
                                              {6, 0x9000, {}}});
    auto update = Load(image);
    ASSERT_TRUE(update->Update());
    std::vector<std::tuple<int, uint32_t, uint32_t>> chunks;
    for (const auto& c : chip_->Chunks()) chunks.emplace_back(c.type, c.target, c.length);
    EXPECT_EQ(chunks, (std::vector<std::tuple<int, uint32_t, uint32_t>>{{5, 0x1000, 4096},
                                                                        {5, 0x2000, 4096},
                                                                        {5, 0x3000, 1808},
                                                                        {6, 0x9000, 0},
                                                                        {2, 0x40000, 300}}));
    EXPECT_TRUE(
        std::equal(image.begin() + 512 + 300 + 64, image.end(), chip_->Flash().begin() + 0x1000));
}

TEST(Gt79xxUpdateTest, FailedFinalResetIsReportedAndTheClosingRunsAgain) {
    testsupport::MockRegisterAccess bridge;
    ChipIniSettings settings;
    TouchRig rig(0x0401);
    RecordingLog log;
    C79xxUpdate update({bridge, rig.clock, *rig.registry, settings, &log});
    const auto image =
        sim::BuildGt79xxImage("7988", kNewVersion, {{1, 0x57000, {}}, {3, 0, Bytes(16, 1)}});
    rig.folder.Write("G.bin", std::string(image.begin(), image.end()));
    ASSERT_TRUE(update.LoadFirmwareFile((rig.folder.Path() / "G.bin").string()));
    EXPECT_EQ(update.GetFirmwareVersionText(), "GT7987P_02.00.01.1A");

    EXPECT_CALL(bridge, Exchange(_, nullptr, 0, _))
        .WillOnce([](const RequestForm& form, uint8_t*, uint32_t, std::array<uint8_t, 6>* header) {
            EXPECT_EQ(form.command, kCmdUpdateProbe);
            EXPECT_EQ(form.timeoutMs, 1000u);
            EXPECT_EQ(form.end, QueueEnd::Front);
            (*header)[0] = 36;
            return true;
        });
    EXPECT_CALL(bridge, ReadByte(0xD807)).WillOnce(Return(0x00)).WillOnce(Return(0xFF));
    EXPECT_CALL(bridge, ReadRegs(0x1001E, _, 6, 100))
        .WillRepeatedly([](auto, uint8_t* b, auto, auto) {
            b[3] = 'I', b[4] = 'S', b[5] = 'P';
            return true;
        });
    EXPECT_CALL(bridge, ReadRegs(0x10000, _, 8, 100)).WillOnce([](auto, uint8_t* b, auto, auto) {
        std::fill(b, b + 8, 0x55);
        return true;
    });
    EXPECT_CALL(bridge, ReadRegs(0x57000, _, 0, 100)).WillOnce(Return(true));
    EXPECT_CALL(bridge, WriteRegs(_, _, _)).WillRepeatedly(Return(true));
    EXPECT_CALL(bridge, WriteByte(_, _)).WillRepeatedly(Return(true));
    EXPECT_CALL(bridge, PollByte(0x13400, 0xEE, 50)).WillRepeatedly(Return(true));
    EXPECT_CALL(bridge, SendBridgeCommand(_)).WillRepeatedly(Return(true));
    EXPECT_CALL(bridge, ResetChip()).Times(2).WillOnce(Return(false)).WillOnce(Return(true));
    EXPECT_FALSE(update.Update());
    using testsupport::Logged;
    EXPECT_EQ(downloads::Stages(log),
              (downloads::Log{
                  Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kDownloadIsp, LogBusy),
                  Logged(msg::kResetChipFailed, LogError), Logged(msg::kResetChip, LogInfo)}));
}

TEST(Gt79xxUpdateTest, ProbeFailsTenTimesUnderAnotherHeaderLayout) {
    testsupport::MockRegisterAccess bridge;
    ChipIniSettings settings;
    TouchRig rig(0x0401);
    C79xxUpdate update({bridge, rig.clock, *rig.registry, settings, nullptr});
    EXPECT_CALL(bridge, SendBridgeCommand(kCmdUpdateEntryFirst)).WillOnce(Return(true));
    EXPECT_CALL(bridge, SendBridgeCommand(kCmdUpdateEntrySecond)).WillOnce(Return(true));
    // Under an unpacked layout the header's first byte is the request type 0.
    EXPECT_CALL(bridge, Exchange(_, nullptr, 0, _)).Times(10).WillRepeatedly(Return(true));
    EXPECT_CALL(bridge, WriteByte(_, _)).Times(0);
    EXPECT_FALSE(update.EnterUpdateMode());
}

TEST_F(Gt79xxDownload, ConfigurationFileTravelsWithTheFirmware) {
    const auto image = sim::BuildGt79xxImage("7936", kNewVersion,
                                             {{1, 0x57000, Bytes(64, 2)}, {3, 0, Bytes(300, 1)}});
    // The file's values (a configuration of this body length, cut to `values` values or
    // followed by values up to that count), the chunk the configuration goes out as (0: not
    // sent) and the load's refusal.
    struct Case {
        uint16_t body;
        size_t values;
        uint32_t chunk;
        std::string thrown;
    } cases[] = {
        {136, 200, 256, ""},
        {192, 256, 256, ""},
        {4031, 4095, 4096, ""},
        {4032, 4096, 0, ""},
        {4032, 5000, 0, ""},
        // A bridge block and more values after the body: the chip's configuration is the
        // header and the body, as many values as the header states (also far beyond the
        // 4,096 the image holds).
        {444, 508 + 24 + 300, 512, ""},
        {500, 564 + 24 + 3600, 768, ""},
        {136, 0, 0, "Config file holds 0 values, fewer than the 64 its configuration needs"},
        {136, 199, 0, "Config file holds 199 values, fewer than the 200 its configuration needs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values);
        std::vector<uint8_t> values = sim::MakeGt79xxConfig(c.body);
        values.resize(c.values, 0x5A);
        std::string text;
        for (uint8_t value : values) text += platform::Format("0x%02X,", value);
        rig_.folder.Write("touch.cfg", text);
        auto chip = std::make_shared<sim::SimGt79xx>();
        chip->Attach(*rig_.bridge);
        C79xxUpdate update({rig_.device(), rig_.clock, *rig_.registry, rig_.settings, nullptr});
        const std::string thrown = testsupport::ThrownText([&] {
            update.LoadFirmwareFile(WriteImage(image), (rig_.folder.Path() / "touch.cfg").string());
        });
        EXPECT_EQ(thrown, c.thrown);
        if (!thrown.empty()) continue;
        const uint32_t length = c.body + 64u;  // the header's
        EXPECT_EQ(update.ConfigLength(), c.chunk ? length : 0);
        ASSERT_TRUE(update.Update());
        const auto chunks = chip->Chunks();
        ASSERT_FALSE(chunks.empty());
        if (c.chunk == 0) {
            EXPECT_EQ(chunks.front().type, 3);
            continue;
        }
        EXPECT_EQ(chunks.front().type, 2);
        EXPECT_EQ(chunks.front().target, 0x40000u);
        EXPECT_EQ(chunks.front().length, c.chunk);
        // The header and the body, then 0xFF up to the chunk's end.
        for (uint32_t i = 0; i < c.chunk; ++i) {
            ASSERT_EQ(chip->Flash()[0x40000 + i], i < length ? values[i] : 0xFF) << i;
        }
    }
}

TEST_F(Gt79xxDownload, ConfigurationFileThatCannotBeOpenedEndsTheLoad) {
    C79xxUpdate update({rig_.device(), rig_.clock, *rig_.registry, rig_.settings, nullptr});
    const std::string missing = (rig_.folder.Path() / "missing.cfg").string();
    EXPECT_EQ(testsupport::ThrownText([&] {
                  update.LoadFirmwareFile(WriteImage(sim::MakeGt79xxImage("7936", kNewVersion)),
                                          missing);
              }),
              "Open config file failed");
    // Another family than GT79xx ignores the configuration path.
    TouchRig gt9(0x0101);
    C79xxUpdate other({gt9.device(), gt9.clock, *gt9.registry, gt9.settings, nullptr});
    gt9.folder.Write("G.bin", "0123456789");
    EXPECT_TRUE(other.LoadFirmwareFile((gt9.folder.Path() / "G.bin").string(), missing));
    EXPECT_EQ(other.ConfigLength(), 0u);
}
