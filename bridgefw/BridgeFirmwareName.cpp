#include "bridgefw/BridgeFirmwareName.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "bridge/RegisterAccess.h"
#include "platform/AsciiCase.h"
#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Path.h"

namespace {

constexpr size_t kIdentitySize = 32;

struct PrefixRow {
    uint16_t productId;
    const char* prefix;
};

// The bridge models whose files do not follow "S%x_v": the 0x0101 bridge is the handheld
// model ("H"), and the 0x0105 and 0x0106 bridges come in two builds each, told apart by a
// letter behind the model number.
constexpr PrefixRow kPrefixes[] = {
    {0x0101, "H101_v"},
    {0x0105, "S105L_v"},
    {0x0106, "S106W_v"},
};

}  // namespace

std::string BridgeFirmwarePrefix(uint16_t productId) {
    const auto row =
        std::find_if(std::begin(kPrefixes), std::end(kPrefixes),
                     [productId](const PrefixRow& r) { return r.productId == productId; });
    if (row != std::end(kPrefixes)) return row->prefix;
    return platform::Format("S%x_v", static_cast<unsigned>(productId));
}

std::string BridgeFirmwareVersion(const std::string& identity) {
    const size_t cut = identity.rfind('_');
    std::string version = cut == std::string::npos ? identity : identity.substr(cut + 1);
    if (!version.empty() && (version[0] == 'v' || version[0] == 'V')) version.erase(0, 1);
    return version;
}

std::string BridgeFirmwareNameOf(const uint8_t* identity, size_t length, uint16_t productId,
                                 const platform::CodePage& codePage) {
    length = std::min(length, kIdentitySize);
    const size_t textLength =
        static_cast<size_t>(std::find(identity, identity + length, uint8_t{0}) - identity);
    return BridgeFirmwarePrefix(productId) +
           BridgeFirmwareVersion(platform::AnsiToUtf8(identity, textLength, codePage));
}

std::string GetBridgeFirmwareName(RegisterAccess* bridge, uint16_t productId,
                                  const platform::CodePage& codePage) {
    if (!bridge) return {};
    std::array<uint8_t, kIdentitySize> identity{};
    if (!bridge->Exchange({kRequestRead, kCmdBridgeIdentity, 0, 300, QueueEnd::Back},
                          identity.data(), kIdentitySize))
        return {};
    return BridgeFirmwareNameOf(identity.data(), identity.size(), productId, codePage);
}

bool ImageNameAllowsVersion(const std::string& imagePath, const std::string& version) {
    std::string name = platform::FileNameOf(imagePath);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    const size_t mark = platform::AsciiLower(name).find("_v");
    if (mark == std::string::npos) return true;
    const std::string carried = name.substr(mark + 2);
    if (version.empty() || carried.size() < version.size() ||
        !platform::EqualsIgnoringCase(carried.substr(0, version.size()), version))
        return false;
    if (carried.size() == version.size()) return true;
    const char next = carried[version.size()];
    const bool continues = (next >= '0' && next <= '9') || (next >= 'a' && next <= 'z') ||
                           (next >= 'A' && next <= 'Z') || next == '.';
    return !continues;
}

std::string FirmwareMismatch(const std::string& firmwareName, const std::string& imagePath) {
    // A name is its model prefix, which ends in "_v", and the version, which holds no "_": the
    // version is what stands behind the name's last "_v".
    const std::string version = BridgeFirmwareVersion(firmwareName);
    if (ImageNameAllowsVersion(imagePath, version)) return {};
    return "[Halden]The bridge reports firmware \"" + firmwareName + "\" (version \"" + version +
           "\") where the image \"" + platform::FileNameOf(imagePath) + "\" names another version";
}
