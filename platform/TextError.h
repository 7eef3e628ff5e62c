#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// A file or configuration error, carrying the text the user is shown. Thrown by the steps
// that read files and configurations, caught by the upgrade run, which logs the text.
class TextError : public std::runtime_error {
  public:
    explicit TextError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace platform
