#pragma once

#include <string>

#include "touch/FwUpdate.h"

// The FT5xxx updater. FT5xxx firmware is not downloaded: Update sends nothing and fails.
// The class carries the family's boot-mode entry, its file-name rule and a presence check.
class CFT5xxxUpdate : public CFwUpdate {
  public:
    using CFwUpdate::CFwUpdate;

    // True when a touch chip answers (up to five detections); no version is compared.
    bool IsSameVersion() override;
    // The image's file name begins with "FT" and ends with "app.bin" (case counts).
    bool CheckFirmwareFile() override;
    // The boot-mode entry sequence; true once the chip answers with its boot id 0x56 0xA2.
    bool EnterUpdateMode() override;
    // Sends nothing, writes no line: false.
    bool Update() override;
    // Empty: FT5xxx identities are not compared.
    std::string GetFirmwareVersionText() override;
};
