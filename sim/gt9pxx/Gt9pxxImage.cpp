#include "sim/gt9pxx/Gt9pxxImage.h"

#include <random>

namespace sim {

std::vector<uint8_t> MakeGt9pxxImage(const std::string& productId, std::array<uint8_t, 3> version,
                                     uint32_t seed, const std::vector<Gt9pxxSection>& sections) {
    size_t length = 0x880;
    for (const Gt9pxxSection& s : sections) length += s.length;
    std::vector<uint8_t> image(length);
    std::mt19937 random(seed);
    for (auto& b : image) b = static_cast<uint8_t>(random());
    for (size_t i = 0; i < 4; ++i) {
        image[15 + i] = i < productId.size() ? static_cast<uint8_t>(productId[i]) : 0;
    }
    for (size_t i = 0; i < 3; ++i) image[21 + i] = version[i];
    image[24] = static_cast<uint8_t>(sections.size() + 1);
    size_t data = 0x880;
    for (size_t i = 0; i < sections.size(); ++i) {
        const Gt9pxxSection& s = sections[i];
        uint8_t* row = image.data() + 32 + 8 * (i + 1);
        row[0] = s.type;
        row[1] = static_cast<uint8_t>(s.length >> 8);
        row[2] = static_cast<uint8_t>(s.length);
        row[3] = static_cast<uint8_t>(s.addressWord >> 8);
        row[4] = static_cast<uint8_t>(s.addressWord);
        if (s.addressWord == 0 && s.length >= 7) {
            for (size_t k = 0; k < 4; ++k) image[data + k] = image[15 + k];
            for (size_t k = 0; k < 3; ++k) image[data + 4 + k] = version[k];
        }
        data += s.length;
    }
    return image;
}

}  // namespace sim
