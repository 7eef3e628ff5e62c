#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <vector>

namespace platform {

namespace {

constexpr const char* kReplacementUtf8 = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at text[i], 0 when there is none.
size_t SequenceLength(const std::string& text, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    const size_t left = text.size() - i;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return left >= 2 && IsContinuation(at(i + 1)) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !IsContinuation(at(i + 1)) || !IsContinuation(at(i + 2))) return 0;
        if (c == 0xE0 && at(i + 1) < 0xA0) return 0;   // overlong
        if (c == 0xED && at(i + 1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || !IsContinuation(at(i + 1)) || !IsContinuation(at(i + 2)) ||
            !IsContinuation(at(i + 3))) {
            return 0;
        }
        if (c == 0xF0 && at(i + 1) < 0x90) return 0;   // overlong
        if (c == 0xF4 && at(i + 1) >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

// What iconv_open gives when it has no such conversion.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The converters of one thread, opened once per direction and kept (a few at most): opening
// one costs far more than converting a field of a settings file, and the readers convert
// field by field. Each is handed out in its initial state.
class Converters {
  public:
    Converters() = default;
    Converters(const Converters&) = delete;
    Converters& operator=(const Converters&) = delete;
    ~Converters() {
        for (const Open& open : open_) iconv_close(open.cd);
    }

    // kNoConverter when iconv has no such conversion.
    iconv_t Get(const std::string& from, const std::string& to) {
        for (const Open& open : open_) {
            if (open.from == from && open.to == to) {
                iconv(open.cd, nullptr, nullptr, nullptr, nullptr);
                return open.cd;
            }
        }
        const iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == kNoConverter) return kNoConverter;
        if (open_.size() == kMostOpen) {
            iconv_close(open_.front().cd);
            open_.erase(open_.begin());
        }
        open_.push_back({from, to, cd});
        return cd;
    }

  private:
    static constexpr size_t kMostOpen = 8;
    struct Open {
        std::string from, to;
        iconv_t cd;
    };
    std::vector<Open> open_;
};

// Converts with iconv; an unconvertible input byte becomes the replacement and is skipped.
// Without a converter, ASCII passes and every other byte becomes the replacement.
std::string Convert(const char* data, size_t length, const std::string& from, const std::string& to,
                    const std::string& replacement) {
    thread_local Converters converters;
    std::string out;
    iconv_t cd = converters.Get(from, to);
    if (cd == kNoConverter) {
        for (size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(data[i]);
            if (c < 0x80) {
                out.push_back(static_cast<char>(c));
            } else {
                out += replacement;
            }
        }
        return out;
    }
    char* in = const_cast<char*>(data);
    size_t inLeft = length;
    char chunk[1024];
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof(chunk);
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // An invalid or unconvertible sequence: replace it and go on. From UTF-8 a whole
        // character is skipped, otherwise one byte.
        out += replacement;
        size_t skip = 1;
        if (from == "UTF-8") {
            const std::string rest(in, std::min<size_t>(inLeft, 4));
            skip = std::max<size_t>(SequenceLength(rest, 0), 1);
        }
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    char* outPtr = chunk;
    size_t outLeft = sizeof(chunk);
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(chunk, static_cast<size_t>(outPtr - chunk));
    return out;
}

}  // namespace

CodePage::CodePage(const std::string& name) {
    if (name.empty()) return;
    name_ = std::all_of(name.begin(), name.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })
                ? "CP" + name
                : name;
}

std::string AnsiToUtf8(const std::string& bytes, const CodePage& codePage) {
    return Convert(bytes.data(), bytes.size(), codePage.Name(), "UTF-8", kReplacementUtf8);
}

std::string AnsiToUtf8(const uint8_t* bytes, size_t length, const CodePage& codePage) {
    return Convert(reinterpret_cast<const char*>(bytes), length, codePage.Name(), "UTF-8",
                   kReplacementUtf8);
}

std::string Utf8ToAnsi(const std::string& text, const CodePage& codePage) {
    return Convert(text.data(), text.size(), "UTF-8", codePage.Name(), "?");
}

std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = SequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

size_t Utf8Length(const std::string& text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        const size_t n = SequenceLength(text, i);
        i += n ? n : 1;
    }
    return count;
}

std::string Utf8Prefix(const std::string& text, size_t count) {
    size_t i = 0;
    for (size_t taken = 0; i < text.size() && taken < count; ++taken) {
        const size_t n = SequenceLength(text, i);
        i += n ? n : 1;
    }
    return text.substr(0, i);
}

}  // namespace platform
