#include "touch/config/ConfigContext.h"

#include "bridge/HidDevice.h"
#include "touch/ChipRegistry.h"

ConfigContext ConfigContextOf(CChipRegistry& registry) {
    CHidDevice& device = registry.Device();
    return ConfigContext{device,
                         registry.Clock(),
                         registry.Settings(),
                         registry.Files(),
                         [&registry] { return registry.CurrentFamily(); },
                         [&registry] { return registry.CurrentChip(); },
                         [&device] { return device.Attributes().productId; }};
}
