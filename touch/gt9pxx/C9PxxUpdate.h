#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "touch/FwUpdate.h"

// One row of a GT9Pxx image's section table (8 bytes at 32 + 8 * i).
struct SectionEntry {
    uint8_t type;          // every block of the section starts with the word type * 0x101
    uint16_t length;       // bytes
    uint16_t addressWord;  // of the first block; grows by 0x10 per 4096-byte block

    static SectionEntry At(const uint8_t* row);
};

// Writes a GT9Pxx firmware image into the chip: holds the processor, loads the 2048-byte ISP
// stub at 0xC000 and waits for its answer, writes the sections in blocks of up to 4096
// bytes through the buffer at 0x8100 (each started at 0x8020 and confirmed at 0x8022), then
// restarts the chip and ends the download with bridge command 18.
class C9PxxUpdate : public CFwUpdate {
  public:
    using CFwUpdate::CFwUpdate;

    // Reads the block the chip's identification reads (0x8140), so that both agree.
    bool IsSameVersion() override;
    bool EnterUpdateMode() override;
    bool Update() override;
    std::string GetFirmwareVersionText() override;

    // Image layout.
    static constexpr uint32_t kSectionCountOffset = 24;
    static constexpr uint32_t kSectionTableOffset = 32;
    static constexpr uint32_t kIspOffset = 128;
    static constexpr uint32_t kIspSize = 2048;
    static constexpr uint32_t kDataOffset = 0x880;
    static constexpr uint32_t kBlockSize = 4096;

    // The checks an image must pass to be loaded: it holds the header and the ISP stub, and
    // the data of every section its table names. Reads nothing outside `length`; a fuzz
    // target may call it with any bytes.
    static bool ImageFits(const uint8_t* image, size_t length);
    // The check word of a block: makes the 16-bit sum of the block length, the address word,
    // the block read as big-endian words and the check word itself 0. For an odd length the
    // last word's low byte is `following`.
    static uint16_t CheckWord(const uint8_t* block, uint32_t length, uint16_t addressWord,
                              uint8_t following);

  protected:
    bool ImageFitsLayout(uint32_t length) const override;
    bool ImageContentFits(const uint8_t* image, uint32_t length) const override;

  private:
    bool LoadIsp();
    bool WriteFlashBlocks(const uint8_t* data, const SectionEntry& row);
    // After a failed stage: reset, release, end the download; Update then returns false.
    bool Fail();
    // Bridge command 18 with its pauses, then the first read of the restarted chip.
    void EndDownload();
    bool W(uint32_t address, uint8_t value) { return bridge_.WriteByte(address, value); }

    const uint8_t* Header = nullptr;
    std::array<uint8_t, 8192> ReadBack{};
};
