#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "touch/FwUpdate.h"
#include "touch/gt79xx/Gt79xxImage.h"

// Writes a GT79xx firmware image into the chip: bridge commands 43 and 41, the chip's update
// state, the image's ISP sub-image loaded into chip memory until it announces "ISP", then the
// configuration and the firmware sub-images in chunks of at most 4096 bytes through the
// mailbox at 0x13400 (header) and 0x13410 (data and sum), bridge commands 42 and 40 and a
// chip reset. Every failure is followed by that closing sequence.
class C79xxUpdate : public CFwUpdate {
  public:
    static constexpr uint32_t kIspLoadAddr = 0x57000;
    static constexpr uint32_t kMailboxHeaderAddr = 0x13400;
    static constexpr uint32_t kMailboxDataAddr = 0x13410;
    static constexpr uint32_t kConfigLoadAddr = 0x40000;
    static constexpr uint32_t kChunkSize = 4096;
    static constexpr uint8_t kChunkAcknowledged = 0xEE;

    using CFwUpdate::CFwUpdate;

    bool IsSameVersion() override;
    // The file is unchanged since it was loaded and its body sum holds.
    bool CheckFirmwareFile() override;
    bool EnterUpdateMode() override;
    bool Update() override;
    // "GT" + the model characters ("GT7988" shown as "GT7987P") + "_%02X.%02X.%02X.%02X".
    std::string GetFirmwareVersionText() override;

    bool LoadIsp();
    // One sub-image, chunk by chunk; one progress line per chunk.
    bool WriteFlashBlocks(const SubImageEntry& entry);
    // Firmware sub-images in table order, then the configuration sub-images.
    bool WriteSubImages();

    uint8_t SubImageCount = 0;
    uint8_t HeaderTag = 0;
    std::array<SubImageEntry, gt79xx::kMaxSubImages> SubImages{};
    uint32_t ProgressBytes = 0;

  protected:
    // While GT79xx is the registry's current family: the configuration of a ".cfg" file (its
    // header and the body the header states, read as the configuration step reads it) into the
    // configuration buffer when it is shorter than 4096 bytes. Passes on the reader's refusals:
    // a file that cannot be opened, a header that is not whole or fails its checksum, a file
    // that holds fewer values than its header states.
    void LoadTravellingConfig(const std::string& configPath) override;

  private:
    bool Fail(unsigned message);
    // Bridge commands 42 and 40 and the chip reset, with the reset's line.
    bool CloseUpdate();
    void LogProgressPercent(uint32_t percent) const;
};
