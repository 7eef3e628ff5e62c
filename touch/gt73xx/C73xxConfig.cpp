#include "touch/gt73xx/C73xxConfig.h"

#include <algorithm>

#include "platform/TextError.h"
#include "touch/TextConvert.h"

namespace {

constexpr uint32_t kFrameCommand = 0x8040, kFrameData = 0x8041;
constexpr uint8_t kIdle = 0xFF, kReady = 0x82;
constexpr uint8_t kCmdPrepare = 0x80, kCmdTake = 0x83;
constexpr int kPollTries = 50;
constexpr unsigned kMsgWriteFailed = 351;
constexpr int32_t kFirstSum = 2, kSecondSum = 212;

uint8_t TwosComplementOfSum(const uint8_t* bytes, int32_t from, int32_t to) {
    uint8_t sum = 0;
    for (int32_t i = from; i <= to; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(-sum);
}

// The channel number written after "Driver_CH" or "Sensor_CH" (the first nine characters).
int32_t ChannelNumber(const CConfigItem& item) {
    return DecimalTextToInt(item.Name.size() > 9 ? item.Name.substr(9) : std::string());
}

struct Half {
    const std::vector<int32_t>& map;
    int32_t half;
    int32_t max;
};

Half HalfOf(const ChipIniSettings& s, const CConfigItem& item) {
    if (ChannelOf(item) == ChannelKind::Driver) return {s.DrvMap, s.DrvHalfNumber, s.DrvMaxNum};
    return {s.SenMap, s.SenHalfNumber, s.SenMaxNum};
}

size_t Clamp(int32_t index, size_t size) {
    return std::min(size, static_cast<size_t>(std::max(index, 0)));
}

// A channel of the first half is found among map entries 0 to half - 1, one of the second
// half among entries half to max - 1; the index counts from the map's start.
int32_t DecodeSplitPanel(const ChipIniSettings& s, const CConfigItem& item, uint8_t byte) {
    const Half h = HalfOf(s, item);
    const bool firstHalf = ChannelNumber(item) < h.half;
    const size_t from = firstHalf ? 0 : Clamp(h.half, h.map.size());
    const size_t end = Clamp(firstHalf ? h.half : h.max, h.map.size());
    for (size_t i = from; i < end; ++i) {
        if (h.map[i] == byte) return static_cast<int32_t>(i);
    }
    return byte;
}

uint8_t EncodeSplitPanel(const ChipIniSettings& s, const CConfigItem& item, int32_t value) {
    const Half h = HalfOf(s, item);
    if ((value < h.half || value < h.max) && value >= 0 &&
        static_cast<size_t>(value) < h.map.size()) {
        return static_cast<uint8_t>(h.map[static_cast<size_t>(value)]);
    }
    return static_cast<uint8_t>(value);
}

const CBaseConfig::ChannelRule kSplitPanelChannels = {DecodeSplitPanel, EncodeSplitPanel};

}  // namespace

void C73xxConfig::DecodeItems() { DecodeWith(kSplitPanelChannels); }

void C73xxConfig::EncodeItems() { EncodeWith(kSplitPanelChannels); }

void C73xxConfig::UpdateChecksum() {
    const int32_t n = FamilyLengths().main;
    image_[kFirstSum] = TwosComplementOfSum(image_.data(), 0, kFirstSum - 1);
    image_[kSecondSum] = TwosComplementOfSum(image_.data(), 0, kSecondSum - 1);
    image_[n - 1] = TwosComplementOfSum(image_.data(), kSecondSum + 1, n - 2);
}

bool C73xxConfig::VerifyChecksum() { return true; }

bool C73xxConfig::WriteToChip(int) {
    const auto n = static_cast<uint32_t>(FamilyLengths().main);
    const auto synFlag = static_cast<uint32_t>(settings_.SynFlagAddr);
    auto sendFrame = [this](uint8_t command) {
        const uint8_t check = static_cast<uint8_t>(-command);
        bridge_.WriteWordBE(kFrameData, check);
        bridge_.WriteByte(kFrameCommand, command);
    };
    bridge_.WriteByte(synFlag, 0);
    bridge_.PollByte(kFrameCommand, kIdle, kPollTries);
    sendFrame(kCmdPrepare);
    bridge_.WriteByte(synFlag, 0);
    if (!bridge_.PollByte(kFrameCommand, kReady, kPollTries)) ThrowMessage(kMsgWriteFailed);
    if (!bridge_.WriteRegs(static_cast<uint32_t>(settings_.CFGAddr), image_.data(), n)) {
        ThrowMessage(kMsgWriteFailed);
    }
    sendFrame(kCmdTake);
    return bridge_.PollByte(kFrameCommand, kIdle, kPollTries);
}

void C73xxConfig::ApplyChannelMap(const std::vector<int32_t>& drivers,
                                  const std::vector<int32_t>& sensors) {
    // Two cursors per list: low walks the first half's channels, high the second half's.
    struct Cursors {
        size_t low = 0, high = 0;
    } drv, sen;
    auto take = [](CConfigItem& item, const std::vector<int32_t>& list, Cursors& c, int32_t half) {
        if (ChannelNumber(item) < half) {
            if (c.low < list.size() && list[c.low] < half) {
                item.Value = std::to_string(list[c.low]);
                c.high = ++c.low;
                return;
            }
        } else if (c.high < list.size() && list[c.high] >= half) {
            item.Value = std::to_string(list[c.high++]);
            return;
        }
        item.Value = "255";
    };
    for (const auto& item : items_) {
        const ChannelKind kind = ChannelOf(*item);
        if (kind == ChannelKind::Driver) take(*item, drivers, drv, settings_.DrvHalfNumber);
        if (kind == ChannelKind::Sensor) take(*item, sensors, sen, settings_.SenHalfNumber);
        if (item->Name == "G11_Driver_Num") item->Value = std::to_string(drv.low);
        if (item->Name == "G12_Driver_Num") item->Value = std::to_string(drv.high - drv.low);
        if (item->Name == "G11_Sensor_Num") item->Value = std::to_string(sen.low);
        if (item->Name == "G12_Sensor_Num") item->Value = std::to_string(sen.high - sen.low);
    }
}

bool C73xxConfig::MirrorX() { return ToggleItem("X2X"); }

bool C73xxConfig::MirrorY() { return ToggleItem("Y2Y"); }
