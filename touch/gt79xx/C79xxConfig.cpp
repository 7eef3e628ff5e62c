#include "touch/gt79xx/C79xxConfig.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Profile.h"
#include "platform/TextError.h"
#include "touch/TextConvert.h"
#include "touch/config/ChoiceValue.h"
#include "touch/config/UiItemFile.h"
#include "touch/gt79xx/Gt79xxImage.h"

namespace {

constexpr unsigned kMsgWriteFailed = 351;
constexpr unsigned kMsgReadFailed = 400;
constexpr uint8_t kCmdBeforeWrite = 4, kCmdAfterWrite = 5;
constexpr uint8_t kCmdBeforeRead = 7, kCmdAfterRead = 8;
constexpr uint32_t kHeaderReadTimeoutMs = 100;
constexpr uint32_t kBodyReadTimeoutMs = 200;
constexpr int kDisplayLowFirstDecimal = 3;
constexpr int kDisplayLowFirstHex = 4;
constexpr size_t kMaxMirrored = 64;

[[noreturn]] void ThrowNotFound(const std::string& key) {
    throw platform::TextError("Can not find" + key);
}

// Bytes a value of `width` bits takes in the image, by display kind.
int32_t ValueBytes(const CConfigItem& item) {
    if (item.Width < 9) return 1;
    if (item.DisplayKind == kDisplayLowFirstDecimal || item.DisplayKind == kDisplayLowFirstHex) {
        return item.Width / 8;
    }
    return (item.Width - 9) / 8 + 2;
}

bool IsChoice(const CConfigItem& item) { return item.ControlKind == kControlChoice; }

bool IsLowFirst(const CConfigItem& item) {
    return item.DisplayKind == kDisplayLowFirstDecimal || item.DisplayKind == kDisplayLowFirstHex;
}

bool IsHex(const CConfigItem& item) {
    return item.DisplayKind == kDisplayHex || item.DisplayKind == kDisplayLowFirstHex;
}

// Decimal values wider than 32 bits are shown and read as unsigned 64-bit numbers, so that
// their upper bytes are kept.
bool IsWideDecimal(const CConfigItem& item) { return !IsHex(item) && item.Width > 32; }

uint64_t ReadWideDecimal(const std::string& text) {
    return std::strtoull(text.c_str(), nullptr, 10);
}

uint64_t (*NumberReaderOf(const CConfigItem& item))(const std::string&) {
    if (IsHex(item)) return HexTextToUInt64;
    return IsWideDecimal(item) ? ReadWideDecimal : ReadDecimalText;
}

std::string NumberText(const CConfigItem& item, uint64_t value) {
    if (IsHex(item)) {
        const char* format = item.Width == 16 ? "%04llX" : item.Width == 32 ? "%08llX" : "%02llX";
        return platform::Format(format, static_cast<unsigned long long>(value));
    }
    if (IsWideDecimal(item)) {
        return platform::Format("%llu", static_cast<unsigned long long>(value));
    }
    return platform::Format("%d", static_cast<int32_t>(static_cast<uint32_t>(value)));
}

// A text item's `bytes` bytes (the value's most significant first) as characters; zero bytes
// at the end are left out, any other byte is kept as its character.
std::string CharactersOf(uint64_t value, int32_t bytes) {
    std::string text;
    for (int32_t i = bytes - 1; i >= 0; --i) text += static_cast<char>(value >> (8 * i));
    text.erase(text.find_last_not_of('\0') + 1);
    return text;
}

// The characters of a text item, one byte each, padded with zero bytes to `bytes` bytes.
uint64_t CharactersValue(const std::string& text, int32_t bytes) {
    uint64_t value = 0;
    for (int32_t i = 0; i < bytes; ++i) {
        const auto c = i < static_cast<int32_t>(text.size()) ? static_cast<uint8_t>(text[i]) : 0;
        value = (value << 8) | c;
    }
    return value;
}

// The value text of an item's value: a choice list's choice (or the number where no choice
// names it), a text item's characters, else the number in the item's display kind.
std::string ValueText(const CConfigItem& item, uint64_t value) {
    if (IsChoice(item)) return ChoiceValueText(item, value, NumberText(item, value));
    if (item.DisplayKind == kDisplayText) return CharactersOf(value, ValueBytes(item));
    return NumberText(item, value);
}

// The value of an item's value text; the inverse of ValueText.
uint64_t ValueOfText(const CConfigItem& item) {
    if (IsChoice(item)) return ChoiceTextValue(item, item.Value, NumberReaderOf(item));
    if (item.DisplayKind == kDisplayText) return CharactersValue(item.Value, ValueBytes(item));
    return NumberReaderOf(item)(item.Value);
}

}  // namespace

uint16_t C79xxConfig::ByteSum16(const uint8_t* bytes, size_t length) {
    uint16_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum = static_cast<uint16_t>(sum + bytes[i]);
    return sum;
}

bool C79xxConfig::CheckHeaderChecksum(const uint8_t* image) {
    return ByteSum16(image, 62) == (image[62] | (image[63] << 8));
}

int32_t C79xxConfig::LengthOfHeader(const uint8_t* image) {
    const int32_t body = image[59] | (image[60] << 8);
    if (body < kMinBodyLength || body + kHeaderSize > kImageSize) return 0;
    return body + kHeaderSize;
}

bool C79xxConfig::SendRealTimeCmd(uint8_t command) {
    const uint16_t sum = static_cast<uint16_t>(4 + command);
    const uint8_t frame[6] = {
        0x00, 0x00, 0x04, command, static_cast<uint8_t>(sum), static_cast<uint8_t>(sum >> 8)};
    const uint32_t address = settings_.RealTimeCmdAddr;
    return bridge_.WriteRegs(address, frame, sizeof(frame)) &&
           bridge_.PollByte(address + 1, 0x80, 60) && bridge_.PollByte(address, 0x80, 100);
}

void C79xxConfig::UpdateChecksum() {
    const int32_t length = LengthOfHeader(image_.data());
    if (length == 0) {
        throw platform::TextError(platform::Format("Configuration body length %d is out of range",
                                                   image_[59] | (image_[60] << 8)));
    }
    const uint16_t header = ByteSum16(image_.data(), 62);
    image_[62] = static_cast<uint8_t>(header);
    image_[63] = static_cast<uint8_t>(header >> 8);
    settings_.CfgLength = length;
    const uint32_t tail = WordSum32(image_.data() + kHeaderSize, (length - kHeaderSize - 4) / 2);
    for (int i = 0; i < 4; ++i) image_[length - 4 + i] = static_cast<uint8_t>(tail >> (8 * i));
}

bool C79xxConfig::VerifyChecksum() {
    if (!CheckHeaderChecksum(image_.data())) return false;
    const int32_t length = settings_.CfgLength;
    if (length < kHeaderSize + kMinBodyLength || length > kImageSize) return false;
    const uint8_t* tail = image_.data() + length - 4;
    const uint32_t stored = tail[0] | (tail[1] << 8) | (tail[2] << 16) | (uint32_t{tail[3]} << 24);
    const uint32_t sum = WordSum32(image_.data() + kHeaderSize, (length - kHeaderSize) / 2 - 2);
    // Only the low 16 bits are compared.
    return static_cast<uint16_t>(stored - sum) == 0;
}

bool C79xxConfig::WriteToChip(int) {
    const int32_t length = settings_.CfgLength;
    if (length < kHeaderSize + kMinBodyLength || length > kImageSize) ThrowMessage(kMsgWriteFailed);
    bridge_.WriteByte(static_cast<uint32_t>(settings_.SynFlagAddr), 0);
    if (!SendRealTimeCmd(kCmdBeforeWrite) ||
        !bridge_.WriteRegs(static_cast<uint32_t>(settings_.CFGAddr), image_.data(),
                           static_cast<uint32_t>(length)) ||
        !SendRealTimeCmd(kCmdAfterWrite)) {
        ThrowMessage(kMsgWriteFailed);
    }
    return true;
}

bool C79xxConfig::ReadInBracket(const std::function<bool()>& read) {
    const bool opened = SendRealTimeCmd(kCmdBeforeRead);
    const bool ok = opened && read();
    // Once command 7 went out the chip may be in its read state: command 8 ends it on every
    // path, a refused header included.
    return SendRealTimeCmd(kCmdAfterRead) && ok;
}

void C79xxConfig::ReadFromChip() {
    const int32_t length = settings_.CfgLength;
    if (length < kHeaderSize + kMinBodyLength || length > kImageSize) ThrowMessage(kMsgReadFailed);
    const bool read = ReadInBracket([&] {
        return bridge_.ReadRegs(static_cast<uint32_t>(settings_.CFGAddr), image_.data(),
                                static_cast<uint32_t>(length), kBodyReadTimeoutMs);
    });
    if (!read || !VerifyChecksum()) ThrowMessage(kMsgReadFailed);
}

void C79xxConfig::ReadAll() {
    LoadUiFile(settings_.ScFilePath);
    const auto address = static_cast<uint32_t>(settings_.CFGAddr);
    const bool read = ReadInBracket([&] {
        if (!bridge_.ReadRegs(address, image_.data(), kHeaderSize, kHeaderReadTimeoutMs) ||
            !CheckHeaderChecksum(image_.data())) {
            return false;
        }
        const int32_t length = LengthOfHeader(image_.data());
        if (length == 0) return false;
        settings_.CfgLength = length;
        return bridge_.ReadRegs(address + kHeaderSize, image_.data() + kHeaderSize,
                                static_cast<uint32_t>(length - kHeaderSize), kBodyReadTimeoutMs);
    });
    if (!read || !VerifyChecksum()) ThrowMessage(kMsgReadFailed);
    DecodeItems();
}

bool C79xxConfig::VerifyOnChip(bool reset) {
    C79xxConfig chip(context_);
    if (reset) {
        bridge_.ResetChip();
        context_.clock.SleepMs(300);
    }
    try {
        chip.ReadAll();
    } catch (const platform::TextError&) {
        return false;
    }
    const int32_t length = settings_.CfgLength;
    if (length - 2 > kHeaderSize &&
        !std::equal(image_.begin() + kHeaderSize, image_.begin() + length - 2,
                    chip.image_.begin() + kHeaderSize)) {
        return false;
    }
    int version = 0;
    chip.GetItemValue("CfgVer", version);
    VersionReadBack = static_cast<uint8_t>(version);
    return true;
}

void C79xxConfig::LoadUiFile(const std::string& path) {
    const std::optional<std::string> text = ReadUiItemText(context_.files, path);
    if (!text) throw platform::TextError("Open ui file failed");
    platform::WriteProfileString(context_.files, settings_.ChipIniPath, "ConfigInfo",
                                 "UI File Name", path);
    // Read into a list of its own: a malformed text leaves the items and pages as they were.
    std::vector<std::unique_ptr<CConfigItem>> items;
    std::string_view rest = *text;
    CConfigItem* previous = nullptr;
    while (std::unique_ptr<CConfigItem> item = ParseUiRecord(rest, settings_.ChipName)) {
        const bool samePrevious = previous && previous->Name == item->Name;
        int32_t byteAddress = item->BitAddress;
        if (item->ParaBitH < 9 || item->ParaBitH > 63) {
            if (item->DisplayKind == kDisplayText && samePrevious) {
                // One more character of the previous item's text.
                previous->Width = std::min(previous->Width + 8, 64);
                continue;
            }
            item->Width = item->DataBitH - item->DataBitL + 1;
        } else if (samePrevious) {
            // The value's upper part: the item becomes one value stored low byte first.
            item->Width = item->ParaBitH + 1;
            byteAddress = previous->BitAddress / 8;
            item->PackOffset = previous->PackOffset;
            item->DataBitL = 0;
            item->DisplayKind = item->DisplayKind != kDisplayDecimal ? kDisplayLowFirstHex
                                                                     : kDisplayLowFirstDecimal;
            items.pop_back();
        } else {
            item->Width = item->ParaBitH + 1;
            // The records of the value's other bytes.
            for (int skip = (item->ParaBitH - 8 + 7) / 8; skip > 0; --skip) {
                if (!ParseUiRecord(rest, settings_.ChipName)) break;
            }
        }
        item->BitAddress = byteAddress * 8 + item->DataBitL;
        items.push_back(std::move(item));
        previous = items.back().get();
    }
    items_ = std::move(items);
    BuildPageTree();
}

void C79xxConfig::BuildPageTree() {
    pages_.clear();
    for (const auto& item : items_) {
        auto page = std::find_if(pages_.begin(), pages_.end(),
                                 [&](const ConfigPage& p) { return p.Name == item->Page; });
        if (page == pages_.end()) page = pages_.insert(pages_.end(), ConfigPage{item->Page, {}});
        // A group holds the items of one pack: each pack's items are laid out in that pack's
        // own bytes, also where two packs share a group name.
        auto group =
            std::find_if(page->Groups.begin(), page->Groups.end(), [&](const ConfigGroup& g) {
                return g.Name == item->Group && g.Number == item->PackNumber;
            });
        if (group == page->Groups.end()) {
            ConfigGroup made;
            made.Number = item->PackNumber;
            made.Mode = 1;
            made.Name = item->Group;
            group = page->Groups.insert(page->Groups.end(), made);
        }
        group->Items.push_back(item.get());
    }
}

ConfigGroup* C79xxConfig::FindGroup(const std::string& page, const std::string& group,
                                    int32_t pack) {
    for (ConfigPage& p : pages_) {
        if (p.Name != page) continue;
        for (ConfigGroup& g : p.Groups) {
            if (g.Name == group && g.Number == pack) return &g;
        }
    }
    return nullptr;
}

void C79xxConfig::ResetGroupMode(const std::string& page, const std::string& group, int32_t pack) {
    if (ConfigGroup* g = FindGroup(page, group, pack)) {
        g->Mode = 2;
        g->Value1 = 0;
    }
}

void C79xxConfig::SetGroupMode(const std::string& page, const std::string& group, int32_t pack,
                               int32_t length, int32_t start) {
    if (ConfigGroup* g = FindGroup(page, group, pack)) {
        g->Mode = 1;
        g->Value1 = length;
        g->Value2 = start;
    }
}

void C79xxConfig::DecodeItems() {
    if (!VerifyChecksum()) return;
    if (items_.empty()) LoadUiFile(settings_.ScFilePath);
    if (items_.empty()) return;
    const int32_t length = settings_.CfgLength;  // within the image: the sums held
    const CConfigItem& first = *items_.front();
    SetGroupMode(first.Page, first.Group, first.PackNumber, kHeaderSize, 0);
    struct Pack {
        int32_t number = 0, start = 0, length = 0;
        bool entered = false;
    } pack;
    for (const auto& owned : items_) {
        CConfigItem& item = *owned;
        if (item.PackNumber != pack.number) {
            const int32_t next = pack.entered ? pack.start + pack.length : kHeaderSize;
            // A chain that leaves the configuration counts as the pack being absent.
            if (next + 1 < length && image_[next + 1] == item.PackNumber) {
                pack = {item.PackNumber, next, image_[next], true};
                SetGroupMode(item.Page, item.Group, item.PackNumber, pack.length, pack.start);
            } else {
                ResetGroupMode(item.Page, item.Group, item.PackNumber);
                continue;
            }
        }
        if (item.Width <= 0 || item.BitAddress < 0) continue;
        const int32_t position = pack.start + item.BitAddress / 8;
        if (position + ValueBytes(item) > length) continue;
        item.ImagePosition = position;
        const uint8_t* at = image_.data() + position;
        uint64_t value = 0;
        if (item.Width < 9) {
            value = (at[0] >> (item.BitAddress % 8)) & ((1u << std::min(item.Width, 8)) - 1);
        } else if (IsLowFirst(item)) {
            for (int32_t i = ValueBytes(item) - 1; i >= 0; --i) value = (value << 8) | at[i];
        } else {
            for (int32_t i = 0; i < ValueBytes(item); ++i) value = (value << 8) | at[i];
        }
        const std::string text = ValueText(item, value);
        item.Value = text;
        if (item.InitialValue.empty()) item.InitialValue = text;
    }
}

void C79xxConfig::ForEachEncoded(
    const std::function<void(const CConfigItem&, int32_t position)>& encode) const {
    const int32_t length = std::min(settings_.CfgLength, kImageSize);
    for (const ConfigPage& page : pages_) {
        for (const ConfigGroup& group : page.Groups) {
            if (group.Value1 == 0) continue;
            for (const CConfigItem* item : group.Items) {
                if (item->Width <= 0 || item->BitAddress < 0) continue;
                const int32_t position = group.Value2 + item->BitAddress / 8;
                if (position < 0 || position + ValueBytes(*item) > length) continue;
                encode(*item, position);
            }
        }
    }
}

void C79xxConfig::EncodeItems() {
    // A header length that UpdateChecksum refuses leaves the image as it was.
    const std::array<uint8_t, kImageSize> before = image_;
    ForEachEncoded([this](const CConfigItem& item, int32_t position) {
        uint8_t* at = image_.data() + position;
        const uint64_t value = ValueOfText(item);
        if (item.Width < 9) {
            const int shift = item.BitAddress % 8;
            for (int bit = 0; bit < item.Width && shift + bit < 8; ++bit) {
                const uint8_t mask = static_cast<uint8_t>(1u << (shift + bit));
                at[0] = static_cast<uint8_t>(((value >> bit) & 1) ? at[0] | mask : at[0] & ~mask);
            }
        } else {
            const int32_t bytes = ValueBytes(item);
            for (int32_t i = 0; i < bytes; ++i) {
                const auto byte = static_cast<uint8_t>(value >> (8 * i));
                at[IsLowFirst(item) ? i : bytes - 1 - i] = byte;
            }
        }
    });
    try {
        UpdateChecksum();
    } catch (const platform::TextError&) {
        image_ = before;
        throw;
    }
}

const CConfigItem* C79xxConfig::ItemWrittenAt(int32_t position, uint8_t bits) const {
    const CConfigItem* found = nullptr;
    ForEachEncoded([&](const CConfigItem& item, int32_t at) {
        if (ItemBitsAt(item, at, item.BitAddress % 8, ValueBytes(item), position) & bits) {
            found = &item;
        }
    });
    return found;
}

CConfigItem* C79xxConfig::FindByKey(const std::string& key) {
    const std::string text =
        platform::ReadProfileString(context_.files, settings_.ChipIniPath, "Cfg", key, "", 260);
    if (text.empty()) {
        for (const auto& item : items_) {
            if (item->Name == key) return item.get();
        }
        return nullptr;
    }
    std::vector<std::string> parts;
    SplitByComma(text, parts);
    if (parts.size() < 4) return nullptr;
    const int32_t pack = DecimalTextToInt(parts[0].empty() ? "" : parts[0].substr(1));
    const int32_t offset = DecimalTextToInt(parts[1]);
    const int32_t firstBit = DecimalTextToInt(parts[2]);
    for (const auto& item : items_) {
        if (item->PackNumber == pack && item->PackOffset == offset && item->DataBitL == firstBit) {
            return item.get();
        }
    }
    return nullptr;
}

bool C79xxConfig::GetItemValue(const std::string& key, int& value) {
    if (items_.empty()) DecodeItems();
    const CConfigItem* item = FindByKey(key);
    if (!item) ThrowNotFound(key);
    value = DecimalTextToInt(item->Value);
    return true;
}

bool C79xxConfig::SetItemValue(const std::string& key, int value) {
    CConfigItem* item = FindByKey(key);
    if (!item) ThrowNotFound(key);
    item->Value = platform::Format("%d", value);
    return true;
}

int C79xxConfig::FindChannel(int channel, const char* alignKey, const char* startKey,
                             const char* firstName, int32_t maxNum) {
    int32_t position =
        platform::ReadProfileInt(context_.files, settings_.ChipIniPath, "ConfigInfo", alignKey, 0);
    if (position == 0) {
        const std::string text = platform::ReadProfileString(context_.files, settings_.ChipIniPath,
                                                             "Cfg", startKey, "", 260);
        std::vector<std::string> parts;
        SplitByComma(text, parts);
        const CConfigItem* found = nullptr;
        if (parts.size() >= 4) {
            found = FindByKey(startKey);
        } else {
            for (const auto& item : items_) {
                if (item->Name == firstName) {
                    found = item.get();
                    break;
                }
            }
        }
        if (found) {
            position = found->ImagePosition;
            WriteConfigInfoInt(context_.files, alignKey, position, settings_.ChipIniPath);
        }
    }
    for (int32_t i = 0; i < maxNum && position + i < kImageSize; ++i) {
        if (position + i >= 0 && image_[position + i] == channel) return i;
    }
    return 255;
}

int C79xxConfig::FindSensorIndex(int channel) {
    return FindChannel(channel, "SenAlignAddr", "SenStartAddr", "SenSeq0", settings_.SenMaxNum);
}

int C79xxConfig::FindDriverIndex(int channel) {
    return FindChannel(channel, "DrvAlignAddr", "DrvStartAddr", "DrvSeq0", settings_.DrvMaxNum);
}

bool C79xxConfig::SwapXY() {
    try {
        int value = 0;
        GetItemValue("X2Y", value);
        SetItemValue("X2Y", 1 - value);
        return true;
    } catch (const platform::TextError&) {
        return false;
    }
}

bool C79xxConfig::MirrorSequence(const char* namePart) {
    auto named = [namePart](const CConfigItem& item) {
        return item.Name.find(namePart) != std::string::npos;
    };
    std::vector<int32_t> values;
    bool started = false;
    for (const auto& item : items_) {
        if (!named(*item)) {
            if (started) break;
            continue;
        }
        started = true;
        if (item->Value == "255" || values.size() == kMaxMirrored) break;
        values.push_back(DecimalTextToInt(item->Value));
    }
    auto next = values.rbegin();
    for (const auto& item : items_) {
        if (next == values.rend()) break;
        if (named(*item)) item->Value = platform::Format("%d", *next++);
    }
    return true;
}

bool C79xxConfig::MirrorX() { return MirrorSequence("DrvSeq"); }

bool C79xxConfig::MirrorY() { return MirrorSequence("SenSeq"); }

int C79xxConfig::GetVersion() {
    try {
        int value = 0;
        GetItemValue("CfgFileVer(H)", value);
        return value;
    } catch (const platform::TextError&) {
        return 0;
    }
}

void C79xxConfig::WriteConfigInfoInt(const platform::ProgramFiles& files, const std::string& key,
                                     int value, const std::string& settingsPath) {
    platform::WriteProfileString(files, settingsPath, "ConfigInfo", key, std::to_string(value));
}
