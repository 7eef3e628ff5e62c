#include "platform/FileSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/Path.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Length of the character that starts at name[i] (a UTF-8 sequence, or one stray byte).
size_t CharLength(const std::string& name, size_t i) {
    size_t n = 1;
    while (i + n < name.size() && (static_cast<unsigned char>(name[i + n]) & 0xC0) == 0x80) ++n;
    return n;
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*") return true;
    size_t n = 0, m = 0;
    size_t starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += CharLength(name, n);
        } else if (m < mask.size() && AsciiUpper(mask[m]) == AsciiUpper(name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            starName += CharLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::vector<std::string> FindFiles(const fs::path& base, const std::string& mask) {
    const size_t cut = mask.find_last_of("\\/");
    const std::string folderText =
        cut == std::string::npos ? std::string() : mask.substr(0, cut + 1);
    const std::string pattern = cut == std::string::npos ? mask : mask.substr(cut + 1);
    std::vector<std::string> names;
    if (pattern.empty()) return names;
    const fs::path folder = ResolvePath(base, folderText);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        if (MatchesMask(name, pattern)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

}  // namespace platform
