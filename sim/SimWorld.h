#pragma once

#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "sim/SimBootDevice.h"
#include "sim/SimBus.h"
#include "sim/SimChip.h"

namespace sim {

// A simulated bench read from a simulation description file: the bus with one bridge, the
// touch controller behind it, the bridge's boot mode, and the user and driver settings the
// program asks for.
//
//   [Bridge]   VendorId=27C6  ProductId=0102  Version=0100  Interface=1  LatencyMs=0
//              Identity=Halden_V1.00  ConfigBlock=18 03 27 C6 ... (24 bytes, blank-separated)
//   [Boot]     ChipType=52
//   [Chip]     Family=GT9xxx  ProductId=9110  Version=1050  ConfigVersion=41
//   [Settings] Language=en  BootModeDriver=1
//   [Faults]   BurnNeverCompletes=0  HoldNeverTakes=0  GoneAfterReset=0  StopAnsweringFrom=0
//              NeverEntersBootMode=0  ProgramFailures=0  NeverComesBack=0
//              ComesBackInBootMode=0
//              StubReadsBackWrong=0  StubNeverReady=0  BlockNeverConfirmed=0 (GT73xx, GT9Pxx)
//              NeverAcknowledge=0  RejectSubImage=-1 (GT79xx: a sub-image type the chip refuses)
//              SilentAfterReset=0 (GT79xx: reads of its identity after its download's reset that
//              answer zeros while its firmware starts; -1: all of them)
//              DropsOlderConfig=0  BridgeDropsConfigBlock=0  SecondBridgeAt=0
//   [Time]     Virtual=0
//
// Numbers in hexadecimal except Interface, LatencyMs and the [Faults] and [Time] values.
// GT73xx and GT9Pxx chips accept firmware downloads; their Version is three bytes (010203).
// Virtual time runs the program's pauses and time-outs on a virtual clock, so that a whole
// run takes no real time; the time it would have taken is traced at the end. A missing [Chip]
// leaves the bridge without a controller (reads answer zeros).
//
// Configurations: the GT9xxx, GT9Pxx and GT73xx chips keep a configuration written with their
// family's handshake when its checksum holds. ConfigVersion (hexadecimal) makes the chip hold
// a configuration from the start whose version byte is that value and whose other bytes are 0;
// without it the chip holds zeros. With DropsOlderConfig a block whose version is not 0 and
// below the held one is acknowledged and dropped (version 0 is always taken). The bridge keeps
// its own 24-byte configuration block, read with bridge command 48 and written with command
// 49; ConfigBlock gives its start (zeros, no block, when absent). With BridgeDropsConfigBlock
// the bridge takes command 49 as always and keeps the block it had.
//
// The bridge answers bridge command 3 with its Identity text. Bridge command 14 sends it into
// its boot mode: it leaves the bus and the USB device 4348:55E0 arrives, which the
// in-system-programming library finds for the chip-type code ChipType (one of the codes the
// bridge programmer tries: 51, 52, 54, 78, 79, 46, 49, 73, 71, 82, 83). After the image is
// written and programming ends, the bridge comes back answering the identity that the image
// names: the bytes "BRIDGE-ID:" followed by the identity text and a zero byte, anywhere in the
// image (sim/BridgeImage.h writes such images); when programming ends without an image written
// (the program refused the image, or every write failed), it comes back on the identity it
// had. The faults: NeverEntersBootMode (command 14 is taken and nothing happens),
// ProgramFailures (that many writes fail first), NeverComesBack (gone after programming),
// ComesBackInBootMode (returns as 4348:55E0 again).
//
// SecondBridgeAt=n plugs a second bridge in when the first one has been sent its n-th report:
// the same [Bridge] (vendor and product id, version, identity, configuration block) at a USB
// port of its own, with a chip of the same family, model and version and the same chip faults.
// Each bridge comes back from its boot mode at its own port. The trace marks its
// arrival with "# plug second bridge VVVV:PPPP" and writes its reports as "2> ..." and
// "2< ...".
struct SimWorld {
    explicit SimWorld(platform::Clock& worldClock) : clock(worldClock), bus(worldClock) {}

    // The clock of the bus: the virtual one when the description asks for virtual time.
    platform::Clock& clock;
    SimBus bus;
    std::shared_ptr<SimBridge> bridge;
    std::shared_ptr<SimChip> chip;
    // The bridge that SecondBridgeAt plugs in, and its chip; none without that fault.
    std::shared_ptr<SimBridge> secondBridge;
    std::shared_ptr<SimChip> secondChip;
    platform::MemorySettingsStore settings;
    bool virtualTime = false;
    // The bridge's boot mode, the program's in-system-programming library.
    std::unique_ptr<SimBootDevice> boot;
};

// The clocks a world can run on: real time, and virtual time ([Time] Virtual=1).
struct SimClocks {
    platform::Clock& real;
    platform::Clock& virtualTime;
};

// nullptr with a reason when the file cannot be read or names an unknown family.
std::unique_ptr<SimWorld> LoadSimWorld(const std::string& path, const SimClocks& clocks,
                                       std::string& error);

}  // namespace sim
