#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ProgramFiles.h"

// ".cfg" files: the bytes of a configuration block as comma-separated hexadecimal values
// ("0x41,0x42,..."), with line breaks anywhere. Empty fields (and fields of blanks and line
// ends only) are skipped; blanks and line ends at a field's end are trimmed; the value is
// read from the field's last two characters (the whole field when it is shorter), skipping
// every character that is not a hexadecimal digit, so "0x41", "41", " 0x41" and a field
// after a line break all give 0x41, "5" gives 0x05 and "0x1234" gives 0x34. A UTF-8
// byte-order mark (EF BB BF) at the start of the text is skipped.

inline constexpr const char* kOpenConfigFailedText = "Open config file failed";
inline constexpr const char* kConfigChecksumErrorText = "Config checksum error!";

// The most values a configuration image holds.
inline constexpr size_t kMaxCfgValues = 4096;

// How a reader treats the values after its first `limit`.
enum class CfgExcess {
    Refuse,  // more values throw a platform::TextError
    Ignore,  // they are neither read nor held
};

// The values of a ".cfg" text (8-bit text): at most kMaxCfgValues, more throw a
// platform::TextError; nothing is read past the text. Its 8-bit text is in the code page.
std::vector<uint8_t> ParseCfgText(const uint8_t* data, size_t size,
                                  const platform::CodePage& codePage);
// The first `limit` values of a ".cfg" text; what follows them is not looked at.
std::vector<uint8_t> ParseCfgText(const uint8_t* data, size_t size, size_t limit,
                                  const platform::CodePage& codePage);

// The values of a ".cfg" file: the path text (of the program files given), or when that cannot
// be opened the first file
// that matches it as a mask. Throws kOpenConfigFailedText (a platform::TextError) when
// neither can be opened; `opened` receives the path text of the file that was read. The file
// is read piece by piece and only as far as the values asked for reach: with
// CfgExcess::Ignore a file of any length gives its first `limit` values, with Refuse a value
// beyond them throws. A single value of more than a few megabytes of text throws.
std::vector<uint8_t> ReadCfgValues(const platform::ProgramFiles& files, const std::string& path,
                                   size_t limit, CfgExcess excess, std::string& opened);

// Throws a platform::TextError that gives both counts when a ".cfg" file's `held` values are
// fewer than the `needed` values of the blocks they must fill: a file cut short is refused
// rather than filled up with zeros.
void RequireCfgValues(size_t held, size_t needed);

// The configuration length that a GT79xx ".cfg" file's 64-byte header states: its body length
// (values 59-60, low byte first) + 64. Throws when the values do not hold the whole header, when
// the header's checksum (values 62-63, low byte first: the 16-bit sum of values 0-61) fails
// (kConfigChecksumErrorText) and when the body length is below 4.
int32_t HeaderStatedLength(const std::vector<uint8_t>& values);

// The last-write time of a file (a path text) as a count of the file clock; false when the
// file cannot be asked.
bool LastWriteTime(const platform::ProgramFiles& files, const std::string& path, int64_t& time);
