#include "fuzz/FuzzEntries.h"

namespace fuzz {

std::span<const Target> Targets() {
    static const Target kTargets[] = {
        {"profile", &ProfileEntry},
        {"text", &TextEntry},
        {"report_descriptor", &ReportDescriptorEntry},
        {"sysfs", &SysfsEntry},
        {"code_page", &CodePageEntry},
        {"mask", &MaskEntry},
        {"chip_ini", &ChipIniEntry},
        {"gt9xxx_image", &Gt9xxxImageEntry},
        {"ui_item", &UiItemEntry},
        {"cfg_text", &CfgTextEntry},
        {"intel_hex", &IntelHexEntry},
        {"touch_image", &TouchImageEntry},
        {"config_file", &ConfigFileEntry},
    };
    return kTargets;
}

}  // namespace fuzz
