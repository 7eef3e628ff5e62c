#include <string>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/CodePage.h"

namespace fuzz {

int CodePageEntry(const uint8_t* data, size_t size) {
    const platform::CodePage codePage;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = platform::AnsiToUtf8(bytes, codePage);
    Require(platform::IsValidUtf8(text), "8-bit text converts to UTF-8");
    Require(platform::IsValidUtf8(platform::Latin1ToUtf8(bytes)), "Latin-1 converts to UTF-8");
    Require(platform::Utf8Length(platform::Latin1ToUtf8(bytes)) == size,
            "one character per Latin-1 byte");
    platform::Utf8ToAnsi(bytes, codePage);
    const std::string ansi = platform::Utf8ToAnsi(text, codePage);

    const size_t count = size % 17;
    const std::string prefix = platform::Utf8Prefix(bytes, count);
    Require(bytes.compare(0, prefix.size(), prefix) == 0, "a prefix is a prefix");
    Require(platform::Utf8Length(prefix) == std::min(count, platform::Utf8Length(bytes)),
            "a prefix holds the characters asked for");
    if (platform::IsValidUtf8(bytes)) {
        Require(platform::IsValidUtf8(prefix), "a prefix of UTF-8 splits no character");
    }
    return 0;
}

}  // namespace fuzz
