#pragma once

#include <functional>
#include <string>

#include "platform/TextError.h"

namespace testsupport {

// The text of the platform::TextError that an action throws; empty when it throws none.
inline std::string ThrownText(const std::function<void()>& action) {
    try {
        action();
    } catch (const platform::TextError& e) {
        return e.what();
    }
    return "";
}

}  // namespace testsupport
