#include "touch/ChipIniReader.h"

#include <vector>

#include "platform/FileSearch.h"
#include "platform/MessageService.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "touch/ChipIniSettings.h"
#include "touch/TextConvert.h"

namespace chipini {

namespace {

constexpr size_t kMapBufferChars = 1024;

// The first file of the folder that matches "<ChipName>_*<extension>", as the folder text
// followed by the file name; empty when none does.
std::string FirstMatch(const ChipIniSettings& s, const char* folder, const char* extension) {
    const std::vector<std::string> names =
        platform::FindFiles(folder + s.ChipName + "_*" + extension);
    return names.empty() ? std::string() : folder + names.front();
}

std::vector<int32_t> ReadMap(const ChipIniSettings& s, const char* key) {
    std::vector<std::string> parts;
    SplitByComma(Text(s, "Channel", key, "0", kMapBufferChars), parts);
    std::vector<int32_t> map;
    map.reserve(parts.size());
    for (const std::string& part : parts) map.push_back(DecimalTextToInt(part));
    return map;
}

}  // namespace

void FindSettingsFile(ChipIniSettings& s, platform::MessageService& messages,
                      const char* createFailedText) {
    std::string path = FirstMatch(s, kChipIniFolder, ".ini");
    if (path.empty()) {
        path = kChipIniFolder + s.ChipName + ".ini";
        if (!platform::CreateEmptyFile(path)) messages.ShowMessage(createFailedText);
        s.CreatedChipIniPath = path;
    }
    s.ChipIniPath = path;
}

std::string Text(const ChipIniSettings& s, const char* section, const char* key,
                 const char* defaultText, size_t bufferChars) {
    const bool created = s.ChipIniPath == s.CreatedChipIniPath;
    return platform::ReadProfileString(created ? "" : s.ChipIniPath, section, key, defaultText,
                                       bufferChars);
}

int32_t Hex16(const ChipIniSettings& s, const char* section, const char* key,
              const char* defaultText) {
    return HexTextToValue(Text(s, section, key, defaultText));
}

int32_t Hex64(const ChipIniSettings& s, const char* section, const char* key,
              const char* defaultText) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(HexTextToUInt64(Text(s, section, key, defaultText))));
}

int32_t Decimal(const ChipIniSettings& s, const char* section, const char* key,
                const char* defaultText) {
    return DecimalTextToInt(Text(s, section, key, defaultText));
}

int32_t Int(const ChipIniSettings& s, const char* section, const char* key, int32_t defaultValue) {
    if (s.ChipIniPath == s.CreatedChipIniPath) return defaultValue;
    return platform::ReadProfileInt(s.ChipIniPath, section, key, defaultValue);
}

void ReadChannelMaps(ChipIniSettings& s) {
    if (Int(s, "Channel", "MapDisable", 0) != 0) return;
    s.DrvMap.clear();
    s.SenMap.clear();
    s.DrvMap = ReadMap(s, "DrvMap");
    s.SenMap = ReadMap(s, "SenMap");
}

void FindUiItemFile(ChipIniSettings& s, platform::MessageService& messages,
                    const char* missingText) {
    std::string path = FirstMatch(s, kCfgItemFolder, ".sc");
    if (path.empty()) {
        if (missingText) messages.ShowMessage(missingText);
        path = "GTxxx_.sc";
    }
    s.ScFilePath = path;
}

void ReadGtSettings(ChipIniSettings& s, platform::MessageService& messages, const GtDefaults& d) {
    FindSettingsFile(s, messages, d.createFailedText);
    s.SynFlagAddr = Hex16(s, "BasicData", "SynFlagAddr", "0x814E");
    s.RawDataRows = Decimal(s, "Option", "RawDataRows", d.rows);
    s.DiffDataRows = Decimal(s, "Option", "DiffDataRows", d.rows);
    s.RawDataCols = Decimal(s, "Option", "RawDataCols", d.cols);
    s.DiffDataCols = Decimal(s, "Option", "DiffDataCols", d.cols);
    s.CFGAddr = Hex16(s, "Cfg", "CFGAddr", d.cfgAddr);
    s.CfgLength = Decimal(s, "Cfg", "CfgLength", "186");
    s.ExtCfgAddr = Hex16(s, "Cfg", "ExtCfgAddr", "0xBF7B");
    s.ExtCfgLength = Decimal(s, "Cfg", "ExtCfgLength", "0");
    s.DrvHalfNumber = Int(s, "Channel", "DrvHalfNmuber", 0);
    s.SenHalfNumber = Int(s, "Channel", "SenHalfNumber", 0);
    s.SenMaxNum = Int(s, "Channel", "SenMaxNum", 0);
    s.DrvMaxNum = Int(s, "Channel", "DrvMaxNum", 0);
    s.DrvStartAddr = Hex16(s, "BasicData", "DrvStartAddr", "0x80d5");
    s.SenStartAddr = Hex16(s, "BasicData", "SenStartAddr", "0x80B7");
    ReadChannelMaps(s);
    FindUiItemFile(s, messages, d.uiMissingText);
}

void ReadFlagMaximaAndCounts(ChipIniSettings& s, platform::MessageService& messages,
                             const char* createFailedText, const char* synFlagDefault,
                             int32_t senMaxDefault, int32_t drvMaxDefault, ColumnDefault columns) {
    FindSettingsFile(s, messages, createFailedText);
    s.SynFlagAddr = Hex64(s, "BasicData", "SynFlagAddr", synFlagDefault);
    s.SenMaxNum = Int(s, "Channel", "SenMaxNum", senMaxDefault);
    s.DrvMaxNum = Int(s, "Channel", "DrvMaxNum", drvMaxDefault);
    s.RawDataRows = Int(s, "Option", "RawDataRows", s.SenMaxNum);
    s.DiffDataRows = Int(s, "Option", "DiffDataRows", s.SenMaxNum);
    const int32_t cols = columns == ColumnDefault::SensorMaximum ? s.SenMaxNum : s.DrvMaxNum;
    s.RawDataCols = Int(s, "Option", "RawDataCols", cols);
    s.DiffDataCols = Int(s, "Option", "DiffDataCols", cols);
}

}  // namespace chipini
