#include "sim/gt79xx/Gt79xxImage.h"

#include <algorithm>
#include <random>

namespace sim {

namespace {

void PutLE(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t SumOfWords(const uint8_t* bytes, size_t words) {
    uint32_t sum = 0;
    for (size_t i = 0; i < words; ++i) sum += bytes[2 * i] | (bytes[2 * i + 1] << 8);
    return sum;
}

std::vector<uint8_t> RandomBytes(size_t length, std::mt19937& random) {
    std::vector<uint8_t> bytes(length);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

}  // namespace

std::vector<uint8_t> BuildGt79xxImage(const std::string& model, std::array<uint8_t, 4> version,
                                      const std::vector<Gt79xxSubImage>& subImages) {
    std::vector<uint8_t> image(512);
    for (size_t i = 0; i < 4; ++i) {
        image[17 + i] = i < model.size() ? static_cast<uint8_t>(model[i]) : 0;
        image[25 + i] = version[i];
    }
    image[29] = static_cast<uint8_t>(subImages.size());
    image[30] = 0x97;
    for (size_t i = 0; i < subImages.size() && i < 47; ++i) {
        uint8_t* row = image.data() + 42 + 10 * i;
        row[0] = subImages[i].type;
        PutLE(row + 1, static_cast<uint32_t>(subImages[i].data.size()), 4);
        PutLE(row + 5, subImages[i].loadAddress, 4);
    }
    for (const Gt79xxSubImage& sub : subImages) {
        image.insert(image.end(), sub.data.begin(), sub.data.end());
    }
    const auto body = static_cast<uint32_t>(image.size() - 8);
    PutLE(image.data(), body, 4);
    PutLE(image.data() + 4, SumOfWords(image.data() + 8, body / 2), 4);
    return image;
}

std::vector<uint8_t> MakeGt79xxImage(const std::string& model, std::array<uint8_t, 4> version,
                                     uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Gt79xxSubImage> subImages = {
        {1, 0x57000, RandomBytes(8192, random)},
        {3, 0x00000, RandomBytes(128 * 1024, random)},
        {4, 0x20000, RandomBytes(40000, random)},
        {2, 0x40000, MakeGt79xxConfig(444, seed)},
    };
    std::vector<uint8_t>& firmware = subImages[1].data;
    for (size_t i = 0; i < 4; ++i) {
        firmware[i] = i < model.size() ? static_cast<uint8_t>(model[i]) : 0;
        firmware[4 + i] = version[i];
    }
    return BuildGt79xxImage(model, version, subImages);
}

std::vector<uint8_t> MakeGt79xxConfig(uint16_t bodyLength, uint32_t seed) {
    std::mt19937 random(seed);
    const size_t length = 64u + bodyLength;
    std::vector<uint8_t> image = RandomBytes(length, random);
    PutLE(image.data() + 59, bodyLength, 2);
    // Packs of at most 120 bytes (two-byte head: length, number) up to the tail.
    size_t start = 64;
    const size_t tail = bodyLength >= 4 ? length - 4 : 64;
    for (uint8_t number = 1; start + 2 <= tail; ++number) {
        const size_t packLength = std::min<size_t>(120, tail - start);
        image[start] = static_cast<uint8_t>(packLength);
        image[start + 1] = number;
        start += packLength;
    }
    uint16_t headerSum = 0;
    for (size_t i = 0; i < 62; ++i) headerSum = static_cast<uint16_t>(headerSum + image[i]);
    PutLE(image.data() + 62, headerSum, 2);
    if (bodyLength >= 4) {
        PutLE(image.data() + tail, SumOfWords(image.data() + 64, (bodyLength - 4) / 2), 4);
    }
    return image;
}

}  // namespace sim
