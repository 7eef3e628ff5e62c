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
std::string FirstMatch(const platform::ProgramFiles& files, const ChipIniSettings& s,
                       const char* folder, const char* extension) {
    const std::vector<std::string> names =
        platform::FindFiles(files.folder, folder + s.ChipName + "_*" + extension);
    return names.empty() ? std::string() : folder + names.front();
}

std::vector<int32_t> ReadMap(const platform::ProgramFiles& files, const ChipIniSettings& s,
                             const char* key) {
    std::vector<std::string> parts;
    SplitByComma(Text(files, s, "Channel", key, "0", kMapBufferChars), parts);
    std::vector<int32_t> map;
    map.reserve(parts.size());
    for (const std::string& part : parts) map.push_back(DecimalTextToInt(part));
    return map;
}

}  // namespace

void FindSettingsFile(const platform::ProgramFiles& files, ChipIniSettings& s,
                      platform::MessageService& messages, const char* createFailedText) {
    std::string path = FirstMatch(files, s, kChipIniFolder, ".ini");
    if (path.empty()) {
        path = kChipIniFolder + s.ChipName + ".ini";
        if (!platform::CreateEmptyFile(files.folder, path)) messages.ShowMessage(createFailedText);
        s.CreatedChipIniPath = path;
    }
    s.ChipIniPath = path;
}

std::string Text(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
                 const char* key, const char* defaultText, size_t bufferChars) {
    const bool created = s.ChipIniPath == s.CreatedChipIniPath;
    return platform::ReadProfileString(files, created ? "" : s.ChipIniPath, section, key,
                                       defaultText, bufferChars);
}

int32_t Hex16(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
              const char* key, const char* defaultText) {
    return HexTextToValue(Text(files, s, section, key, defaultText));
}

int32_t Hex64(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
              const char* key, const char* defaultText) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(HexTextToUInt64(Text(files, s, section, key, defaultText))));
}

int32_t Decimal(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
                const char* key, const char* defaultText) {
    return DecimalTextToInt(Text(files, s, section, key, defaultText));
}

int32_t Int(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
            const char* key, int32_t defaultValue) {
    if (s.ChipIniPath == s.CreatedChipIniPath) return defaultValue;
    return platform::ReadProfileInt(files, s.ChipIniPath, section, key, defaultValue);
}

void ReadChannelMaps(const platform::ProgramFiles& files, ChipIniSettings& s) {
    if (Int(files, s, "Channel", "MapDisable", 0) != 0) return;
    s.DrvMap.clear();
    s.SenMap.clear();
    s.DrvMap = ReadMap(files, s, "DrvMap");
    s.SenMap = ReadMap(files, s, "SenMap");
}

void FindUiItemFile(const platform::ProgramFiles& files, ChipIniSettings& s,
                    platform::MessageService& messages, const char* missingText) {
    std::string path = FirstMatch(files, s, kCfgItemFolder, ".sc");
    if (path.empty()) {
        if (missingText) messages.ShowMessage(missingText);
        path = "GTxxx_.sc";
    }
    s.ScFilePath = path;
}

void ReadGtSettings(const platform::ProgramFiles& files, ChipIniSettings& s,
                    platform::MessageService& messages, const GtDefaults& d) {
    FindSettingsFile(files, s, messages, d.createFailedText);
    s.SynFlagAddr = Hex16(files, s, "BasicData", "SynFlagAddr", "0x814E");
    s.RawDataRows = Decimal(files, s, "Option", "RawDataRows", d.rows);
    s.DiffDataRows = Decimal(files, s, "Option", "DiffDataRows", d.rows);
    s.RawDataCols = Decimal(files, s, "Option", "RawDataCols", d.cols);
    s.DiffDataCols = Decimal(files, s, "Option", "DiffDataCols", d.cols);
    s.CFGAddr = Hex16(files, s, "Cfg", "CFGAddr", d.cfgAddr);
    s.CfgLength = Decimal(files, s, "Cfg", "CfgLength", "186");
    s.ExtCfgAddr = Hex16(files, s, "Cfg", "ExtCfgAddr", "0xBF7B");
    s.ExtCfgLength = Decimal(files, s, "Cfg", "ExtCfgLength", "0");
    s.DrvHalfNumber = Int(files, s, "Channel", "DrvHalfNmuber", 0);
    s.SenHalfNumber = Int(files, s, "Channel", "SenHalfNumber", 0);
    s.SenMaxNum = Int(files, s, "Channel", "SenMaxNum", 0);
    s.DrvMaxNum = Int(files, s, "Channel", "DrvMaxNum", 0);
    s.DrvStartAddr = Hex16(files, s, "BasicData", "DrvStartAddr", "0x80d5");
    s.SenStartAddr = Hex16(files, s, "BasicData", "SenStartAddr", "0x80B7");
    ReadChannelMaps(files, s);
    FindUiItemFile(files, s, messages, d.uiMissingText);
}

void ReadFlagMaximaAndCounts(const platform::ProgramFiles& files, ChipIniSettings& s,
                             platform::MessageService& messages, const char* createFailedText,
                             const char* synFlagDefault, int32_t senMaxDefault,
                             int32_t drvMaxDefault, ColumnDefault columns) {
    FindSettingsFile(files, s, messages, createFailedText);
    s.SynFlagAddr = Hex64(files, s, "BasicData", "SynFlagAddr", synFlagDefault);
    s.SenMaxNum = Int(files, s, "Channel", "SenMaxNum", senMaxDefault);
    s.DrvMaxNum = Int(files, s, "Channel", "DrvMaxNum", drvMaxDefault);
    s.RawDataRows = Int(files, s, "Option", "RawDataRows", s.SenMaxNum);
    s.DiffDataRows = Int(files, s, "Option", "DiffDataRows", s.SenMaxNum);
    const int32_t cols = columns == ColumnDefault::SensorMaximum ? s.SenMaxNum : s.DrvMaxNum;
    s.RawDataCols = Int(files, s, "Option", "RawDataCols", cols);
    s.DiffDataCols = Int(files, s, "Option", "DiffDataCols", cols);
}

}  // namespace chipini
