#include "platform/Profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Path.h"
#include "platform/RegularFile.h"

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
    bool ansi = false;  // not UTF-8 as a whole: some lines are 8-bit text in the code page
    std::vector<Line> lines;
};

// A file that is UTF-8 as a whole is read as UTF-8. In any other file each line is read on its
// own: as UTF-8 when its bytes are UTF-8 and hold a character of three or more bytes (as CJK
// text in UTF-8 does; 8-bit text in the code page forms such sequences only by chance), else
// as 8-bit text in the code page. So a file that mixes both reads each line as it was written.
std::string DecodeLine(const std::string& raw, bool ansi, const CodePage& codePage) {
    if (!ansi) return raw;
    const bool longCharacter =
        std::any_of(raw.begin(), raw.end(), [](char c) { return static_cast<uint8_t>(c) >= 0xE0; });
    return longCharacter && IsValidUtf8(raw) ? raw : AnsiToUtf8(raw, codePage);
}

// Section or key line of a line's text (decoded, untrimmed).
Line ParseLine(const std::string& decoded) {
    Line line;
    const std::string text = Trim(decoded);
    if (!text.empty() && text[0] == '[' && text.find(']') != std::string::npos) {
        line.kind = Line::Section;
        line.name = Trim(text.substr(1, text.rfind(']') - 1));
    } else if (!text.empty() && text[0] != ';') {
        line.kind = Line::Key;
        const size_t eq = text.find('=');
        line.name = TrimRight(text.substr(0, eq));
        if (eq != std::string::npos) line.value = Trim(text.substr(eq + 1));
    }
    return line;
}

std::shared_ptr<const ProfileFile> Parse(std::string bytes, const CodePage& codePage) {
    auto file = std::make_shared<ProfileFile>();
    file->bytes = std::move(bytes);
    size_t start = 0;
    if (file->bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    file->ansi = !IsValidUtf8(file->bytes.substr(start));
    while (start < file->bytes.size()) {
        size_t end = file->bytes.find('\n', start);
        if (end == std::string::npos) end = file->bytes.size();
        Line line =
            ParseLine(DecodeLine(file->bytes.substr(start, end - start), file->ansi, codePage));
        line.begin = start;
        line.end = end;
        file->lines.push_back(std::move(line));
        start = end + 1;
    }
    return file;
}

// Parsed files by path, kept while their stamp stays: a settings file is read once per change,
// not once per value (the readers take dozens of values from one file, and a settings file may
// be megabytes long).
struct CachedFile {
    RegularFile::Stamp stamp;
    CodePage codePage;  // the code page its 8-bit lines were read in
    std::shared_ptr<const ProfileFile> profile;
};
std::map<std::string, CachedFile> g_cache;
constexpr size_t kCachedFiles = 32;

// Anything but a regular file (a folder, a pipe, a device, nothing) reads as an empty file.
std::shared_ptr<const ProfileFile> Load(const fs::path& path, const CodePage& codePage) {
    static const std::shared_ptr<const ProfileFile> kEmpty = std::make_shared<ProfileFile>();
    RegularFile file;
    if (!file.Open(path.string())) {
        g_cache.erase(path.string());
        return kEmpty;
    }
    auto cached = g_cache.find(path.string());
    if (cached != g_cache.end() && cached->second.stamp == file.FileStamp() &&
        cached->second.codePage == codePage) {
        return cached->second.profile;
    }
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    std::shared_ptr<const ProfileFile> profile = Parse(std::move(bytes), codePage);
    if (g_cache.size() >= kCachedFiles) g_cache.clear();
    g_cache[path.string()] = {file.FileStamp(), codePage, profile};
    return profile;
}

// The encodings a written line may take, the file's own first: the code page for a file with
// 8-bit lines, then UTF-8.
std::vector<std::function<std::string(const std::string&)>> LineEncodings(
    bool ansi, const CodePage& codePage) {
    const auto utf8 = [](const std::string& text) { return text; };
    if (ansi)
        return {[codePage](const std::string& text) { return Utf8ToAnsi(text, codePage); }, utf8};
    return {utf8};
}

bool SameReading(const Line& a, const Line& b) {
    return a.kind == b.kind && a.name == b.name && a.value == b.value;
}

// Whether the new file reads as the old one with lines [at, at + removed) of the old file
// given way to the expected lines: every other line reads as it did.
bool ReadsAsExpected(const ProfileFile& before, const ProfileFile& after, size_t at, size_t removed,
                     const std::vector<Line>& expected) {
    if (after.lines.size() + removed != before.lines.size() + expected.size()) return false;
    for (size_t i = 0; i < at; ++i) {
        if (!SameReading(before.lines[i], after.lines[i])) return false;
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!SameReading(expected[i], after.lines[at + i])) return false;
    }
    for (size_t i = at + removed; i < before.lines.size(); ++i) {
        if (!SameReading(before.lines[i], after.lines[i - removed + expected.size()])) return false;
    }
    return true;
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

// The temporary file of a write of the target: "." + its name + "." + the six letters or
// digits that mkostemp chose.
bool IsTemporaryOf(const std::string& entry, const std::string& targetName) {
    const std::string prefix = "." + targetName + ".";
    return entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// Removes the temporary files of the target that writes killed half-way left behind. A write
// holds a lock on its temporary file from creation until it has renamed it, so one of this
// user's that can be locked belongs to no live write. Nothing else is touched: no other name,
// no link, no folder.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& targetName) {
    std::vector<fs::path> candidates;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsTemporaryOf(it->path().filename().string(), targetName))
            candidates.push_back(it->path());
    }
    for (const fs::path& candidate : candidates) {
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {
        }, named{};
        // Still the same file under that name once locked: then no write can be using it.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(candidate.c_str(), &named) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            ::unlink(candidate.c_str());
        }
        ::close(fd);
    }
}

// A new temporary file beside the target, locked for this write; -1 when none can be made.
int CreateTemporary(const fs::path& folder, const std::string& targetName, std::string& path) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        path = (folder / ("." + targetName + ".XXXXXX")).string();
        const int fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        // A cleaner that locked it in the moment after its creation has removed it.
        struct stat st {};
        if (locked == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
        ::close(fd);
    }
    return -1;
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
    const std::string name = target.filename().string();
    RemoveStaleTemporaries(folder, name);
    std::string temporary;
    const int fd = CreateTemporary(folder, name, temporary);
    if (fd < 0) return false;
    bool ok = WriteAllBytes(fd, bytes) && ::fsync(fd) == 0 &&
              ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644) == 0;
    // Renamed while still locked, so no cleaner takes it for a left-over.
    if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    ::close(fd);
    return ok;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A section or key name that a read finds again: one line, no blanks around it (they are
// trimmed away), and a key that begins with neither ";" (a comment) nor "[" (a section, with a
// "]" in its value) and holds no "=".
bool ReadsBackAsName(const std::string& name, Line::Kind kind) {
    if (name.empty() || HasLineBreak(name) || Trim(name) != name) return false;
    if (kind == Line::Key && (name[0] == ';' || name[0] == '[')) return false;
    const Line line = ParseLine(kind == Line::Section ? "[" + name + "]" : name + "=");
    return line.kind == kind && line.name == name;
}

// Replaces the file and forgets its parse (the next read sees the new stamp anyway).
bool Replace(const fs::path& path, const std::string& bytes) {
    g_cache.erase(path.string());
    return ReplaceFile(path, bytes);
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

std::string ReadProfileString(const ProgramFiles& files, const std::string& file,
                              const std::string& section, const std::string& key,
                              const std::string& defaultText, size_t bufferChars) {
    std::string value;
    {
        std::lock_guard<std::mutex> guard(g_profileMutex);
        const std::shared_ptr<const ProfileFile> profile =
            Load(files.Resolve(file), files.codePage);
        const Line* line = FindKey(*profile, section, key);
        value = line ? Unquote(line->value) : TrimRight(defaultText);
    }
    if (bufferChars == 0) return {};
    return Utf8Prefix(value, bufferChars - 1);
}

int ReadProfileInt(const ProgramFiles& files, const std::string& file, const std::string& section,
                   const std::string& key, int defaultValue) {
    std::string value;
    {
        std::lock_guard<std::mutex> guard(g_profileMutex);
        const std::shared_ptr<const ProfileFile> profile =
            Load(files.Resolve(file), files.codePage);
        const Line* line = FindKey(*profile, section, key);
        if (!line) return defaultValue;
        value = Unquote(line->value);
    }
    if (value.empty()) return defaultValue;
    return ParseProfileInt(value);
}

bool WriteProfileString(const ProgramFiles& files, const std::string& file,
                        const std::string& section, const std::string& key,
                        const std::string& value) {
    if (!ReadsBackAsName(section, Line::Section) || !ReadsBackAsName(key, Line::Key) ||
        HasLineBreak(value)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(g_profileMutex);
    const fs::path path = files.Resolve(file);
    const std::shared_ptr<const ProfileFile> loaded = Load(path, files.codePage);
    const ProfileFile& profile = *loaded;
    const std::string& bytes = profile.bytes;
    const std::string eol = bytes.find("\r\n") != std::string::npos ? "\r\n"
                            : bytes.find('\n') != std::string::npos ? "\n"
                                                                    : "\r\n";

    // Where the change goes: the key's line (replaced; it keeps the name as the file spells
    // it), a new line after the section's last non-blank line, or a new section at the end.
    const int s = FindSection(profile, section);
    std::string keyName = key;
    size_t at = profile.lines.size(), removed = 0;
    bool newSection = s < 0;
    if (!newSection) {
        at = static_cast<size_t>(s) + 1;
        for (size_t i = at; i < profile.lines.size(); ++i) {
            const Line& line = profile.lines[i];
            if (line.kind == Line::Section) break;
            if (line.kind == Line::Key && EqualsIgnoringCase(line.name, key)) {
                keyName = line.name;
                at = i;
                removed = 1;
                break;
            }
            if (line.kind != Line::Other ||
                !Trim(bytes.substr(line.begin, line.end - line.begin)).empty()) {
                at = i + 1;
            }
        }
    }
    const std::string keyText = keyName + "=" + value;
    std::vector<Line> expected;
    if (newSection) expected.push_back(ParseLine("[" + section + "]"));
    expected.push_back(ParseLine(keyText));

    // The first encoding under which the file reads back as it should.
    for (const auto& encode : LineEncodings(profile.ansi, files.codePage)) {
        const std::string keyLine = encode(keyText);
        std::string out;
        if (newSection) {
            out = bytes;
            const size_t mark = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
            if (out.size() > mark && out.back() != '\n') out += eol;
            out += encode("[" + section + "]") + eol + keyLine + eol;
        } else if (removed) {
            const Line& line = profile.lines[at];
            size_t contentEnd = line.end;
            if (contentEnd > line.begin && bytes[contentEnd - 1] == '\r') --contentEnd;
            out = bytes.substr(0, line.begin) + keyLine + bytes.substr(contentEnd);
        } else {
            const Line& after = profile.lines[at - 1];
            if (after.end >= bytes.size()) {
                out = bytes + eol + keyLine + eol;
            } else {
                out = bytes.substr(0, after.end + 1) + keyLine + eol + bytes.substr(after.end + 1);
            }
        }
        if (ReadsAsExpected(profile, *Parse(out, files.codePage), at, removed, expected))
            return Replace(path, out);
    }
    return false;
}

}  // namespace platform
