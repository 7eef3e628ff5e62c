#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "touch/BaseChip.h"
#include "touch/ChipFamily.h"
#include "touch/ChipIniSettings.h"

class CHidDevice;

// The chip objects of the families, the current chip and the current ChipFamily, and the
// decisions that change them: by the bridge's model code when the bridge opens, by probing the
// chip, by a file's name.
//
// The owner (the application) creates the registry right after the CHidDevice and destroys
// it after the device was closed (requests still executing were laid out for the current
// family) and before the device is deleted. The constructor hooks the registry into the
// device, so that every successful CHidDevice::Open selects the family by the bridge model;
// the destructor removes the hook. Every change of the family gives the device that family's
// header layout. The constructor also sets ChipName to "GT9110H" and lets each chip prepare
// (GT9xxx loads its settings), so the program folder's settings files must be in place by then.
class CChipRegistry {
  public:
    // The chips' pauses are spent on the clock; a settings file that is missing or cannot be
    // made is shown through messages; the settings files are the program files'.
    CChipRegistry(CHidDevice& device, platform::Clock& clock, platform::MessageService& messages,
                  ChipIniSettings& settings, platform::ProgramFiles files);
    ~CChipRegistry();
    CChipRegistry(const CChipRegistry&) = delete;
    CChipRegistry& operator=(const CChipRegistry&) = delete;

    // Looks the bridge's model code up in the family table; a listed code makes that
    // family's chip current, any other leaves chip and family as they are.
    void SelectByBridgeModel();
    // Keeps the current chip when it still answers, or finds one that does: the families in
    // table order that detection probes. A current family that its row keeps without probing
    // stays even when its chip does not answer. False when no chip answers; chip and family
    // then stay.
    bool DetectChip();
    // Asks the current chip itself who it is: true when it answers with a model of its
    // family's list, ChipName and ChipIdentity then naming it. Neither keeps a chip that does
    // not answer nor probes other families; false while no family is current.
    bool IdentifyCurrentChip();
    // The family whose model list holds the part of the name before its first "_"; 0 when
    // there is no such part or no list holds it.
    ChipFamily FamilyOfFile(const std::string& fileName) const;
    // True when ChipName is in the list of section "CHIP LIST", key "chip list" of the
    // settings file (default "GT9110P, GT9110H": only "GT9110P" can match, the other entry
    // keeps its blank).
    bool IsChipInConfiguredList() const;

    CBaseChip* CurrentChip() const;
    ChipFamily CurrentFamily() const;
    CBaseChip* ChipOfFamily(ChipFamily family) const;
    // The chip object of a family class (each declares its kFamily).
    template <class Chip>
    Chip& ChipOf() const {
        return static_cast<Chip&>(*ChipOfFamily(Chip::kFamily));
    }

    ChipIniSettings& Settings() const { return settings_; }
    CHidDevice& Device() const { return device_; }
    platform::Clock& Clock() const { return clock_; }
    const platform::ProgramFiles& Files() const { return files_; }

    // The registry's lock (re-entrant): held by selection and detection for their whole run.
    std::recursive_mutex& Lock() const { return lock_; }

  private:
    void MakeCurrent(CBaseChip* chip, ChipFamily family);

    mutable std::recursive_mutex lock_;
    CHidDevice& device_;
    platform::Clock& clock_;
    ChipIniSettings& settings_;
    const platform::ProgramFiles files_;
    CBaseChip* current_ = nullptr;
    ChipFamily family_ = kFamilyNone;
    // One chip object per family, in table order.
    struct FamilyChip {
        ChipFamily family;
        std::unique_ptr<CBaseChip> chip;
    };
    std::vector<FamilyChip> chips_;
};
