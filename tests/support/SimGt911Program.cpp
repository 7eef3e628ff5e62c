#include "support/SimGt911Program.h"

#include <vector>

#include "sim/gt9xxx/Gt9xxxImage.h"

namespace testsupport {

SimGt911Program::SimGt911Program(platform::Clock& clock) : bus(clock) {
    folder.Write("System/AppConfigInit.ini",
                 "[VID_LIST]\nVid List=27C6\n[CHIP LIST]\nchip list=GT911\n");
    folder.Write("System/ChipIni/GT911_test.ini", "[Cfg]\nCFGAddr=0x8047\n");
    bridge = std::make_shared<sim::SimBridge>(0x27C6, 0x0102, 0x0100,
                                              std::vector<sim::SimBridge::Interface>{{1}});
    chip = std::make_shared<sim::SimGt9xxxFlash>();
    chip->SetIdentity("911", 0x1050);
    chip->Attach(*bridge);
    bus.Plug(bridge);
}

std::string Gt911Image(uint16_t version) {
    const auto bytes = sim::MakeGt9xxxImage("911", version);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace testsupport
