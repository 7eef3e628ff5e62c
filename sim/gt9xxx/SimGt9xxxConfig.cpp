#include "sim/gt9xxx/SimGt9xxxConfig.h"

namespace sim {

void SimGt9xxxConfig::Written(RegisterMap& registers, uint32_t address, size_t length) {
    const Layout& l = layout();
    if (l.length < 2) return;
    const uint32_t flag = l.address + l.length - 1;
    if (!Covers(address, length, flag) || registers.Get(flag) != 1) return;
    uint8_t sum = 0;
    for (uint32_t i = 0; i + 1 < l.length; ++i)
        sum = static_cast<uint8_t>(sum + registers.Get(l.address + i));
    if (Settle(registers, sum == 0, {flag})) registers.Set(flag, 0);
}

}  // namespace sim
