#include "platform/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Path.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Reads and writes of settings files do not overlap, so that a write never loses another.
std::mutex g_profileMutex;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::string TrimRight(const std::string& text) {
    size_t e = text.size();
    while (e > 0 && IsBlank(text[e - 1])) --e;
    return text.substr(0, e);
}

struct Line {
    enum Kind { Other, Section, Key };
    size_t begin = 0;  // first byte of the line
    size_t end = 0;    // the line feed, or the end of the file
    Kind kind = Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // key value, trimmed
};

struct ProfileFile {
    std::string bytes;
    bool ansi = false;  // 8-bit text in the code page rather than UTF-8
    std::vector<Line> lines;
};

ProfileFile Load(const fs::path& path) {
    ProfileFile file;
    std::error_code ec;
    // A folder or a device of that name reads as an empty file.
    if (!fs::is_regular_file(path, ec)) return file;
    std::ifstream in(path, std::ios::binary);
    if (in) file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    size_t start = 0;
    if (file.bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    file.ansi = !IsValidUtf8(file.bytes.substr(start));
    while (start < file.bytes.size()) {
        size_t end = file.bytes.find('\n', start);
        if (end == std::string::npos) end = file.bytes.size();
        Line line;
        line.begin = start;
        line.end = end;
        const std::string raw = file.bytes.substr(start, end - start);
        const std::string text = Trim(file.ansi ? AnsiToUtf8(raw) : raw);
        if (!text.empty() && text[0] == '[' && text.find(']') != std::string::npos) {
            line.kind = Line::Section;
            line.name = Trim(text.substr(1, text.rfind(']') - 1));
        } else if (!text.empty() && text[0] != ';') {
            line.kind = Line::Key;
            const size_t eq = text.find('=');
            line.name = TrimRight(text.substr(0, eq));
            if (eq != std::string::npos) line.value = Trim(text.substr(eq + 1));
        }
        file.lines.push_back(line);
        start = end + 1;
    }
    return file;
}

// Index of the first section line of that name, or -1.
int FindSection(const ProfileFile& file, const std::string& section) {
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const Line& line = file.lines[i];
        if (line.kind == Line::Section && EqualsIgnoringCase(line.name, section)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The first key line of that name in the first section of that name, or nullptr.
const Line* FindKey(const ProfileFile& file, const std::string& section, const std::string& key) {
    const int s = FindSection(file, section);
    if (s < 0) return nullptr;
    for (size_t i = static_cast<size_t>(s) + 1; i < file.lines.size(); ++i) {
        const Line& line = file.lines[i];
        if (line.kind == Line::Section) break;
        if (line.kind == Line::Key && EqualsIgnoringCase(line.name, key)) return &line;
    }
    return nullptr;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes the bytes to a temporary file beside the target and renames it over the target.
bool ReplaceFile(const fs::path& path, const std::string& bytes) {
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        target = fs::canonical(target, ec);
        if (ec) return false;
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return false;
    // A file without any write permission is read-only, even for a privileged user.
    if (exists && (st.st_mode & 0222) == 0) return false;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0 &&
              ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(pattern.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(pattern.c_str());
    return ok;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

int ParseProfileInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char p = text[i + 1];
        if (p == 'x' || p == 'X') base = 16;
        if (p == 'o' || p == 'O') base = 8;
        if (p == 'b' || p == 'B') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        value = value * base + digit;
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultText,
                              size_t bufferChars) {
    std::string value;
    {
        std::lock_guard<std::mutex> guard(g_profileMutex);
        const ProfileFile profile = Load(ResolvePath(file));
        const Line* line = FindKey(profile, section, key);
        value = line ? Unquote(line->value) : TrimRight(defaultText);
    }
    if (bufferChars == 0) return {};
    return Utf8Prefix(value, bufferChars - 1);
}

int ReadProfileInt(const std::string& file, const std::string& section, const std::string& key,
                   int defaultValue) {
    std::string value;
    {
        std::lock_guard<std::mutex> guard(g_profileMutex);
        const ProfileFile profile = Load(ResolvePath(file));
        const Line* line = FindKey(profile, section, key);
        if (!line) return defaultValue;
        value = Unquote(line->value);
    }
    if (value.empty()) return defaultValue;
    return ParseProfileInt(value);
}

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || key.find('=') != std::string::npos) {
        return false;
    }
    std::lock_guard<std::mutex> guard(g_profileMutex);
    const fs::path path = ResolvePath(file);
    const ProfileFile profile = Load(path);
    const std::string& bytes = profile.bytes;
    const std::string eol = bytes.find("\r\n") != std::string::npos ? "\r\n"
                            : bytes.find('\n') != std::string::npos ? "\n"
                                                                    : "\r\n";
    const auto encode = [&](const std::string& text) {
        return profile.ansi ? Utf8ToAnsi(text) : text;
    };

    std::string out;
    const int s = FindSection(profile, section);
    if (s < 0) {
        out = bytes;
        if (!out.empty() && out.back() != '\n') out += eol;
        out += encode("[" + section + "]") + eol + encode(key + "=" + value) + eol;
        return ReplaceFile(path, out);
    }
    // The key's line in the section, or the last non-blank line of the section.
    size_t last = static_cast<size_t>(s);
    for (size_t i = last + 1; i < profile.lines.size(); ++i) {
        const Line& line = profile.lines[i];
        if (line.kind == Line::Section) break;
        if (line.kind == Line::Key && EqualsIgnoringCase(line.name, key)) {
            size_t contentEnd = line.end;
            if (contentEnd > line.begin && bytes[contentEnd - 1] == '\r') --contentEnd;
            out = bytes.substr(0, line.begin) + encode(line.name + "=" + value) +
                  bytes.substr(contentEnd);
            return ReplaceFile(path, out);
        }
        if (line.kind != Line::Other ||
            !Trim(bytes.substr(line.begin, line.end - line.begin)).empty()) {
            last = i;
        }
    }
    const Line& after = profile.lines[last];
    const std::string added = encode(key + "=" + value) + eol;
    if (after.end >= bytes.size()) {
        out = bytes + eol + added;
    } else {
        out = bytes.substr(0, after.end + 1) + added + bytes.substr(after.end + 1);
    }
    return ReplaceFile(path, out);
}

}  // namespace platform
