#pragma once

#include <cstddef>
#include <cstdint>

// A report to the bridge: report id 3, the six header bytes, 57 payload bytes.
// A report from the bridge: report id, then 63 data bytes.
inline constexpr size_t kReportSize = 64;
inline constexpr uint8_t kReportId = 3;
inline constexpr size_t kHeaderOffset = 1;
inline constexpr size_t kPayloadOffset = 7;
inline constexpr size_t kPayloadSize = kReportSize - kPayloadOffset;  // 57
inline constexpr size_t kInputDataSize = kReportSize - 1;             // 63

// Continuation markers in byte 2 of a multi-report write.
inline constexpr uint8_t kMarkerFirstFT = 0x2C;
inline constexpr uint8_t kMarkerMiddle = 0x2D;
inline constexpr uint8_t kMarkerLast = 0x2E;

using HidReport = uint8_t[kReportSize];
