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
std::string FirstMatch(const char* folder, const char* extension) {
    const std::vector<std::string> names =
        platform::FindFiles(folder + ChipIni().ChipName + "_*" + extension);
    return names.empty() ? std::string() : folder + names.front();
}

std::vector<int32_t> ReadMap(const char* key) {
    std::vector<std::string> parts;
    SplitByComma(Text("Channel", key, "0", kMapBufferChars), parts);
    std::vector<int32_t> map;
    map.reserve(parts.size());
    for (const std::string& part : parts) map.push_back(DecimalTextToInt(part));
    return map;
}

}  // namespace

void FindSettingsFile(const char* createFailedText) {
    ChipIniSettings& s = ChipIni();
    std::string path = FirstMatch(kChipIniFolder, ".ini");
    if (path.empty()) {
        path = kChipIniFolder + s.ChipName + ".ini";
        if (!platform::CreateEmptyFile(path)) platform::ShowMessage(createFailedText);
        s.CreatedChipIniPath = path;
    }
    s.ChipIniPath = path;
}

std::string Text(const char* section, const char* key, const char* defaultText,
                 size_t bufferChars) {
    const ChipIniSettings& s = ChipIni();
    const bool created = s.ChipIniPath == s.CreatedChipIniPath;
    return platform::ReadProfileString(created ? "" : s.ChipIniPath, section, key, defaultText,
                                       bufferChars);
}

int32_t Hex16(const char* section, const char* key, const char* defaultText) {
    return HexTextToValue(Text(section, key, defaultText));
}

int32_t Hex64(const char* section, const char* key, const char* defaultText) {
    return static_cast<int32_t>(
        static_cast<uint32_t>(HexTextToUInt64(Text(section, key, defaultText))));
}

int32_t Decimal(const char* section, const char* key, const char* defaultText) {
    return DecimalTextToInt(Text(section, key, defaultText));
}

int32_t Int(const char* section, const char* key, int32_t defaultValue) {
    const ChipIniSettings& s = ChipIni();
    if (s.ChipIniPath == s.CreatedChipIniPath) return defaultValue;
    return platform::ReadProfileInt(s.ChipIniPath, section, key, defaultValue);
}

void ReadChannelMaps() {
    if (Int("Channel", "MapDisable", 0) != 0) return;
    ChipIniSettings& s = ChipIni();
    s.DrvMap.clear();
    s.SenMap.clear();
    s.DrvMap = ReadMap("DrvMap");
    s.SenMap = ReadMap("SenMap");
}

void FindUiItemFile(const char* missingText) {
    std::string path = FirstMatch(kCfgItemFolder, ".sc");
    if (path.empty()) {
        if (missingText) platform::ShowMessage(missingText);
        path = "GTxxx_.sc";
    }
    ChipIni().ScFilePath = path;
}

void ReadGtSettings(const GtDefaults& d) {
    ChipIniSettings& s = ChipIni();
    FindSettingsFile(d.createFailedText);
    s.SynFlagAddr = Hex16("BasicData", "SynFlagAddr", "0x814E");
    s.RawDataRows = Decimal("Option", "RawDataRows", d.rows);
    s.DiffDataRows = Decimal("Option", "DiffDataRows", d.rows);
    s.RawDataCols = Decimal("Option", "RawDataCols", d.cols);
    s.DiffDataCols = Decimal("Option", "DiffDataCols", d.cols);
    s.CFGAddr = Hex16("Cfg", "CFGAddr", d.cfgAddr);
    s.CfgLength = Decimal("Cfg", "CfgLength", "186");
    s.ExtCfgAddr = Hex16("Cfg", "ExtCfgAddr", "0xBF7B");
    s.ExtCfgLength = Decimal("Cfg", "ExtCfgLength", "0");
    s.DrvHalfNumber = Int("Channel", "DrvHalfNmuber", 0);
    s.SenHalfNumber = Int("Channel", "SenHalfNumber", 0);
    s.SenMaxNum = Int("Channel", "SenMaxNum", 0);
    s.DrvMaxNum = Int("Channel", "DrvMaxNum", 0);
    s.DrvStartAddr = Hex16("BasicData", "DrvStartAddr", "0x80d5");
    s.SenStartAddr = Hex16("BasicData", "SenStartAddr", "0x80B7");
    ReadChannelMaps();
    FindUiItemFile(d.uiMissingText);
}

void ReadFlagMaximaAndCounts(const char* createFailedText, const char* synFlagDefault,
                             int32_t senMaxDefault, int32_t drvMaxDefault, bool colsFromSensors) {
    ChipIniSettings& s = ChipIni();
    FindSettingsFile(createFailedText);
    s.SynFlagAddr = Hex64("BasicData", "SynFlagAddr", synFlagDefault);
    s.SenMaxNum = Int("Channel", "SenMaxNum", senMaxDefault);
    s.DrvMaxNum = Int("Channel", "DrvMaxNum", drvMaxDefault);
    s.RawDataRows = Int("Option", "RawDataRows", s.SenMaxNum);
    s.DiffDataRows = Int("Option", "DiffDataRows", s.SenMaxNum);
    const int32_t cols = colsFromSensors ? s.SenMaxNum : s.DrvMaxNum;
    s.RawDataCols = Int("Option", "RawDataCols", cols);
    s.DiffDataCols = Int("Option", "DiffDataCols", cols);
}

}  // namespace chipini
