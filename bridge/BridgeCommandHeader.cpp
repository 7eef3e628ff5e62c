#include "bridge/BridgeCommandHeader.h"

BridgeCommandHeader BridgeCommandHeader::Build(int type, int command, uint32_t address,
                                               uint16_t length, const HeaderLayout& layout) {
    BridgeCommandHeader h;
    if (layout.packedCommand) {
        h.bytes[0] = static_cast<uint8_t>((static_cast<unsigned>(type) << 7) |
                                          static_cast<unsigned>(command));
        h.bytes[1] = static_cast<uint8_t>(address >> 16);
    } else {
        h.bytes[0] = static_cast<uint8_t>(type);
        h.bytes[1] = static_cast<uint8_t>(command);
    }
    h.bytes[2] = static_cast<uint8_t>(address >> 8);
    h.bytes[3] = static_cast<uint8_t>(address);
    h.bytes[4] = static_cast<uint8_t>(length >> 8);
    h.bytes[5] = static_cast<uint8_t>(length);
    return h;
}
