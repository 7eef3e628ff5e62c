// Writes the configuration files of the simulated GT911 into a program folder: its UI item
// file System/CfgItem/GT911_demo.sc and the configuration GT911_demo.cfg (version 0x42, with
// the bridge's own block):
//   quillon-sim-config <program folder>
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/gt9xxx/Gt9xxxConfigFiles.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const std::string ui = folder + "/System/CfgItem/GT911_demo.sc";
    const std::string cfg = folder + "/GT911_demo.cfg";
    if (!WriteFile(ui, sim::StoredUiItemFile(sim::Gt911UiItemText())) ||
        !WriteFile(cfg, sim::Gt9xxxCfgText(0x42, 186, true))) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], folder.c_str());
        return 1;
    }
    return 0;
}
