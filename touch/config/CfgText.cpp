#include "touch/config/CfgText.h"

#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/RegularFile.h"
#include "platform/TextError.h"
#include "touch/TextConvert.h"

namespace {

bool IsFieldEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The last two characters (UTF-8 sequences) of a field.
std::string_view LastTwoCharacters(std::string_view field) {
    size_t start = field.size();
    for (int chars = 0; chars < 2 && start > 0; ++chars) {
        do {
            --start;
        } while (start > 0 && (static_cast<uint8_t>(field[start]) & 0xC0) == 0x80);
    }
    return field.substr(start);
}

// The GT79xx header: body length (low byte first) at 59, checksum of bytes 0-61 at 62.
constexpr size_t kHeaderLength = 64;
constexpr size_t kBodyLengthAt = 59;
constexpr size_t kHeaderSumAt = 62;
constexpr int32_t kMinBodyLength = 4;

uint16_t LittleEndianWord(const std::vector<uint8_t>& values, size_t at) {
    return static_cast<uint16_t>(values[at] | (values[at + 1] << 8));
}

// Far more text than any value takes: a longer field is refused rather than held.
constexpr size_t kMaxFieldBytes = 1u << 20;
constexpr size_t kReadPieceBytes = 64u << 10;

// The UTF-8 byte-order mark that some editors write at the start of a text file.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Splits 8-bit text into fields at "," and turns each field into its value. The comma is
// a byte that no multi-byte code page uses inside a character, so a field converts alone
// as it would within the whole text.
class CfgValueParser {
  public:
    CfgValueParser(size_t limit, CfgExcess excess, const platform::CodePage& codePage)
        : limit_(limit),
          excess_(excess),
          codePage_(codePage),
          complete_(excess == CfgExcess::Ignore && limit == 0) {}

    // Takes the next piece of the text; false once the values asked for are complete and
    // the rest need not be read.
    bool Feed(const char* data, size_t size) {
        size_t at = 0;
        while (at < size && !complete_) {
            const void* comma = std::memchr(data + at, ',', size - at);
            const size_t end =
                comma ? static_cast<size_t>(static_cast<const char*>(comma) - data) : size;
            if (end - at > kMaxFieldBytes - field_.size()) {
                throw platform::TextError("Config file holds a value of more than " +
                                          std::to_string(kMaxFieldBytes) + " bytes of text");
            }
            field_.append(data + at, end - at);
            if (!comma) break;
            EndField();
            at = end + 1;
        }
        return !complete_;
    }

    // The values, once the text has ended.
    std::vector<uint8_t> Finish() {
        if (!complete_) EndField();
        return std::move(values_);
    }

  private:
    void EndField() {
        // A byte-order mark at the start of the text is no part of the first value: converted
        // with it, its last byte and a first value written without "0x" could make one
        // character ("A1" read as 0x01).
        if (firstField_ && std::string_view(field_).starts_with(kByteOrderMark)) {
            field_.erase(0, kByteOrderMark.size());
        }
        firstField_ = false;
        const std::string text = platform::AnsiToUtf8(field_, codePage_);
        field_.clear();
        std::string_view field(text);
        while (!field.empty() && IsFieldEnd(field.back())) field.remove_suffix(1);
        if (field.empty()) return;
        if (values_.size() == limit_) {
            throw platform::TextError("Config file holds more than " + std::to_string(limit_) +
                                      " values");
        }
        values_.push_back(static_cast<uint8_t>(
            HexTextToValue(std::string(field.size() > 2 ? LastTwoCharacters(field) : field))));
        complete_ = excess_ == CfgExcess::Ignore && values_.size() == limit_;
    }

    size_t limit_;
    CfgExcess excess_;
    platform::CodePage codePage_;
    bool complete_;
    bool firstField_ = true;
    std::string field_;
    std::vector<uint8_t> values_;
};

// Opens the path text, or the first file that matches it as a mask; throws
// kOpenConfigFailedText when neither opens. A regular file only, opened without waiting: a
// pipe or device of that name cannot be read.
void OpenCfgFile(const platform::ProgramFiles& files, const std::string& path,
                 platform::RegularFile& file, std::string& opened) {
    if (file.Open(files.Resolve(path).string())) {
        opened = path;
        return;
    }
    const std::vector<std::string> matches = platform::FindFiles(files.folder, path);
    if (!matches.empty()) {
        const size_t slash = path.find_last_of("\\/");
        const std::string match =
            (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
            matches.front();
        if (file.Open(files.Resolve(match).string())) {
            opened = match;
            return;
        }
    }
    throw platform::TextError(kOpenConfigFailedText);
}

}  // namespace

std::vector<uint8_t> ParseCfgText(const uint8_t* data, size_t size,
                                  const platform::CodePage& codePage) {
    CfgValueParser parser(kMaxCfgValues, CfgExcess::Refuse, codePage);
    parser.Feed(reinterpret_cast<const char*>(data), size);
    return parser.Finish();
}

std::vector<uint8_t> ParseCfgText(const uint8_t* data, size_t size, size_t limit,
                                  const platform::CodePage& codePage) {
    CfgValueParser parser(limit, CfgExcess::Ignore, codePage);
    parser.Feed(reinterpret_cast<const char*>(data), size);
    return parser.Finish();
}

std::vector<uint8_t> ReadCfgValues(const platform::ProgramFiles& files, const std::string& path,
                                   size_t limit, CfgExcess excess, std::string& opened) {
    platform::RegularFile file;
    OpenCfgFile(files, path, file, opened);
    CfgValueParser parser(limit, excess, files.codePage);
    std::string piece(kReadPieceBytes, '\0');
    for (;;) {
        const size_t n = file.Read(piece.data(), piece.size());
        if (n == 0 || !parser.Feed(piece.data(), n)) break;
    }
    return parser.Finish();
}

void RequireCfgValues(size_t held, size_t needed) {
    if (held >= needed) return;
    throw platform::TextError(platform::Format(
        "Config file holds %zu values, fewer than the %zu its configuration needs", held, needed));
}

int32_t HeaderStatedLength(const std::vector<uint8_t>& values) {
    RequireCfgValues(values.size(), kHeaderLength);
    uint16_t sum = 0;
    for (size_t i = 0; i < kHeaderSumAt; ++i) sum = static_cast<uint16_t>(sum + values[i]);
    if (sum != LittleEndianWord(values, kHeaderSumAt)) {
        throw platform::TextError(kConfigChecksumErrorText);
    }
    const int32_t body = LittleEndianWord(values, kBodyLengthAt);
    if (body < kMinBodyLength) {
        throw platform::TextError(
            platform::Format("Configuration body length %d is below 4 bytes", body));
    }
    return body + static_cast<int32_t>(kHeaderLength);
}

bool LastWriteTime(const platform::ProgramFiles& files, const std::string& path, int64_t& time) {
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(files.Resolve(path), error);
    if (error) return false;
    time = static_cast<int64_t>(stamp.time_since_epoch().count());
    return true;
}
