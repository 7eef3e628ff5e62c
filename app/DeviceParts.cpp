#include "app/DeviceParts.h"

#include "bridge/HidDevice.h"
#include "bridgefw/BridgeIsp.h"
#include "platform/Profile.h"
#include "touch/ChipRegistry.h"

namespace app {

DeviceParts::DeviceParts(platform::HidBackend& backend, const Services& services,
                         platform::IspLibrary& ispLibrary, bool programmingAvailable)
    : programmingAvailable_(programmingAvailable),
      isp_(std::make_unique<CBridgeIsp>(ispLibrary, services.files)) {
    std::vector<std::string> vidTable;
    SplitVidList(
        platform::ReadProfileString(services.files, kAppConfigIni, "VID_LIST", "Vid List", "", 260),
        vidTable);
    device_ = std::make_unique<CHidDevice>(backend, services.clock, std::move(vidTable));
    registry_ = std::make_unique<CChipRegistry>(*device_, services.clock, services.messages,
                                                settings_, services.files);
}

DeviceParts::~DeviceParts() {
    isp_.reset();
    device_->SocketChannel().Close();
    device_->Close();
    registry_.reset();
    device_.reset();
}

void DeviceParts::SplitVidList(std::string text, std::vector<std::string>& table) {
    for (;;) {
        const size_t comma = text.rfind(',');
        const size_t from = comma == std::string::npos ? 0 : comma + 1;
        table.insert(table.begin(), text.substr(from));
        if (comma == std::string::npos || comma == 0) return;
        text.resize(comma);
    }
}

}  // namespace app
