#include "support/BridgeFixture.h"

#include "platform/Format.h"
#include "touch/FamilyTraits.h"

namespace testsupport {

platform::HidInterfaceInfo MakeInterface(const std::string& path, uint16_t vid, uint16_t pid,
                                         uint16_t version, uint16_t reportLength) {
    platform::HidInterfaceInfo info;
    info.path = path;
    info.vendorId = vid;
    info.productId = pid;
    info.versionNumber = version;
    info.inputReportLength = reportLength;
    info.outputReportLength = reportLength;
    return info;
}

HeaderLayout LayoutOf(ChipFamily family) {
    const FamilyTraits* traits = TraitsOf(family);
    return traits ? traits->headerLayout : HeaderLayout{};
}

DeviceScope::DeviceScope(platform::HidBackend& backend, std::vector<std::string> vids,
                         ChipFamily family)
    : DeviceScope(backend, ownClock_, std::move(vids), family) {}

DeviceScope::DeviceScope(platform::HidBackend& backend, platform::VirtualClock& clock,
                         std::vector<std::string> vids, ChipFamily family)
    : clock_(clock) {
    device_ = std::make_unique<CHidDevice>(backend, clock_, std::move(vids));
    device_->SetHeaderLayout(LayoutOf(family));
}

DeviceScope::~DeviceScope() { device_.reset(); }

SimBridgeScope::SimBridgeScope(ChipFamily family, uint16_t vid, uint16_t pid, uint16_t version)
    : rig_({.vendorId = vid,
            .bridgeModel = pid,
            .bridgeVersion = version,
            .openNow = false,
            .chipRegistry = false}) {
    rig_.bridge->SetFamily(family);
    rig_.bridge->SetRequestHeader(LayoutOf(family).packedCommand
                                      ? sim::SimBridge::RequestHeader::Packed
                                      : sim::SimBridge::RequestHeader::Plain);
    rig_.device().SetHeaderLayout(LayoutOf(family));
    opened_ = rig_.Open();
}

std::string Hex(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    std::string out;
    for (size_t i = from; i < bytes.size() && i < from + count; ++i) {
        if (!out.empty()) out += ' ';
        out += platform::Format("%02x", bytes[i]);
    }
    return out;
}

}  // namespace testsupport
