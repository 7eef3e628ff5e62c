#include "touch/DownloadFamilies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "sim/gt73xx/Gt73xxImage.h"
#include "sim/gt73xx/SimGt73xxFlash.h"
#include "sim/gt79xx/Gt79xxImage.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9pxx/Gt9pxxImage.h"
#include "sim/gt9pxx/SimGt9pxxFlash.h"
#include "sim/gt9xxx/Gt9xxxImage.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "touch/gt73xx/C73xxUpdate.h"
#include "touch/gt79xx/C79xxUpdate.h"
#include "touch/gt9pxx/C9PxxUpdate.h"
#include "touch/gt9xxx/C9xxxUpdate.h"

namespace downloads {

namespace {

using testsupport::Logged;
using Outcome = BadImage::Outcome;

// Bytes of an image or a flash from an offset.
Image Part(const std::vector<uint8_t>& of, uint32_t offset, uint32_t length) {
    return {of.begin() + offset, of.begin() + offset + length};
}

// Bytes counting up by 7 from a seed.
Image Bytes(size_t length, uint8_t seed) {
    Image bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

template <class Updater>
std::function<std::unique_ptr<CFwUpdate>(const UpdaterContext&)> Make() {
    return [](const UpdaterContext& context) { return std::make_unique<Updater>(context); };
}

// GT9xxx: a GT9110 on firmware 1050 behind a GT9xxx bridge (model 0x0102).

const Log kGt9xxxStages = {
    Logged(msg::kUpgradeInit, LogBusy),        Logged(msg::kDownloadIsp, LogBusy),
    Logged(msg::kEraseBootloader, LogBusy),    Logged(msg::kDownloadSs51, LogBusy),
    Logged(msg::kDownloadDsp, LogBusy),        Logged(msg::kDownloadLink, LogBusy),
    Logged(msg::kDownloadBootloader, LogBusy), Logged(msg::kDownloadBootIsp, LogBusy)};

// The stages up to one that fails with its own message.
Log Gt9xxxStagesUpTo(size_t failedStage, msg::MessageId failure) {
    Log log(kGt9xxxStages.begin(), kGt9xxxStages.begin() + failedStage + 1);
    log.push_back(Logged(failure, LogError));
    return log;
}

Family Gt9xxx() {
    using Chip = sim::SimGt9xxxFlash;
    Family row;
    row.name = "GT9xxx";
    row.bridgeModel = 0x0102;
    row.image = [] { return sim::MakeGt9xxxImage("9110", 0x1060, 7); };
    row.chip = [] { return MakeGt9xxx("9110", 0x1050); };
    row.updater = Make<C9xxxUpdate>();
    row.flashHoldsImage = [](sim::SimChip& chip, const Image& image) {
        return sim::FlashHoldsImage(static_cast<Chip&>(chip).flash(), image);
    };
    row.identity = "GT9110_1060";
    row.identifiedByDetection = false;
    row.fileTimeChecked = true;
    row.stages = kGt9xxxStages;
    row.checkClean = [](UpdaterRig& rig, sim::SimChip& simChip, const Image& image, CFwUpdate&) {
        auto& chip = static_cast<Chip&>(simChip);
        const Chip::Flash& flash = chip.flash();
        for (uint32_t i = 0; i < 4; ++i)
            EXPECT_EQ(flash.ss51[i], Part(image, 0x0E + 0x2000 * i, 8192)) << i;
        EXPECT_EQ(flash.dsp, Part(image, 0x800E, 4096));
        EXPECT_EQ(flash.bootloader, Part(image, 0x900E, 2048));
        EXPECT_EQ(flash.bootIsp, Part(image, 0x980E, 2048));
        EXPECT_EQ(flash.link1, Part(image, 0xA00E, 8192));
        EXPECT_EQ(flash.link2, Part(image, 0xC00E, 4096));
        EXPECT_EQ(chip.IspStub(), Part(image, static_cast<uint32_t>(image.size()) - 4096, 4096));
        // The identity registers show the image's product id and version (low byte first).
        uint8_t identity[6] = {};
        ASSERT_TRUE(rig.device().ReadRegs(0x8140, identity, 6, 200));
        EXPECT_EQ(std::string(identity, identity + 4), "9110");
        EXPECT_EQ(identity[4], 0x60);
        EXPECT_EQ(identity[5], 0x10);
    };
    auto fault = [](std::function<void(Chip::Faults&)> set) {
        return On<Chip>([set](Chip& chip) { set(chip.faults()); });
    };
    row.faults = {
        {"HoldNeverTakes", fault([](auto& f) { f.holdNeverTakes = true; }),
         Gt9xxxStagesUpTo(0, msg::kUpgradeInitFailed)},
        {"WatchdogStaysOn", fault([](auto& f) { f.watchdogStaysOn = true; }),
         Gt9xxxStagesUpTo(0, msg::kUpgradeInitFailed)},
        {"BurnNeverCompletes", fault([](auto& f) { f.burnNeverCompletes = true; }),
         Gt9xxxStagesUpTo(2, msg::kEraseBootloaderFailed)},
        {"Ss51ReadsBackWrong", fault([](auto& f) { f.corruptReadBackOfCommand = 1; }),
         Gt9xxxStagesUpTo(3, msg::kDownloadSs51Failed)},
        {"DspReadsBackWrong", fault([](auto& f) { f.corruptReadBackOfCommand = 5; }),
         Gt9xxxStagesUpTo(4, msg::kDownloadDspFailed)},
        {"LinkReadsBackWrong", fault([](auto& f) { f.corruptReadBackOfCommand = 8; }),
         Gt9xxxStagesUpTo(5, msg::kDownloadLinkFailed)},
        {"BootIspReadsBackWrong", fault([](auto& f) { f.corruptReadBackOfCommand = 7; }),
         Gt9xxxStagesUpTo(7, msg::kDownloadBootIspFailed)},
    };
    // The read-back after every other burn command, swept only.
    for (int command : {2, 3, 4, 6, 9}) {
        row.faults.push_back({"ReadBackWrongAfterCommand" + std::to_string(command),
                              fault([command](auto& f) { f.corruptReadBackOfCommand = command; }),
                              {}});
    }
    row.gone = fault([](auto& f) { f.goneAfterReset = true; });
    row.goneSucceeds = true;
    row.goneIsNotDetected = true;
    // The layout ends with the link sections (0xD00E); 512000 bytes is the most the image
    // buffer holds.
    auto length = [](uint32_t bytes) {
        return [bytes](Image& image) { image.resize(bytes, 0x33); };
    };
    row.badImages = {
        {"EndsInTheBootIsp", length(0xA80E), Outcome::Refused},
        {"EndsBeforeTheBootIsp", length(0x980D), Outcome::Refused},
        {"EndsBeforeTheLink", length(0xA00D), Outcome::Refused},
        {"EndsWithTheLink", length(0xD00E), Outcome::Loads},
        {"FillsTheBuffer", length(512000), Outcome::Loads},
        {"LongerThanTheBuffer", length(512001), Outcome::Refused},
    };
    // Each stage ends at its first failed step; the longest step is an 8192-byte block write
    // whose 144 reports each wait out their 200 ms; the download's own pauses and the short
    // waits of the failing reads add less than a second.
    row.boundMs = 144 * 200 + 1000;
    row.unwatchedLastReports = 0;
    return row;
}

// GT9Pxx: a GT9286 on firmware 01.02.03 behind a bridge that selects no family.

Family Gt9pxx() {
    using Chip = sim::SimGt9pxxFlash;
    using Block = Chip::Block;
    Family row;
    row.name = "GT9Pxx";
    row.bridgeModel = 0x0999;
    row.image = [] { return sim::MakeGt9pxxImage("9286", {1, 2, 4}, 3); };
    row.chip = [] { return std::make_shared<Chip>("9286", std::array<uint8_t, 3>{1, 2, 3}); };
    row.updater = Make<C9PxxUpdate>();
    // The sections' data follow each other from 0x880; a section's flash address is its
    // address word times 256.
    row.flashHoldsImage = [](sim::SimChip& chip, const Image& image) {
        const std::vector<uint8_t>& flash = static_cast<Chip&>(chip).flash();
        uint32_t offset = 0x880;
        for (const sim::Gt9pxxSection& section : sim::kGt9pxxSections) {
            const uint32_t at = uint32_t{section.addressWord} << 8;
            if (Part(flash, at, section.length) != Part(image, offset, section.length))
                return false;
            offset += section.length;
        }
        return true;
    };
    row.identity = "GT9286_01.02.04";
    row.identifiedByDetection = true;
    row.fileTimeChecked = true;
    row.stages = {Logged(msg::kUpgradeInit, LogInfo), Logged(msg::kDownloadIsp, LogBusy),
                  Logged(msg::kDownloadSs51, LogBusy), Logged(msg::kTouchUpgradeFinished, LogInfo)};
    row.checkClean = [](UpdaterRig& rig, sim::SimChip& simChip, const Image& image, CFwUpdate&) {
        auto& chip = static_cast<Chip&>(simChip);
        // The 5000-byte section goes out as 4096 and 904 bytes, its address word growing by
        // 0x10.
        EXPECT_EQ(chip.Blocks(), (std::vector<Block>{{1, 0x0000, 4096},
                                                     {1, 0x0010, 4096},
                                                     {2, 0x0200, 4096},
                                                     {2, 0x0210, 904},
                                                     {3, 0x0400, 2048}}));
        EXPECT_EQ(Part(chip.flash(), 0, 0x2000), Part(image, 0x880, 0x2000));
        EXPECT_EQ(Part(chip.flash(), 0x20000, 5000), Part(image, 0x2880, 5000));
        EXPECT_EQ(Part(chip.flash(), 0x40000, 2048), Part(image, 0x2880 + 5000, 2048));
        EXPECT_EQ(chip.IspStub(), Part(image, 128, 2048));
        EXPECT_EQ(chip.DownloadEnds(), 1);
        EXPECT_EQ(rig.CommandNumbers(), (std::vector<int>{4, 18}));
    };
    auto fault = [](std::function<void(sim::SimGtFlashFaults&)> set) {
        return On<Chip>([set](Chip& chip) { set(chip.faults()); });
    };
    // The failing steps reset the chip and end the download.
    const Log stubFails = {Logged(msg::kUpgradeInit, LogInfo), Logged(msg::kDownloadIsp, LogBusy),
                           Logged(msg::kDownloadIspFailed, LogError),
                           Logged(msg::kTouchUpgradeFailed, LogError)};
    row.faults = {
        {"HoldRefused",
         fault([](auto& f) { f.holdRefusals = 1000; }),
         {Logged(msg::kUpgradeInitFailed, LogError)},
         {4}},
        {"StubReadsBackWrong",
         fault([](auto& f) { f.stubReadsBackWrong = true; }),
         stubFails,
         {4, 4, 18}},
        {"StubNeverReady", fault([](auto& f) { f.stubNeverReady = true; }), stubFails, {4, 4, 18}},
        {"BlockNeverConfirmed",
         fault([](auto& f) { f.blockNeverConfirmed = 4; }),
         {Logged(msg::kUpgradeInit, LogInfo), Logged(msg::kDownloadIsp, LogBusy),
          Logged(msg::kDownloadSs51, LogBusy), Logged(msg::kTouchUpgradeFailed, LogError)},
         {4, 4, 18}},
    };
    row.gone = fault([](auto& f) { f.goneAfterRestart = true; });
    row.goneSucceeds = true;
    row.goneIsNotDetected = true;
    row.badImages = {
        {"Whole", [](Image&) {}, Outcome::Loads},
        {"LastByteMissing", [](Image& i) { i.pop_back(); }, Outcome::Refused},
        {"SectionCount255", [](Image& i) { i[24] = 255; }, Outcome::Refused},
        {"NoRoomForTheIspStub",
         [](Image& i) {
             i[24] = 0;
             i.resize(0x87F);
         },
         Outcome::Refused},
        {"HeaderAndStubOnly",
         [](Image& i) {
             i[24] = 1;
             i.resize(0x880);
         },
         Outcome::Loads},
    };
    // The longest step is a 4096-byte block write whose 72 reports each wait out their
    // 200 ms; the pauses and the short waits of the failing reads add less than a second.
    row.boundMs = 72 * 200 + 1000;
    // The restart's bridge command 18 and the read that follows it.
    row.unwatchedLastReports = 2;
    return row;
}

// GT73xx: a GT7387 on firmware 01.02.03 behind a GT73xx bridge (model 0x0301).

Family Gt73xx() {
    using Chip = sim::SimGt73xxFlash;
    Family row;
    row.name = "GT73xx";
    row.bridgeModel = 0x0301;
    row.image = [] { return sim::MakeGt73xxImage("7387", {1, 2, 4}, 5); };
    row.chip = [] { return std::make_shared<Chip>("7387", std::array<uint8_t, 3>{1, 2, 3}); };
    row.updater = Make<C73xxUpdate>();
    // The bootloader, the Gm11 code and the G1 code's three regions.
    row.flashHoldsImage = [](sim::SimChip& chip, const Image& image) {
        const std::vector<uint8_t>& flash = static_cast<Chip&>(chip).flash();
        return Part(flash, 0x3D000, 2048) == Part(image, 0x1100, 2048) &&
               Part(flash, 0, 0x1F000) == Part(image, 0x1900, 0x1F000) &&
               Part(flash, 0x20000, 0x8000) == Part(image, 0x22900, 0x8000) &&
               Part(flash, 0x28000, 0x2000) == Part(image, 0x20900, 0x2000) &&
               Part(flash, 0x2A000, 0x4000) == Part(image, 0x2A900, 0x4000);
    };
    row.identity = "GT7387_01.02.04";
    row.identifiedByDetection = true;
    row.fileTimeChecked = false;
    row.stages = {Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kDownloadIsp, LogBusy),
                  Logged(msg::kDownloadBootloader, LogBusy),
                  Logged(msg::kDownloadGm11Code, LogBusy), Logged(msg::kDownloadG1Code, LogBusy)};
    row.checkClean = [](UpdaterRig&, sim::SimChip& simChip, const Image& image, CFwUpdate&) {
        auto& chip = static_cast<Chip&>(simChip);
        EXPECT_EQ(chip.IspStub(), Part(image, 0x100, 4096));
        EXPECT_EQ(Part(chip.flash(), 0x3D000, 2048), Part(image, 0x1100, 2048));
        EXPECT_EQ(Part(chip.flash(), 0, 0x1F000), Part(image, 0x1900, 0x1F000));
        EXPECT_EQ(Part(chip.flash(), 0x20000, 0x8000), Part(image, 0x22900, 0x8000));
        EXPECT_EQ(Part(chip.flash(), 0x28000, 0x2000), Part(image, 0x20900, 0x2000));
        EXPECT_EQ(Part(chip.flash(), 0x2A000, 0x4000), Part(image, 0x2A900, 0x4000));
        EXPECT_EQ(chip.BlocksWritten(), 1 + 16 + 7);
        EXPECT_FALSE(chip.SessionOpen());
        EXPECT_EQ(chip.Restarts(), 1);
    };
    auto fault = [](std::function<void(sim::SimGtFlashFaults&)> set) {
        return On<Chip>([set](Chip& chip) { set(chip.faults()); });
    };
    const std::vector<int> closed = {43, 41, 6, 42, 40};
    const Log upToIsp = {Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kDownloadIsp, LogBusy)};
    auto then = [](Log log, std::initializer_list<testsupport::RecordingLog::Entry> more) {
        log.insert(log.end(), more);
        return log;
    };
    row.faults = {
        {"HoldRefused",
         fault([](auto& f) { f.holdRefusals = 1000; }),
         {Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kUpgradeInitFailed, LogError)},
         {43, 41, 6, 4}},
        {"StubReadsBackWrong", fault([](auto& f) { f.stubReadsBackWrong = true; }),
         then(upToIsp, {Logged(msg::kDownloadIspFailed, LogError)}), closed},
        {"StubNeverReady", fault([](auto& f) { f.stubNeverReady = true; }),
         then(upToIsp, {Logged(msg::kDownloadIspFailed, LogError)}), closed},
        {"BootloaderNeverConfirmed", fault([](auto& f) { f.blockNeverConfirmed = 1; }),
         then(upToIsp, {Logged(msg::kDownloadBootloader, LogBusy),
                        Logged(msg::kDownloadBootloaderFailed, LogError)}),
         closed},
        {"Gm11NeverConfirmed", fault([](auto& f) { f.blockNeverConfirmed = 2; }),
         then(upToIsp,
              {Logged(msg::kDownloadBootloader, LogBusy), Logged(msg::kDownloadGm11Code, LogBusy),
               Logged(msg::kDownloadGm11CodeFailed, LogError)}),
         closed},
        {"G1NeverConfirmed", fault([](auto& f) { f.blockNeverConfirmed = 24; }),
         then(
             upToIsp,
             {Logged(msg::kDownloadBootloader, LogBusy), Logged(msg::kDownloadGm11Code, LogBusy),
              Logged(msg::kDownloadG1Code, LogBusy), Logged(msg::kDownloadG1CodeFailed, LogError)}),
         closed},
    };
    row.gone = fault([](auto& f) { f.goneAfterRestart = true; });
    row.goneSucceeds = true;
    row.goneIsNotDetected = true;
    auto setLength = [](uint32_t length) {
        return [length](Image& image) {
            for (int i = 0; i < 4; ++i) image[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
        };
    };
    const Log sumFails = {Logged(msg::kTouchBinFileError, LogError)};
    row.badImages = {
        {"ShorterThanTheRegions",
         [](Image& i) {
             i.resize(0x2E8FF);
             sim::SealGt73xxImage(i);
         },
         Outcome::Refused},
        // The length and sum checks are the download's own: such an image loads and fails them.
        {"LengthFieldOnePastTheEnd",
         [setLength](Image& i) { setLength(static_cast<uint32_t>(i.size() - 5))(i); },
         Outcome::FailsInUpdate, sumFails},
        {"LengthFieldFarPastTheEnd", setLength(0xFFFFFFFF), Outcome::FailsInUpdate, sumFails},
        {"LengthFieldCoversLess", setLength(100), Outcome::FailsInUpdate, sumFails},
        {"SumDiffers", [](Image& i) { i[4] ^= 1; }, Outcome::FailsInUpdate, sumFails},
    };
    // The longest step is an 8192-byte write whose 144 reports each wait out their 200 ms;
    // the pauses and the short waits of the failing reads add less than a second.
    row.boundMs = 144 * 200 + 1000;
    // The closing bridge commands 42 and 40.
    row.unwatchedLastReports = 2;
    return row;
}

// GT79xx: a GT7936 on firmware 01.00.00.01 behind a GT79xx bridge (model 0x0401).

constexpr std::array<uint8_t, 4> kGt79xxVersion = {0x02, 0x00, 0x01, 0x1A};

uint32_t LittleEndian(const uint8_t* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (uint32_t{at[3]} << 24);
}

Family Gt79xx() {
    using Chip = sim::SimGt79xx;
    Family row;
    row.name = "GT79xx";
    row.bridgeModel = 0x0401;
    row.image = [] { return sim::MakeGt79xxImage("7936", kGt79xxVersion, 3); };
    row.chip = [] { return std::make_shared<Chip>("7936", std::array<uint8_t, 4>{1, 0, 0, 1}); };
    row.updater = Make<C79xxUpdate>();
    // Every sub-image but the ISP stub (type 1) at its load address; the table at 42, ten
    // bytes a row (type, length, load address), the data from 512 in table order.
    row.flashHoldsImage = [](sim::SimChip& chip, const Image& image) {
        const std::vector<uint8_t>& flash = static_cast<Chip&>(chip).Flash();
        uint32_t offset = 512;
        for (size_t row = 0; row < image[29]; ++row) {
            const uint8_t* entry = image.data() + 42 + 10 * row;
            const uint32_t length = LittleEndian(entry + 1), at = LittleEndian(entry + 5);
            if (entry[0] != 1 && Part(flash, at, length) != Part(image, offset, length))
                return false;
            offset += length;
        }
        return true;
    };
    row.identity = "GT7936_02.00.01.1A";
    row.identifiedByDetection = true;
    row.fileTimeChecked = true;
    row.stages = {Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kDownloadIsp, LogBusy),
                  Logged(msg::kResetChip, LogInfo)};
    row.checkClean = [](UpdaterRig& rig, sim::SimChip& simChip, const Image& image,
                        CFwUpdate& update) {
        auto& chip = static_cast<Chip&>(simChip);
        EXPECT_EQ(rig.CommandNumbers(), (std::vector<int>{43, 41, 36, 42, 40, 4}));
        // Firmware in table order, the configuration last, each in chunks of at most 4096
        // bytes.
        const auto& flash = chip.Flash();
        const uint8_t* data = image.data() + 512 + 8192;
        EXPECT_TRUE(std::equal(data, data + 128 * 1024, flash.begin()));
        EXPECT_TRUE(
            std::equal(data + 128 * 1024, data + 128 * 1024 + 40000, flash.begin() + 0x20000));
        const auto chunks = chip.Chunks();
        ASSERT_EQ(chunks.size(), 32u + 10u + 1u);
        EXPECT_EQ(chunks[41].length, 40000u - 9 * 4096);
        EXPECT_EQ(chunks.back().type, 2);
        EXPECT_EQ(chunks.back().target, 0x40000u);
        EXPECT_TRUE(update.CheckFirmwareFile());
        std::vector<std::string> progress;
        for (const auto& e : rig.log.entries()) {
            if (e.kind == LogProgress) progress.push_back(e.text);
        }
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.front(), "[GTxxxx]Download bin file:0%");
        EXPECT_EQ(progress.back(), "[GTxxxx]Download bin file:100%");
    };
    // The firmware runs once it is in flash, even when its configuration was refused.
    const std::vector<int> closing = {42, 40, 4};
    const Log downloadFails = {
        Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kDownloadIsp, LogBusy),
        Logged(msg::kDownloadBinFileFailed, LogError), Logged(msg::kResetChip, LogInfo)};
    row.faults = {
        {"FirmwareRefused",
         On<Chip>([](Chip& c) { c.faults().rejectSubImageType = 3; }),
         downloadFails,
         {},
         closing,
         "GT7936_01.00.00.01"},
        {"ConfigurationRefused",
         On<Chip>([](Chip& c) { c.faults().rejectSubImageType = 2; }),
         downloadFails,
         {},
         closing,
         "GT7936_02.00.01.1A"},
        {"ChunksNeverAcknowledged",
         On<Chip>([](Chip& c) { c.faults().neverAcknowledge = true; }),
         downloadFails,
         {},
         closing,
         "GT7936_01.00.00.01"},
        {"NoIspRow",
         [](sim::SimChip&, Image& image) {
             image = sim::BuildGt79xxImage("7936", kGt79xxVersion, {{3, 0, Bytes(100, 1)}});
         },
         {Logged(msg::kUpgradeInit, LogBusy), Logged(msg::kDownloadIsp, LogBusy),
          Logged(msg::kDownloadIspFailed, LogError), Logged(msg::kResetChip, LogInfo)},
         {},
         closing,
         "GT7936_01.00.00.01"},
    };
    row.gone = On<Chip>([](Chip& c) { c.faults().goneAfterReset = true; });
    row.goneSucceeds = true;
    row.goneIsNotDetected = false;
    auto withSum = [](Image& image) {
        const auto body = static_cast<uint32_t>(image.size() - 8);
        const uint32_t sum = WordSum32(image.data() + 8, body / 2);
        for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<uint8_t>(sum >> (8 * i));
    };
    // Each fails before any entry command: the closing commands alone.
    const Log refused = {Logged(msg::kUpgradeInitFailed, LogError),
                         Logged(msg::kResetChip, LogInfo)};
    auto bad = [&](std::string what, std::function<void(Image&)> spoil) {
        return BadImage{std::move(what), std::move(spoil), Outcome::FailsInUpdate, refused,
                        closing};
    };
    row.badImages = {
        bad("Tag",
            [=](Image& i) {
                i[30] = 0x98;
                withSum(i);
            }),
        bad("NoSubImages",
            [=](Image& i) {
                i[29] = 0;
                withSum(i);
            }),
        bad("FortyEightSubImages",
            [=](Image& i) {
                i[29] = 48;
                withSum(i);
            }),
        bad("Sum", [](Image& i) { i[1000] ^= 1; }),
        bad("OneByteShortOfTheBody", [](Image& i) { i.pop_back(); }),
        bad("SubImagePastTheEnd",
            [=](Image& i) {
                i[42 + 10 * 3 + 2] = 0x10;
                withSum(i);
            }),
        bad("ALastRowPastTheImageData",
            [=](Image& i) {
                i[29] = 47;
                i[42 + 10 * 46 + 1] = 1;
                withSum(i);
            }),
        bad("ShorterThanTheTable",
            [](Image& i) {
                i.resize(200);
                const uint32_t body = 192, sum = WordSum32(i.data() + 8, 96);
                for (int k = 0; k < 4; ++k) {
                    i[k] = static_cast<uint8_t>(body >> (8 * k));
                    i[4 + k] = static_cast<uint8_t>(sum >> (8 * k));
                }
            }),
    };
    // The longest step is the 8192-byte ISP stub's write, whose 144 reports each wait out
    // their 200 ms; the pauses and the short waits of the failing reads add less than a second.
    row.boundMs = 144 * 200 + 1000;
    row.unwatchedLastReports = 0;
    return row;
}

}  // namespace

const std::vector<Family>& Families() {
    static const std::vector<Family> families = {Gt9xxx(), Gt9pxx(), Gt73xx(), Gt79xx()};
    return families;
}

const Family& Named(const std::string& name) {
    for (const Family& family : Families()) {
        if (family.name == name) return family;
    }
    throw std::invalid_argument("no download family " + name);
}

void PrintTo(const Family& family, std::ostream* out) { *out << family.name; }

Log Stages(const testsupport::RecordingLog& log) {
    Log out;
    for (const auto& entry : log.entries()) {
        if (entry.kind != LogProgress) out.push_back(entry);
    }
    return out;
}

}  // namespace downloads
