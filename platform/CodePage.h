#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// 8-bit text: the settings files, the UI item files and the identification bytes of the
// devices are 8-bit text in one code page (CP936 unless configured otherwise). Text inside
// the program is UTF-8.

// The code page of 8-bit text, a value handed to what converts such text. Its name is an
// iconv name ("CP936"); a bare number such as "936" names the Windows code page of that
// number, and an empty name is CP936, as is the default.
class CodePage {
  public:
    CodePage() = default;
    explicit CodePage(const std::string& name);

    const std::string& Name() const { return name_; }
    bool operator==(const CodePage& other) const = default;

  private:
    std::string name_ = "CP936";
};

// 8-bit text to UTF-8. A byte sequence that the code page does not define becomes U+FFFD.
std::string AnsiToUtf8(const std::string& bytes, const CodePage& codePage);
std::string AnsiToUtf8(const uint8_t* bytes, size_t length, const CodePage& codePage);
// UTF-8 to 8-bit text. A character that the code page cannot hold becomes "?".
std::string Utf8ToAnsi(const std::string& text, const CodePage& codePage);
// Each byte as the character of the same number (U+0000 to U+00FF), in UTF-8.
std::string Latin1ToUtf8(const std::string& bytes);

bool IsValidUtf8(const std::string& text);
// Number of characters of UTF-8 text (a stray byte counts as one).
size_t Utf8Length(const std::string& text);
// The first count characters of UTF-8 text, never splitting a character.
std::string Utf8Prefix(const std::string& text, size_t count);

}  // namespace platform
