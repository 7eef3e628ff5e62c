#pragma once

#include <cstdint>
#include <string>

#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "touch/ChipIniSettings.h"

// The steps that the per-chip settings readers share. Every value is read from the file in
// s.ChipIniPath (a path text of the program files given) and stored in s by the caller; a
// missing file, section or key gives the default, and a text without digits gives 0.
namespace chipini {

// Finds the settings file of s.ChipName (".\System\ChipIni\<name>_*.ini", the first
// match) and makes it ChipIniPath. When none matches, ChipIniPath names "<name>.ini" in that
// folder and that file is created empty when missing (an existing one is kept but not read:
// the defaults apply); when it cannot be created the message createFailedText is shown and
// the defaults apply.
void FindSettingsFile(const platform::ProgramFiles& files, ChipIniSettings& s,
                      platform::MessageService& messages, const char* createFailedText);

std::string Text(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
                 const char* key, const char* defaultText, size_t bufferChars = 260);
// Hexadecimal text, 16 bits.
int32_t Hex16(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
              const char* key, const char* defaultText);
// Hexadecimal text, 64 bits folded, kept as 32 bits.
int32_t Hex64(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
              const char* key, const char* defaultText);
// The leading decimal number of the text.
int32_t Decimal(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
                const char* key, const char* defaultText);
// The settings integer (its default is a number).
int32_t Int(const platform::ProgramFiles& files, const ChipIniSettings& s, const char* section,
            const char* key, int32_t defaultValue);

// "Channel": unless "MapDisable" is set, DrvMap and SenMap from the comma lists "DrvMap" and
// "SenMap" (a missing key gives the one entry 0); with "MapDisable" both maps stay.
void ReadChannelMaps(const platform::ProgramFiles& files, ChipIniSettings& s);

// Finds the UI item file of ChipName (".\System\CfgItem\<name>_*.sc", the first match) and
// makes it ScFilePath. When none matches, ScFilePath := "GTxxx_.sc" after the message
// missingText is shown (nullptr: no message).
void FindUiItemFile(const platform::ProgramFiles& files, ChipIniSettings& s,
                    platform::MessageService& messages, const char* missingText);

// The reader of the base chip, GT9xxx and GT73xx, which differ only in these.
struct GtDefaults {
    const char* createFailedText;
    const char* rows;  // RawDataRows, DiffDataRows
    const char* cols;  // RawDataCols, DiffDataCols
    const char* cfgAddr;
    const char* uiMissingText;
};
void ReadGtSettings(const platform::ProgramFiles& files, ChipIniSettings& s,
                    platform::MessageService& messages, const GtDefaults& defaults);

// The start of the GT79xx and FT5xxx readers: the file, SynFlagAddr (64-bit hexadecimal),
// the two maxima, then the row counts (default the sensor maximum) and the column counts
// (default the maximum `columns` names).
// Where the column counts take their default from.
enum class ColumnDefault { DriverMaximum, SensorMaximum };
void ReadFlagMaximaAndCounts(const platform::ProgramFiles& files, ChipIniSettings& s,
                             platform::MessageService& messages, const char* createFailedText,
                             const char* synFlagDefault, int32_t senMaxDefault,
                             int32_t drvMaxDefault, ColumnDefault columns);

// Messages of the readers.
inline constexpr const char* kCreateFailedZh = "ini文件创建失败！";
inline constexpr const char* kCreateFailedEn = "ini file create failed！";
inline constexpr const char* kUiFileMissingZh = "缺少必要的sc文件，部分功能无法使用";
inline constexpr const char* kUiFileMissingShort = "error";

}  // namespace chipini
