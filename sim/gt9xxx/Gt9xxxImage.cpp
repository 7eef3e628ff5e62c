#include "sim/gt9xxx/Gt9xxxImage.h"

#include <algorithm>
#include <random>

namespace sim {

std::vector<uint8_t> MakeGt9xxxImage(const std::string& productId, uint16_t version,
                                     uint32_t seed) {
    std::vector<uint8_t> image(kGt9xxxImageLength);
    std::mt19937 random(seed);
    for (auto& b : image) b = static_cast<uint8_t>(random());
    for (size_t i = 0; i < 14; ++i) image[i] = 0;
    for (size_t i = 0; i < 5; ++i) {
        image[4 + i] = i < productId.size() ? static_cast<uint8_t>(productId[i]) : 0;
    }
    image[12] = static_cast<uint8_t>(version >> 8);
    image[13] = static_cast<uint8_t>(version);
    // The identity the running firmware shows at 0x8140: id characters 0-3, version low, high.
    for (size_t i = 0; i < 4; ++i) image[0x0E + i] = image[4 + i];
    image[0x0E + 4] = static_cast<uint8_t>(version);
    image[0x0E + 5] = static_cast<uint8_t>(version >> 8);
    return image;
}

bool FlashHoldsImage(const SimGt9xxxFlash::Flash& flash, const std::vector<uint8_t>& image) {
    const auto holds = [&](const std::vector<uint8_t>& part, size_t offset) {
        return offset + part.size() <= image.size() &&
               std::equal(part.begin(), part.end(), image.begin() + static_cast<long>(offset));
    };
    for (size_t i = 0; i < flash.ss51.size(); ++i) {
        if (!holds(flash.ss51[i], 0x000E + 0x2000 * i)) return false;
    }
    if (!holds(flash.dsp, 0x800E) || !holds(flash.bootloader, 0x900E)) return false;
    if (image.size() >= 0x980E && !holds(flash.bootIsp, 0x980E)) return false;
    if (image.size() >= 0xA00E && (!holds(flash.link1, 0xA00E) || !holds(flash.link2, 0xC00E)))
        return false;
    return true;
}

}  // namespace sim
