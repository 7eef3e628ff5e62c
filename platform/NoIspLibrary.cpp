#include "platform/NoIspLibrary.h"

namespace platform {

void NoIspLibrary::SetIspOption(const uint8_t*) {}

int NoIspLibrary::EnumDevices(uint8_t*, int, uint16_t*, uint16_t*, uint32_t*) { return 0; }

int NoIspLibrary::FlashProgramB(uint32_t, const uint8_t*, uint32_t, int, int, int, int) {
    return 0;
}

void NoIspLibrary::IspEnd(int, int) {}

}  // namespace platform
