#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/SimBridge.h"
#include "sim/TouchTarget.h"

namespace sim {

// A simulated touch controller behind the simulated bridge: a register map with the
// family's registers filled in. Attach makes it the bridge's target, sets the bridge's header
// layout for the family and installs the family's command handlers; the chip command
// records (bridge commands 6 and 7) are written into the registers like plain writes.
// Create chips with std::make_shared.
class SimChip : public RegisterMap, public std::enable_shared_from_this<SimChip> {
  public:
    void Attach(SimBridge& bridge);

  protected:
    // The family's number, as the program numbers families.
    virtual int BridgeFamily() const { return 1; }
    // How the family's requests lay out their headers.
    virtual SimBridge::RequestHeader BridgeRequestHeader() const {
        return SimBridge::RequestHeader::Plain;
    }
    // Handlers of the family's own bridge commands.
    virtual void InstallHandlers(SimBridge&) {}

    // Writes the characters of a text into registers, padded with zero bytes to `width`.
    void SetText(uint32_t address, const std::string& text, size_t width);
};

}  // namespace sim
