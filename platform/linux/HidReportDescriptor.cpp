#include "platform/linux/HidReportDescriptor.h"

#include <algorithm>
#include <array>
#include <vector>

namespace platform {

namespace {

// Item types and tags of short items.
constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kMainInput = 0x8;
constexpr uint8_t kMainOutput = 0x9;
constexpr uint8_t kMainCollection = 0xA;
constexpr uint8_t kMainEndCollection = 0xC;
constexpr uint8_t kGlobalReportSize = 0x7;
constexpr uint8_t kGlobalReportId = 0x8;
constexpr uint8_t kGlobalReportCount = 0x9;
constexpr uint8_t kGlobalPush = 0xA;
constexpr uint8_t kGlobalPop = 0xB;
constexpr uint8_t kLongItemPrefix = 0xFE;

// Deeper nesting than this is not a descriptor any device sends.
constexpr size_t kMaxPushDepth = 32;
// Bit counts saturate here; anything this large is refused by the caller anyway.
constexpr uint64_t kBitLimit = uint64_t{1} << 40;

struct GlobalState {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

uint16_t LengthOf(const std::array<uint64_t, 256>& bits) {
    const uint64_t largest = *std::max_element(bits.begin(), bits.end());
    if (largest == 0) return 0;
    const uint64_t bytes = (largest + 7) / 8 + 1;
    return static_cast<uint16_t>(std::min<uint64_t>(bytes, 0xFFFF));
}

}  // namespace

HidReportLayout ParseReportDescriptor(const uint8_t* data, size_t size) {
    HidReportLayout layout;
    if (!data && size) return layout;
    std::array<uint64_t, 256> inputBits{};
    std::array<uint64_t, 256> outputBits{};
    GlobalState state;
    std::vector<GlobalState> stack;
    size_t collectionDepth = 0;
    bool numbered = false;

    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == kLongItemPrefix) {
            // Long item: prefix, data size, tag, data. None is defined; skip it whole.
            if (size - pos < 3) return {};
            const size_t length = data[pos + 1];
            if (size - pos - 3 < length) return {};
            pos += 3 + length;
            continue;
        }
        const size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (size - pos - 1 < length) return {};
        uint32_t value = 0;
        for (size_t i = 0; i < length; ++i) value |= uint32_t{data[pos + 1 + i]} << (8 * i);
        pos += 1 + length;

        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        if (type == kTypeMain) {
            switch (tag) {
                case kMainInput:
                case kMainOutput: {
                    auto& bits = tag == kMainInput ? inputBits : outputBits;
                    // Saturates rather than wraps: the sum of many large items must not
                    // come round to a small, plausible length.
                    const uint64_t added = uint64_t{state.reportSize} * state.reportCount;
                    uint64_t& total = bits[state.reportId];
                    total = added >= kBitLimit - total ? kBitLimit : total + added;
                    break;
                }
                case kMainCollection:
                    ++collectionDepth;
                    break;
                case kMainEndCollection:
                    if (collectionDepth == 0) return {};
                    --collectionDepth;
                    break;
                default:
                    break;
            }
        } else if (type == kTypeGlobal) {
            switch (tag) {
                case kGlobalReportSize:
                    state.reportSize = value;
                    break;
                case kGlobalReportCount:
                    state.reportCount = value;
                    break;
                case kGlobalReportId:
                    if (value == 0 || value > 0xFF) return {};
                    state.reportId = value;
                    numbered = true;
                    break;
                case kGlobalPush:
                    if (stack.size() >= kMaxPushDepth) return {};
                    stack.push_back(state);
                    break;
                case kGlobalPop:
                    if (stack.empty()) return {};
                    state = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        }
        // Local items and reserved types carry nothing about report sizes.
    }
    if (collectionDepth != 0) return {};

    layout.wellFormed = true;
    layout.numberedReports = numbered;
    layout.inputReportLength = LengthOf(inputBits);
    layout.outputReportLength = LengthOf(outputBits);
    return layout;
}

}  // namespace platform
