#include "platform/linux/LinuxIspLibrary.h"

namespace platform {

void LinuxIspLibrary::SetIspOption(const uint8_t*) {}

int LinuxIspLibrary::EnumDevices(uint8_t*, int, uint16_t*, uint16_t*, uint32_t*) { return 0; }

int LinuxIspLibrary::FlashProgramB(uint32_t, const uint8_t*, uint32_t, int, int, int, int) {
    return 0;
}

void LinuxIspLibrary::IspEnd(int, int) {}

}  // namespace platform
