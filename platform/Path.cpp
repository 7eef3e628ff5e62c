#include "platform/Path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitComponents(const std::string& text) {
    std::vector<std::string> parts;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find_first_of("\\/", start), text.size());
        const std::string_view current(text.data() + start, end - start);
        if (current.empty() || current == ".") {
            // nothing
        } else if (current == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.emplace_back(current);
        }
        start = end + 1;
    }
    return parts;
}

// The entry of a folder whose name equals the component without case; empty when none.
std::string FindEntry(const fs::path& folder, const std::string& component) {
    std::error_code ec;
    const fs::path listed = folder.empty() ? fs::path(".") : folder;
    if (fs::exists(fs::symlink_status(listed / component, ec))) return component;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(listed, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (EqualsIgnoringCase(name, component)) matches.push_back(name);
    }
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end(), LessIgnoringCase);
}

}  // namespace

fs::path ResolvePath(const fs::path& folder, const std::string& text) {
    const bool fromRoot = !text.empty() && (text[0] == '\\' || text[0] == '/');
    fs::path current = fromRoot ? fs::path("/") : folder;
    const std::vector<std::string> parts = SplitComponents(text);
    // Most texts name what exists with the case it has: when the whole path exists, each of its
    // components is its own exact match, and one look settles them all.
    if (!parts.empty()) {
        std::string exact = current.native();
        for (const std::string& part : parts) {
            if (!exact.empty() && exact.back() != '/') exact += '/';
            exact += part;
        }
        struct stat status {};
        if (::lstat(exact.c_str(), &status) == 0) return exact;
    }
    bool existing = true;
    for (const std::string& part : parts) {
        std::string name;
        if (existing) name = FindEntry(current, part);
        if (name.empty()) {
            existing = false;
            name = part;
        }
        current /= name;
    }
    return current.empty() ? fs::path(".") : current;
}

bool CreateEmptyFile(const fs::path& folder, const std::string& text) {
    const fs::path path = ResolvePath(folder, text);
    // Without O_TRUNC an existing file keeps its bytes; O_NONBLOCK keeps a pipe of that name
    // from holding the open.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return false;
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    return regular;
}

std::string FileNameOf(const std::string& text) {
    const size_t cut = text.find_last_of("\\/");
    return cut == std::string::npos ? text : text.substr(cut + 1);
}

}  // namespace platform
