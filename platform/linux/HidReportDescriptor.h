#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// What the program needs to know of a HID report descriptor.
struct HidReportLayout {
    // False when the descriptor is malformed (an item runs past the end, a long item is cut
    // short, report id 0, unbalanced collections or push/pop); the lengths are then 0.
    bool wellFormed = false;
    // True when the descriptor declares report ids: reports then carry the id in byte 0.
    bool numberedReports = false;
    // Length of the largest input and output report including byte 0 (the report id, or the
    // 0 that stands in its place when the device does not number its reports); 0 when the
    // descriptor declares no report of the kind. Lengths beyond 65535 are given as 65535.
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
};

// Reads the report sizes out of a report descriptor. Reads only [data, data + size).
HidReportLayout ParseReportDescriptor(const uint8_t* data, size_t size);

}  // namespace platform
