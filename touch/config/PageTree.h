#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "touch/config/ConfigItem.h"

// One group of a configuration page. Mode and the two values are set by the GT79xx family
// and the bridge page; a group made from the items has mode 0 and both values 0.
struct ConfigGroup {
    int32_t Number = 0;
    int32_t Value1 = 0;
    int32_t Value2 = 0;
    int32_t Mode = 0;
    std::string Name;
    std::vector<CConfigItem*> Items;  // not owned
};

struct ConfigPage {
    std::string Name;
    std::vector<ConfigGroup> Groups;
};

// The pages and their groups in the order in which their first items appear (names compared
// exactly); the groups are numbered across the whole tree in order of creation.
std::vector<ConfigPage> BuildPages(const std::vector<std::unique_ptr<CConfigItem>>& items);
