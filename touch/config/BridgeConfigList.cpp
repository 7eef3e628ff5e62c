#include "touch/config/BridgeConfigList.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/TextError.h"
#include "touch/TextConvert.h"
#include "touch/config/BaseConfig.h"
#include "touch/config/ChoiceValue.h"
#include "touch/config/UiItemFile.h"

namespace {

struct BridgeRecord {
    int number;
    const char* address;
    const char* name;
    int dataBitL, dataBitH;
    int ctrlType;
    std::vector<const char*> comb, explain;
};

// The records in the order of the description (their numbers as they stand).
const std::vector<BridgeRecord>& Records() {
    static const std::vector<BridgeRecord> records = {
        {1,
         "0x0001",
         "Interface",
         0,
         0,
         1,
         {",0,USB&UART", ",1,USB&IIC"},
         {",Interface", ",USB&Uart:当USB没有连接时，自动切换为串口",
          ",USB&IIC:当USB没有连接时，自动切换为IIC接口"}},
        {3,
         "0x0001",
         "MouseDoubleClickEn",
         2,
         2,
         2,
         {},
         {",0:关闭鼠标双击处理", ",1:打开鼠标双击处理"}},
        {4, "0x0001", "WackupEn", 3, 3, 2, {}, {",0:关闭唤醒功能", ",1:打开唤醒功能"}},
        {5,
         "0x0001",
         "ReportType",
         4,
         5,
         1,
         {",0,Mouse+Touch", ",1,Mouse", ",2,Touch"},
         {",Mouse MultiTouch:支持鼠标+多指触控功能", ",Mouse Only:仅支持鼠标功能",
          ",MultiTouch Only:仅支持多指触控功能"}},
        {6,
         "0x0001",
         "Uart Protocal",
         6,
         7,
         1,
         {",0,8Byte", ",1,10Byte"},
         {",10Byte:支持大多数KTV串口协议", ",8Byte:少量主机支持10个byte的串口协议"}},
        {9, "0x0006", "Uart Buad", 0, 7, 1, {",0,9600", ",1,115200", ",2,19200"}, {",串口波特率"}},
        {7,
         "0x0002",
         "VID",
         0,
         15,
         55,
         {",27C6", ",222A", ",056A"},
         {",27C6:Orvanta VID", ",222A:ILI VID", ",056A:Wacom VID"}},
        {8, "0x0004", "PID", 0, 15, 55, {",0,0102", ",1,0301", ",2,0401"}, {",可以自定义"}},
        {8, "0x0008", "DimensionX", 0, 15, 6, {}, {",显示器AA区X方向长度，单位0.1mm"}},
        {9, "0x000a", "DimensionY", 0, 15, 6, {}, {",显示器AA区Y方向长度，单位0.1mm"}},
        {2,
         "0x0001",
         "MouseRightClickDis",
         1,
         1,
         2,
         {},
         {",0:打开长按报鼠标右键", ",1:关闭长按报鼠标右键"}},
    };
    return records;
}

uint16_t BlockSum(const std::array<uint8_t, CBridgeConfigList::kBlockLength>& block) {
    uint16_t sum = 0;
    for (size_t i = 0; i + 2 < block.size(); ++i) sum = static_cast<uint16_t>(sum + block[i]);
    return sum;
}

ConfigGroup* BridgeGroup(CBaseConfig* owner) {
    if (!owner) return nullptr;
    for (ConfigPage& page : owner->Pages()) {
        if (page.Name != CBridgeConfigList::kPageName) continue;
        for (ConfigGroup& group : page.Groups) {
            if (group.Name == CBridgeConfigList::kGroupName) return &group;
        }
    }
    return nullptr;
}

bool IsHex(const CConfigItem& item) { return item.DisplayKind == kDisplayHex; }

// A choice list shown in decimal shows the choice that names its value; a hexadecimal one (the
// USB ids) always shows the number.
bool ShowsChoices(const CConfigItem& item) {
    return item.ControlKind == kControlChoice && !IsHex(item);
}

}  // namespace

const std::string& BridgeItemText() {
    static const std::string text = [] {
        std::string t;
        for (const BridgeRecord& r : Records()) {
            t += "NO." + std::to_string(r.number) + "\naddr," + r.address + "\nname," + r.name +
                 "\nexplain\n";
            for (const char* line : r.explain) t += std::string(line) + "\n";
            t += "dataBitL," + std::to_string(r.dataBitL) + "\ndataBitH," +
                 std::to_string(r.dataBitH) +
                 "\nparaBitL,65535\nparaBitH,65535\npage,HaldenConfig\ngrp,Halden\nctrlType," +
                 std::to_string(r.ctrlType) + "\ncomb\n";
            for (const char* line : r.comb) t += std::string(line) + "\n";
            t += "dataRange\n" + std::string(86, '-') + "\n";
        }
        return t;
    }();
    return text;
}

CBridgeConfigList::CBridgeConfigList(CBaseConfig* owner)
    : owner_(owner), items_(ParseBridgeItems(BridgeItemText())) {}

bool CBridgeConfigList::IsValid(const std::array<uint8_t, kBlockLength>& block) {
    const uint16_t stored = static_cast<uint16_t>((block[22] << 8) | block[23]);
    return BlockSum(block) == stored && block[0] != 0 && block[0] <= kBlockLength;
}

bool CBridgeConfigList::Decode() {
    ConfigGroup* group = BridgeGroup(owner_);
    if (!IsValid(Block)) {
        if (group) {
            group->Mode = 2;
            group->Value1 = 0;
            Present = false;
        }
        return false;
    }
    for (const auto& item : items_) {
        const size_t at = static_cast<size_t>(item->BitAddress / 8);
        uint32_t value;
        if (item->Width >= 9) {
            value = (uint32_t{Block[at]} << 8) | Block[at + 1];
        } else {
            value = (Block[at] >> (item->BitAddress % 8)) & ((1u << item->Width) - 1);
        }
        const std::string number = IsHex(*item) ? platform::Format(item->Width <= 8    ? "%02X"
                                                                   : item->Width <= 16 ? "%04X"
                                                                                       : "%08X",
                                                                   value)
                                                : std::to_string(value);
        item->Value = ShowsChoices(*item) ? ChoiceValueText(*item, value, number) : number;
        if (item->InitialValue.empty()) item->InitialValue = item->Value;
    }
    if (group) {
        group->Mode = 1;
        group->Value1 = group->Value2 = 0;
        Present = true;
    }
    return true;
}

bool CBridgeConfigList::Encode() {
    Block.fill(0);
    for (const auto& item : items_) {
        const size_t at = static_cast<size_t>(item->BitAddress / 8);
        const uint32_t number = static_cast<uint32_t>(
            ShowsChoices(*item) ? ChoiceTextValue(*item, item->Value, ReadDecimalText)
                                : (IsHex(*item) ? ReadHexText : ReadDecimalText)(item->Value));
        if (item->Width >= 9) {
            Block[at] = static_cast<uint8_t>(number >> 8);
            Block[at + 1] = static_cast<uint8_t>(number);
        } else {
            const uint32_t shift = item->BitAddress % 8;
            const uint32_t mask = ((1u << item->Width) - 1) << shift;
            Block[at] = static_cast<uint8_t>((Block[at] & ~mask) | ((number << shift) & mask));
        }
    }
    Block[0] = kBlockLength;
    const uint16_t sum = BlockSum(Block);
    Block[22] = static_cast<uint8_t>(sum >> 8);
    Block[23] = static_cast<uint8_t>(sum);
    return true;
}

void CBridgeConfigList::CheckEncodingGivesBackBlock() {
    const std::array<uint8_t, kBlockLength> loaded = Block;
    Encode();
    const std::array<uint8_t, kBlockLength> encoded = Block;
    Block = loaded;
    for (size_t i = 0; i < kBlockLength; ++i) {
        // The length byte, the undescribed bytes (written 0) and the checksum.
        if (i == 0 || i == 7 || i >= 12) continue;
        const uint8_t differ = encoded[i] ^ loaded[i];
        if (differ == 0) continue;
        // The item written over the bits that differ; else one written into the byte (an
        // item that leaves bits of its byte undescribed, which the encoding clears).
        const auto position = static_cast<int32_t>(i);
        const auto writtenAt = [&](uint8_t bits) {
            const CConfigItem* found = nullptr;
            for (const auto& item : items_) {
                const int32_t at = item->BitAddress / 8, shift = item->BitAddress % 8;
                if (ItemBitsAt(*item, at, shift, 2, position) & bits) found = item.get();
            }
            return found;
        };
        const CConfigItem* found = writtenAt(differ);
        throw platform::TextError(EncodingLossText("Bridge configuration", position, encoded[i],
                                                   loaded[i], found ? found : writtenAt(0xFF)));
    }
}

void CBridgeConfigList::BuildPageTree() {
    if (!owner_ || items_.empty()) return;
    ConfigPage page{kPageName, {}};
    for (const auto& item : items_) {
        auto group = std::find_if(page.Groups.begin(), page.Groups.end(),
                                  [&](const ConfigGroup& g) { return g.Name == item->Group; });
        if (group == page.Groups.end()) {
            ConfigGroup made;
            made.Number = static_cast<int32_t>(page.Groups.size());
            made.Mode = 1;
            made.Name = item->Group;
            page.Groups.push_back(std::move(made));
            group = page.Groups.end() - 1;
        }
        group->Items.push_back(item.get());
    }
    owner_->Pages().push_back(std::move(page));
}
