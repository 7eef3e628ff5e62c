#include "touch/gt79xx/Gt79xxImage.h"

namespace {

uint32_t U32At(const uint8_t* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

uint32_t WordSum32(const uint8_t* bytes, int64_t count) {
    uint32_t sum = 0;
    for (int64_t i = 0; i < count; ++i) sum += bytes[2 * i] | (bytes[2 * i + 1] << 8);
    return sum;
}

bool Gt79xxBodySumHolds(const uint8_t* image, size_t length) {
    if (!image || length < 8) return false;
    const uint32_t body = U32At(image);
    if (uint64_t{body} + 8 > length) return false;
    return U32At(image + 4) == WordSum32(image + 8, body / 2);
}

bool ReadGt79xxImageTable(const uint8_t* image, size_t length, Gt79xxImageTable& table) {
    using namespace gt79xx;
    if (!Gt79xxBodySumHolds(image, length) || length < kDataOffset) return false;
    const uint8_t count = image[29];
    if (image[30] != kHeaderTag || count < 1 || count > kMaxSubImages) return false;
    Gt79xxImageTable read;
    read.count = count;
    read.tag = image[30];
    uint64_t offset = kDataOffset;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* row = image + kTableOffset + kTableRowSize * i;
        SubImageEntry& entry = read.rows[i];
        entry.type = row[0];
        entry.size = U32At(row + 1);
        entry.loadAddress = U32At(row + 5);
        if (offset + entry.size > length) return false;
        entry.data = image + offset;
        offset += entry.size;
    }
    table = read;
    return true;
}
