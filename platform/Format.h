#pragma once

#include <string>

namespace platform {

// printf-style formatting into a std::string ("%02X", "%4X", "%d", "%s", ...).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
