#include "touch/ChipIniSettings.h"

ChipIniSettings& ChipIni() {
    static ChipIniSettings settings;
    return settings;
}
