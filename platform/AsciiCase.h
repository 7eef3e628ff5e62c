#pragma once

#include <string>

namespace platform {

// Case folding of the ASCII letters only; every other byte (UTF-8 included) stays as it is.
char AsciiUpper(char c);
std::string AsciiUpper(std::string text);
std::string AsciiLower(std::string text);

// ASCII letters compared without case.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);
// Orders texts by their upper-case form, then by their bytes.
bool LessIgnoringCase(const std::string& a, const std::string& b);

}  // namespace platform
