#pragma once

#include <cstdint>

// A chip command: up to 10 bytes written at a register address with bridge command 6 or 7.
struct CommandRecord {
    uint32_t address = 0;
    uint16_t length = 0;  // 0 to 10
    uint8_t data[10] = {};
};
