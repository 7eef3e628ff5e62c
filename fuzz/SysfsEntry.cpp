#include <string>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/linux/HidrawSysfs.h"

namespace fuzz {

int SysfsEntry(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    platform::ParseHexAttribute(text);
    platform::ParseHidId(text);

    const std::vector<std::string> parts = Parts(data, size, 2);
    Require(!(platform::HidrawNodeBefore(parts[0], parts[1]) &&
              platform::HidrawNodeBefore(parts[1], parts[0])),
            "node order is antisymmetric");
    const std::string node = platform::HidrawNodeOfName(parts[0]);
    Require(node.find('#') == std::string::npos, "a node holds no '#'");
    const std::string name =
        platform::HidrawInterfaceName(node, 0x27C6, 0x0102, static_cast<int>(size % 3) - 1);
    Require(platform::HidrawNodeOfName(name) == node, "the node of a built name is its node");
    return 0;
}

}  // namespace fuzz
