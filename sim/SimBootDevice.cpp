#include "sim/SimBootDevice.h"

#include <cstring>

#include "platform/Format.h"
#include "sim/BridgeImage.h"
#include "sim/Trace.h"

namespace sim {

namespace {
constexpr int kEnterBootModeCommand = 14;

uint32_t Get32(const uint8_t* at) {
    return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) |
           (uint32_t{at[3]} << 24);
}
}  // namespace

SimBootDevice::SimBootDevice(SimBus& bus, std::shared_ptr<SimBridge> bridge, uint8_t chipType)
    : bus_(bus),
      bridge_(std::move(bridge)),
      chipType_(chipType),
      name_(SimBus::UsbPathOf(kVendorId, kProductId, bridge_->Serial())) {
    bridge_->SetCommandHandler(kEnterBootModeCommand,
                               [this](const BridgeRequest&, std::vector<Report>&) {
                                   bool stays = false;
                                   {
                                       std::lock_guard<std::mutex> guard(mutex_);
                                       stays = faults_.neverEntersBootMode;
                                   }
                                   if (!stays) EnterBootMode();
                               });
}

SimBootDevice::~SimBootDevice() { bridge_->SetCommandHandler(kEnterBootModeCommand, nullptr); }

void SimBootDevice::SetFaults(const Faults& faults) {
    std::lock_guard<std::mutex> guard(mutex_);
    faults_ = faults;
}

std::string SimBootDevice::Name() const { return name_; }

bool SimBootDevice::InBootMode() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return inBootMode_;
}

void SimBootDevice::EnterBootMode() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (inBootMode_) return;
        inBootMode_ = true;
        programmed_ = false;
    }
    bus_.trace().Event("bridge enters boot mode");
    bus_.Unplug(bridge_);
    bus_.PlugUsb(name_);
}

std::vector<std::array<uint8_t, platform::IspLibrary::kOptionRecordSize>> SimBootDevice::Options()
    const {
    std::lock_guard<std::mutex> guard(mutex_);
    return options_;
}

std::vector<SimBootDevice::Flash> SimBootDevice::Flashes() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return flashes_;
}

int SimBootDevice::EnumCalls() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return enumCalls_;
}

int SimBootDevice::IspEnds() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return ispEnds_;
}

std::vector<uint8_t> SimBootDevice::Written() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return written_;
}

void SimBootDevice::SetIspOption(const uint8_t* optionRecord) {
    std::lock_guard<std::mutex> guard(mutex_);
    std::memcpy(option_.data(), optionRecord, option_.size());
    options_.push_back(option_);
}

int SimBootDevice::EnumDevices(uint8_t* deviceTable, int capacity, uint16_t* outA, uint16_t* outB,
                               uint32_t* outC) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++enumCalls_;
    *outA = 0;
    *outB = 0;
    *outC = 0;
    if (!inBootMode_ || capacity < 1 || option_[4] != chipType_) return 0;
    const uint32_t id = kDeviceId;
    std::memcpy(deviceTable, &id, sizeof(id));
    bus_.trace().Event(platform::Format("ISP device found, chip type %02X", chipType_));
    return 1;
}

int SimBootDevice::FlashProgramB(uint32_t device, const uint8_t* image, uint32_t length, int arg4,
                                 int arg5, int arg6, int arg7) {
    std::lock_guard<std::mutex> guard(mutex_);
    Flash flash{device, length, option_[4], {Get32(&option_[14]), Get32(&option_[6])}, false};
    const bool wellFormed = inBootMode_ && device == kDeviceId && option_[4] == chipType_ &&
                            arg4 == 1 && arg5 == 0 && arg6 == 0 && arg7 == 0 && length > 0;
    if (wellFormed && faults_.programFailures > 0) {
        --faults_.programFailures;
    } else if (wellFormed) {
        written_.assign(image, image + length);
        programmed_ = true;
        flash.written = true;
    }
    flashes_.push_back(flash);
    bus_.trace().Event(
        platform::Format("ISP program %u bytes: %s", length, flash.written ? "written" : "failed"));
    return flash.written ? 1 : 0;
}

void SimBootDevice::IspEnd(int arg1, int arg2) {
    bool back = false, backInBootMode = false, programmed = false;
    std::string identity;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++ispEnds_;
        if (!inBootMode_ || arg1 != 0 || arg2 != 1) return;
        back = !faults_.neverComesBack;
        backInBootMode = back && faults_.comesBackInBootMode;
        inBootMode_ = backInBootMode;
        programmed = programmed_;
        identity = IdentityInImage(written_.data(), written_.size());
    }
    // The bridge's lock is taken outside ours: its command handler takes ours.
    if (programmed) bridge_->SetIdentity(identity);
    bus_.trace().Event("ISP end");
    bus_.UnplugUsb(name_);
    if (backInBootMode) {
        bus_.PlugUsb(name_);
    } else if (back) {
        bus_.Plug(bridge_);
    }
}

}  // namespace sim
