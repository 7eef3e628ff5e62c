#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/IspLibrary.h"
#include "sim/SimBridge.h"
#include "sim/SimBus.h"

namespace sim {

// The simulated bridge's boot mode, offered to the program as the in-system-programming
// library. Bridge command 14 makes the bridge leave the bus and come back as the USB device
// 4348:55E0, which answers EnumDevices for its chip-type code, takes an image through
// FlashProgramB and, at IspEnd, leaves and comes back as the HID bridge answering the identity
// that the image carries (see BridgeImage.h), or the one it had when no image was written.
class SimBootDevice final : public platform::IspLibrary {
  public:
    static constexpr uint16_t kVendorId = 0x4348;
    static constexpr uint16_t kProductId = 0x55E0;
    // The leading 32-bit value of the device's entry in the device table.
    static constexpr uint32_t kDeviceId = 0x55E00001;

    struct Faults {
        bool neverEntersBootMode = false;  // command 14 is taken, nothing happens
        int programFailures = 0;           // this many FlashProgramB calls fail first
        bool neverComesBack = false;       // after IspEnd the device is gone for good
        bool comesBackInBootMode = false;  // after IspEnd it returns as 4348:55E0 again
    };
    struct Flash {
        uint32_t device;
        uint32_t length;
        uint8_t chipType;                    // option offset 4 when the call was made
        std::array<uint32_t, 2> optionPair;  // option offsets 14 and 6
        bool written;
    };

    // Installs the bridge's handler of command 14; the bridge must outlive this object or be
    // left alone after it is gone (the destructor removes the handler).
    SimBootDevice(SimBus& bus, std::shared_ptr<SimBridge> bridge, uint8_t chipType);
    ~SimBootDevice() override;
    SimBootDevice(const SimBootDevice&) = delete;
    SimBootDevice& operator=(const SimBootDevice&) = delete;

    void SetFaults(const Faults& faults);
    // What command 14 does: the bridge leaves, the boot-mode device arrives.
    void EnterBootMode();
    bool InBootMode() const;
    std::string Name() const;

    // Records of the library calls.
    std::vector<std::array<uint8_t, kOptionRecordSize>> Options() const;
    std::vector<Flash> Flashes() const;
    int EnumCalls() const;
    int IspEnds() const;
    // The bytes of the last image written.
    std::vector<uint8_t> Written() const;

    void SetIspOption(const uint8_t* optionRecord) override;
    int EnumDevices(uint8_t* deviceTable, int capacity, uint16_t* outA, uint16_t* outB,
                    uint32_t* outC) override;
    int FlashProgramB(uint32_t device, const uint8_t* image, uint32_t length, int arg4, int arg5,
                      int arg6, int arg7) override;
    void IspEnd(int arg1, int arg2) override;

  private:
    SimBus& bus_;
    std::shared_ptr<SimBridge> bridge_;
    const uint8_t chipType_;
    const std::string name_;
    mutable std::mutex mutex_;
    Faults faults_;
    bool inBootMode_ = false;
    std::array<uint8_t, kOptionRecordSize> option_{};
    std::vector<std::array<uint8_t, kOptionRecordSize>> options_;
    std::vector<Flash> flashes_;
    int enumCalls_ = 0;
    int ispEnds_ = 0;
    std::vector<uint8_t> written_;
    bool programmed_ = false;
};

}  // namespace sim
