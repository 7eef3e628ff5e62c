#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "touch/FwUpdate.h"

// Writes a GT73xx firmware image into the chip: checks the image's length and sum, opens the
// bridge's update session (commands 43 and 41), holds the processor, loads and verifies the
// ISP stub at 0x8000, then writes the bootloader, Gm11 and G1 regions in blocks of 8192 bytes,
// each announced by a 12-byte header at 0xFFF0 and confirmed by the stub's three-step
// handshake, and restarts the chip before closing the session (commands 42 and 40).
class C73xxUpdate : public CFwUpdate {
  public:
    using CFwUpdate::CFwUpdate;

    bool IsSameVersion() override;
    // The length field and the sum of the loaded image (the file's time is not looked at).
    bool CheckFirmwareFile() override;
    bool EnterUpdateMode() override;
    bool Update() override;
    std::string GetFirmwareVersionText() override;

    // Image layout.
    static constexpr uint32_t kSummedFrom = 6;
    static constexpr uint32_t kIspOffset = 0x100;
    static constexpr uint32_t kIspSize = 4096;
    static constexpr uint32_t kBootloaderOffset = 0x1100;
    static constexpr uint32_t kBootloaderSize = 2048;
    static constexpr uint32_t kBootloaderFlash = 0x3D000;
    static constexpr uint32_t kGm11Offset = 0x1900;
    static constexpr uint32_t kGm11Size = 0x1F000;
    static constexpr uint32_t kG1Offset = 0x22900;
    static constexpr uint32_t kG1Size = 0xC000;
    static constexpr uint32_t kG1Flash = 0x20000;
    // The G1 block for flash 0x28000 is kept apart in the image.
    static constexpr uint32_t kApartOffset = 0x20900;
    static constexpr uint32_t kApartFlash = 0x28000;
    static constexpr uint32_t kLayoutEnd = 0x2E900;
    static constexpr uint32_t kBlockSize = 8192;

    // The check an image must pass to be loaded: it holds every region the download reads.
    // Its length field and sum are CheckFirmwareFile's (message 422), not the load's. Reads
    // nothing outside `length`; a fuzz target may call it with any bytes.
    static bool ImageFits(const uint8_t* image, size_t length);

  protected:
    bool ImageFitsLayout(uint32_t length) const override;

  private:
    bool LoadIsp();
    bool WriteFlashBlocks(const uint8_t* data, uint32_t flashAddress, uint32_t length);
    // Ends the bridge's update session (commands 42 and 40, results ignored).
    void CloseSession();
    bool W(uint32_t address, uint8_t value) { return bridge_.WriteByte(address, value); }

    std::array<uint8_t, kIspSize> ReadBack{};
};
