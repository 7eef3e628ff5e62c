#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The GT79xx touch firmware image (multi-byte values little-endian):
//   0   u32   body length L, counted from offset 8
//   4   u32   WordSum32 over L/2 words from offset 8
//   17  4     model characters (shown after "GT")
//   25  4     firmware version bytes
//   29  byte  sub-image count N, 1 to 47
//   30  byte  tag 0x97
//   42  10*N  sub-image table: type, size (u32), load address (u32), one unused byte
//   512 ...   the sub-images' data, one after the other in table order
namespace gt79xx {

inline constexpr size_t kMaxSubImages = 47;
inline constexpr size_t kTableOffset = 42;
inline constexpr size_t kTableRowSize = 10;
inline constexpr size_t kDataOffset = 512;
inline constexpr uint8_t kHeaderTag = 0x97;

// Sub-image types: the ISP stub (loaded into chip memory, never written as firmware) and
// the configuration (written after every other sub-image); any other type is firmware.
inline constexpr uint8_t kSubImageIsp = 1;
inline constexpr uint8_t kSubImageConfig = 2;

}  // namespace gt79xx

struct SubImageEntry {
    uint8_t type = 0;
    uint32_t size = 0;
    uint32_t loadAddress = 0;
    const uint8_t* data = nullptr;  // into the image; not owned
};

// The 32-bit wrapping sum of `count` 16-bit little-endian words from `bytes`; 0 for a count
// of 0 or less.
uint32_t WordSum32(const uint8_t* bytes, int64_t count);

// What the header check of a GT79xx image gives.
struct Gt79xxImageTable {
    uint8_t count = 0;
    uint8_t tag = 0;
    std::array<SubImageEntry, gt79xx::kMaxSubImages> rows{};
};

// The body length and its sum hold: L + 8 within `length` and the stored sum equal to the
// word sum of the body.
bool Gt79xxBodySumHolds(const uint8_t* image, size_t length);

// Checks an image of `length` bytes before anything is sent to the chip: the body length and
// sum, the tag, the sub-image count, and that the table and every sub-image's data lie inside
// the image. Fills `table` (data pointers into `image`) only when every check holds.
// Takes any bytes: this is the entry that random-input tests and fuzzing call.
bool ReadGt79xxImageTable(const uint8_t* image, size_t length, Gt79xxImageTable& table);
