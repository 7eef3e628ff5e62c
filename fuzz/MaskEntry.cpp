#include <string>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/FileSearch.h"

namespace fuzz {

int MaskEntry(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = Parts(data, size, 2);
    const std::string& name = parts[0];
    const std::string& mask = parts[1];
    platform::MatchesMask(name, mask);
    Require(platform::MatchesMask(name, "*"), "\"*\" matches every name");
    Require(platform::MatchesMask(name, "*.*"), "\"*.*\" matches every name");
    if (name.find_first_of("*?") == std::string::npos) {
        Require(platform::MatchesMask(name, name), "a name without wildcards matches itself");
        Require(platform::MatchesMask(name + mask, name + "*"), "a name matches name*");
    }
    return 0;
}

}  // namespace fuzz
