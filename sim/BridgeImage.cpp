#include "sim/BridgeImage.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/Format.h"

namespace sim {

std::vector<uint8_t> MakeBridgeImage(const std::string& identity, size_t size, uint32_t seed) {
    const std::string tag = kBridgeIdentityMarker + identity;
    size = std::max(size, tag.size() + 1 + 16);
    std::vector<uint8_t> image(size);
    std::mt19937 random(seed);
    for (auto& byte : image) byte = static_cast<uint8_t>(random());
    // The identity sits behind a small vector area, as firmware keeps its version string.
    std::memcpy(image.data() + 16, tag.data(), tag.size());
    image[16 + tag.size()] = 0;
    return image;
}

std::string IdentityInImage(const uint8_t* image, size_t length) {
    const char* begin = reinterpret_cast<const char*>(image);
    const char* end = begin + length;
    const char* marker = kBridgeIdentityMarker;
    const char* found = std::search(begin, end, marker, marker + std::strlen(marker));
    if (found == end) return {};
    const char* text = found + std::strlen(marker);
    return std::string(text, std::find(text, end, '\0'));
}

std::string ToIntelHex(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3 + 64);
    auto record = [&text](uint32_t address, uint8_t type, const uint8_t* data, size_t count) {
        unsigned sum = static_cast<unsigned>(count) + (address >> 8) + (address & 0xFF) + type;
        text += platform::Format(":%02X%04X%02X", static_cast<unsigned>(count), address & 0xFFFF,
                                 static_cast<unsigned>(type));
        for (size_t i = 0; i < count; ++i) {
            text += platform::Format("%02X", static_cast<unsigned>(data[i]));
            sum += data[i];
        }
        text += platform::Format("%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    };
    for (size_t offset = 0; offset < bytes.size(); offset += 16) {
        if (offset % 0x10000 == 0 && offset) {
            const uint8_t upper[2] = {static_cast<uint8_t>(offset >> 24),
                                      static_cast<uint8_t>(offset >> 16)};
            record(0, 4, upper, 2);
        }
        record(static_cast<uint32_t>(offset), 0, bytes.data() + offset,
               std::min<size_t>(16, bytes.size() - offset));
    }
    record(0, 1, nullptr, 0);
    return text;
}

std::string RawImageName(const std::string& stem, const std::vector<uint8_t>& bytes) {
    unsigned sum = 0;
    for (const uint8_t byte : bytes) sum += byte;
    return stem + platform::Format("_%04X.bin", (0x10000 - (sum & 0xFFFF)) & 0xFFFF);
}

}  // namespace sim
