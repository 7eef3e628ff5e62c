#include "bridge/VidTable.h"

std::vector<std::string>& VidTable() {
    static std::vector<std::string> table;
    return table;
}
