#include "sim/gt73xx/Gt73xxImage.h"

#include <random>

namespace sim {

void SealGt73xxImage(std::vector<uint8_t>& image) {
    const uint32_t length = static_cast<uint32_t>(image.size() - 6);
    uint16_t sum = 0;
    for (size_t i = 6; i < image.size(); ++i) sum = static_cast<uint16_t>(sum + image[i]);
    for (int i = 0; i < 4; ++i) image[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    image[4] = static_cast<uint8_t>(sum >> 8);
    image[5] = static_cast<uint8_t>(sum);
}

std::vector<uint8_t> MakeGt73xxImage(const std::string& productId, std::array<uint8_t, 3> version,
                                     uint32_t seed) {
    std::vector<uint8_t> image(kGt73xxImageLength);
    std::mt19937 random(seed);
    for (auto& b : image) b = static_cast<uint8_t>(random());
    for (size_t i = 0; i < 4; ++i) {
        const uint8_t c = i < productId.size() ? static_cast<uint8_t>(productId[i]) : 0;
        image[19 + i] = c;
        image[0x1900 + i] = c;
    }
    image[0x1900 + 4] = 0;
    for (size_t i = 0; i < 3; ++i) image[24 + i] = image[0x1900 + 5 + i] = version[i];
    SealGt73xxImage(image);
    return image;
}

}  // namespace sim
