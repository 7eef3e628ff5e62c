#include "touch/config/CfgText.h"

#include <filesystem>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/FileSearch.h"
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

// Far more text than 4096 values take.
constexpr uint64_t kMaxCfgTextSize = 4u << 20;

// A regular file only, opened without waiting: a pipe or device of that name cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    return platform::ReadRegularFile(path.string(), bytes, kMaxCfgTextSize);
}

}  // namespace

std::vector<uint8_t> ParseCfgText(const uint8_t* data, size_t size) {
    const std::string text = platform::AnsiToUtf8(data, size);
    std::vector<uint8_t> values;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(',', begin);
        if (end == std::string::npos) end = text.size();
        std::string_view field(text.data() + begin, end - begin);
        while (!field.empty() && IsFieldEnd(field.back())) field.remove_suffix(1);
        if (!field.empty()) {
            if (values.size() == kMaxCfgValues) {
                throw platform::TextError("Config file holds more than " +
                                          std::to_string(kMaxCfgValues) + " values");
            }
            values.push_back(static_cast<uint8_t>(
                HexTextToValue(std::string(field.size() > 2 ? LastTwoCharacters(field) : field))));
        }
        begin = end + 1;
    }
    return values;
}

std::string ReadCfgFile(const std::string& path, std::string& opened) {
    std::string bytes;
    if (ReadWholeFile(platform::ResolvePath(path), bytes)) {
        opened = path;
        return bytes;
    }
    const std::vector<std::string> matches = platform::FindFiles(path);
    if (!matches.empty()) {
        const size_t slash = path.find_last_of("\\/");
        const std::string match =
            (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
            matches.front();
        if (ReadWholeFile(platform::ResolvePath(match), bytes)) {
            opened = match;
            return bytes;
        }
    }
    throw platform::TextError(kOpenConfigFailedText);
}

bool LastWriteTime(const std::string& path, int64_t& time) {
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(platform::ResolvePath(path), error);
    if (error) return false;
    time = static_cast<int64_t>(stamp.time_since_epoch().count());
    return true;
}
