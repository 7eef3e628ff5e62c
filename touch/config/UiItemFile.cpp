#include "touch/config/UiItemFile.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Path.h"
#include "platform/RegularFile.h"
#include "platform/TextError.h"
#include "touch/TextConvert.h"

namespace {

constexpr std::string_view kRecordStart = "NO.";
constexpr std::string_view kAddressKey = "addr,0x";
constexpr size_t kHeaderBytes = 5;
constexpr int32_t kMaxChoiceValue = 65535;

// The three readings of the record grammar: the plain loader's, the GT79xx record parser's
// (control type 8 for text items) and the bridge block's built-in description (control type 55
// for a choice list shown in hexadecimal, choice lines whose value may be left out).
enum class Grammar { Plain, Record, Bridge };

// The first record start at or after `from`: a "NO." at the start of a line; the text's end
// when there is none.
size_t FindRecordStart(std::string_view text, size_t from) {
    for (;;) {
        const size_t at = text.find(kRecordStart, from);
        if (at == std::string_view::npos) return text.size();
        if (at == 0 || text[at - 1] == '\n') return at;
        from = at + 1;
    }
}

std::string_view TrimLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// Reads the keys of one record in order, each searched forward from the end of the value
// before it and never beyond the start of the next record.
class RecordReader {
  public:
    RecordReader(std::string_view text, size_t start)
        : text_(text), pos_(start), limit_(FindRecordStart(text, start + kRecordStart.size())) {
        label_ = "NO." + std::string(Value(kRecordStart));
    }

    size_t Pos() const { return pos_; }

    // The position of a key; throws when the record does not hold it.
    size_t Find(std::string_view key) {
        const size_t at = text_.find(key, pos_);
        if (at == std::string_view::npos || at + key.size() > limit_) {
            Fail("lacks \"" + std::string(key) + "\"");
        }
        return at;
    }

    // The rest of the line after a key (line ends right after the key skipped first).
    std::string_view Value(std::string_view key) {
        size_t begin = Find(key) + key.size();
        while (begin < limit_ && (text_[begin] == '\n' || text_[begin] == '\r')) ++begin;
        if (begin >= limit_) {
            pos_ = limit_;
            return {};
        }
        size_t end = text_.find('\n', begin);
        if (end == std::string_view::npos || end > limit_) end = limit_;
        pos_ = end;
        return TrimLineEnd(text_.substr(begin, end - begin));
    }

    int32_t Number(std::string_view key) {
        const int32_t value = DecimalTextToInt(std::string(Value(key)));
        if (value < 0) Fail("holds a negative value (\"" + std::string(key) + "\")");
        // Every number of a record is a bit, a type or a pack position: 16 bits hold them, and
        // the arithmetic on them can then never overflow.
        if (value > 0xFFFF) Fail("holds a value above 65535 (\"" + std::string(key) + "\")");
        return value;
    }

    // The explanation: from the line after "explain" (its leading "," left out) up to
    // "dataBitL,"; later lines keep their "," and every line its line feed.
    std::string Explanation() {
        size_t begin = Find("explain") + 7;
        if (begin < limit_ && text_[begin] == '\r') ++begin;
        if (begin < limit_ && text_[begin] == '\n') ++begin;
        if (begin < limit_ && text_[begin] == ',') ++begin;
        pos_ = std::min(begin, limit_);
        const size_t end = Find("dataBitL,");
        return begin < end ? std::string(text_.substr(begin, end - begin)) : std::string();
    }

    // Past "comb" and its line end; for a choice list, the choice lines up to "dataRange".
    void Choices(bool isChoiceList, bool valueOptional, std::vector<std::string>& choices) {
        size_t at = Find("comb") + 4;
        if (at < limit_ && text_[at] == '\r') ++at;
        if (at < limit_ && text_[at] == '\n') ++at;
        pos_ = at;
        if (!isChoiceList) return;
        for (;;) {
            if (pos_ >= limit_) Fail("has a choice list without \"dataRange\"");
            size_t end = text_.find('\n', pos_);
            if (end == std::string_view::npos || end > limit_) end = limit_;
            const std::string_view line = TrimLineEnd(text_.substr(pos_, end - pos_));
            pos_ = end < limit_ ? end + 1 : limit_;
            if (line == "dataRange") return;
            if (line.empty()) continue;
            AddChoice(line, valueOptional, choices);
        }
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw platform::TextError("UI item file: record " + label_ + " " + what);
    }

  private:
    // ",<value>,<text>": the value between the first character and the second ",", the
    // text after the last ","; where the value may be left out, ",<text>" stands for value 0.
    void AddChoice(std::string_view line, bool valueOptional,
                   std::vector<std::string>& choices) const {
        const size_t second = line.find(',', 1);
        if (line.front() != ',' || (second == std::string_view::npos && !valueOptional)) {
            Fail("has a choice line that is not \",<value>,<text>\"");
        }
        const int32_t value = second == std::string_view::npos
                                  ? 0
                                  : DecimalTextToInt(std::string(line.substr(1, second - 1)));
        if (value < 0 || value > kMaxChoiceValue) Fail("has a choice value out of range");
        std::string text(line.substr(line.rfind(',') + 1));
        const size_t index = static_cast<size_t>(value);
        if (index < choices.size()) {
            choices.insert(choices.begin() + static_cast<std::ptrdiff_t>(index), std::move(text));
        } else {
            choices.resize(index, "res");
            choices.push_back(std::move(text));
        }
    }

    std::string_view text_;
    size_t pos_;
    size_t limit_;
    std::string label_;
};

// Name, explanation, the four bit numbers, page, group, control type and choices: the part
// of a record after its address that both readers share. Returns the control type.
int32_t ReadRecordBody(RecordReader& reader, CConfigItem& item, Grammar grammar) {
    item.Name = reader.Value("name,");
    item.Explanation = reader.Explanation();
    item.DataBitL = reader.Number("dataBitL,");
    item.DataBitH = reader.Number("dataBitH,");
    item.ParaBitL = reader.Number("paraBitL,");
    item.ParaBitH = reader.Number("paraBitH,");
    item.Page = reader.Value("page,");
    item.Group = reader.Value("grp,");
    const int32_t controlType = reader.Number("ctrlType,");
    const bool bridge = grammar == Grammar::Bridge;
    reader.Choices(controlType == 1 || (bridge && controlType == 55), bridge, item.Choices);
    return controlType;
}

// Control kind, display kind and name suffix of a control type; type 8 (text) only for the
// GT79xx record parser, type 55 only for the bridge block.
void ApplyControlType(CConfigItem& item, int32_t controlType, Grammar grammar) {
    switch (controlType) {
        case 1:
            item.ControlKind = kControlChoice;
            break;
        case 2:
            item.ControlKind = kControlCheckBox;
            break;
        case 6:
            item.ControlKind = kControlEdit;
            break;
        case 7:
            item.ControlKind = kControlEdit;
            item.DisplayKind = kDisplayHex;
            item.Name += "(H)";
            break;
        case 8:
            if (grammar == Grammar::Record) {
                item.ControlKind = kControlEdit;
                item.DisplayKind = kDisplayText;
                item.Name += "(S)";
            }
            break;
        case 55:
            if (grammar == Grammar::Bridge) {
                item.ControlKind = kControlChoice;
                item.DisplayKind = kDisplayHex;
                item.Name += "(H)";
            }
            break;
        default:
            break;
    }
}

// Bit fields the image layout can hold: 1 to 16 bits; below 8 bits inside one byte; 8 bits
// and more from bit 0 of a byte.
void CheckBitField(const RecordReader& reader, const CConfigItem& item) {
    const int32_t shift = item.BitAddress % 8;
    if (item.Width < 1) reader.Fail("has no data bits (dataBitH below dataBitL)");
    if (item.Width > 16) reader.Fail("has a value wider than 16 bits");
    if (item.Width < 8 ? shift + item.Width > 8 : shift != 0) {
        reader.Fail("has a bit field that crosses its byte");
    }
}

}  // namespace

std::string DecodeUiItemBytes(const uint8_t* data, size_t size,
                              const platform::CodePage& codePage) {
    std::string text;
    for (size_t i = kHeaderBytes; i < size; ++i) {
        const uint8_t byte = static_cast<uint8_t>(data[i] - 1);
        if (byte == 0) break;
        text.push_back(static_cast<char>(byte));
    }
    return platform::AnsiToUtf8(text, codePage);
}

UiItemList ParseUiItems(std::string_view text) {
    UiItemList list;
    const size_t firstKey = text.find(kAddressKey);
    if (firstKey != std::string_view::npos) {
        const size_t begin = firstKey + kAddressKey.size();
        const size_t end = std::min(text.find('\n', begin), text.size());
        list.firstAddress = HexTextToValue(std::string(text.substr(begin, end - begin)));
    }
    size_t pos = 0;
    while ((pos = FindRecordStart(text, pos)) < text.size()) {
        RecordReader reader(text, pos);
        auto item = std::make_unique<CConfigItem>();
        const std::string_view addressText = reader.Value(kAddressKey);
        const uint16_t address = HexTextToValue(std::string(addressText));
        if (address == 0 || addressText == "FFFF") {
            pos = reader.Pos();
            continue;
        }
        const int32_t controlType = ReadRecordBody(reader, *item, Grammar::Plain);
        ApplyControlType(*item, controlType, Grammar::Plain);
        const int32_t low = item->Name.find("r_CH") != std::string::npos ? 0 : item->DataBitL;
        item->Width = item->DataBitH - low + 1;
        item->BitAddress = address * 8 + low;
        if (item->ParaBitH == 15 && item->ParaBitL == 8) {
            item->Width += 8;
            item->BitAddress -= 8;
            if (!list.items.empty()) list.items.pop_back();
        }
        CheckBitField(reader, *item);
        list.items.push_back(std::move(item));
        pos = reader.Pos();
    }
    return list;
}

std::vector<std::unique_ptr<CConfigItem>> ParseBridgeItems(std::string_view text) {
    std::vector<std::unique_ptr<CConfigItem>> items;
    size_t pos = 0;
    while ((pos = FindRecordStart(text, pos)) < text.size()) {
        RecordReader reader(text, pos);
        auto item = std::make_unique<CConfigItem>();
        const uint16_t address = HexTextToValue(std::string(reader.Value(kAddressKey)));
        const int32_t controlType = ReadRecordBody(reader, *item, Grammar::Bridge);
        ApplyControlType(*item, controlType, Grammar::Bridge);
        const int32_t low = item->Name.find("r_CH") != std::string::npos ? 0 : item->DataBitL;
        item->Width = item->DataBitH - low + 1;
        item->BitAddress = address * 8 + low;
        CheckBitField(reader, *item);
        items.push_back(std::move(item));
        pos = reader.Pos();
    }
    return items;
}

UiItemList ParseUiItemFile(const uint8_t* data, size_t size, const platform::CodePage& codePage) {
    return ParseUiItems(DecodeUiItemBytes(data, size, codePage));
}

std::unique_ptr<CConfigItem> ParseUiRecord(std::string_view& text, const std::string& chipName) {
    const bool decimalAddress =
        chipName == "GT7936" || chipName == "GA6876F" || chipName == "GA6875";
    size_t pos = 0;
    while ((pos = FindRecordStart(text, pos)) < text.size()) {
        RecordReader reader(text, pos);
        auto item = std::make_unique<CConfigItem>();
        const std::string_view addressText = reader.Value(kAddressKey);
        if (addressText == "FFFF") {
            pos = reader.Pos();
            continue;
        }
        const std::string address(addressText);
        item->BitAddress = decimalAddress ? DecimalTextToInt(address) : HexTextToValue(address);
        if (item->BitAddress < 0) reader.Fail("holds a negative value (\"addr,0x\")");
        const int32_t controlType = ReadRecordBody(reader, *item, Grammar::Record);
        ApplyControlType(*item, controlType, Grammar::Record);
        item->PackNumber = reader.Number("packNO,");
        item->PackOffset = reader.Number("packOffset,");
        const size_t end = reader.Pos();
        text.remove_prefix(end < text.size() ? end + 1 : text.size());
        return item;
    }
    return nullptr;
}

std::optional<std::string> ReadUiItemText(const platform::ProgramFiles& files,
                                          const std::string& path) {
    // A regular file only, opened without waiting; far larger than any UI item file.
    constexpr uint64_t kMaxUiItemFileSize = 64u << 20;
    std::string bytes;
    if (!platform::ReadRegularFile(files.Resolve(path).string(), bytes, kMaxUiItemFileSize))
        return std::nullopt;
    return DecodeUiItemBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                             files.codePage);
}
