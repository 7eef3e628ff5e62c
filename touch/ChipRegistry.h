#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "bridge/ChipFamily.h"
#include "touch/BaseChip.h"

class CHidDevice;
class C9xxxChip;
class C9pxxChip;
class C73xxChip;
class C79xxChip;
class CFT5xxxChip;

// The chip objects of the five families, the current chip and the current ChipFamily, and
// the decisions that change them: by the bridge's model code when the bridge opens, by
// probing the chip, by a file's name.
//
// The owner (the application) creates the registry right after the CHidDevice and destroys
// it after the device was closed (requests still executing read the current family) and
// before the device is deleted. The constructor hooks the registry into the device, so that
// every successful CHidDevice::Open selects the family by the bridge model; the destructor
// removes the hook. The constructor also sets ChipName to "GT9110H" and loads the GT9xxx
// settings, so the program folder's settings files must be in place by then.
//
// The registry owns the current ChipFamily: every change is passed to SetCurrentChipFamily,
// which request headers read.
class CChipRegistry {
  public:
    explicit CChipRegistry(CHidDevice& device);
    ~CChipRegistry();
    CChipRegistry(const CChipRegistry&) = delete;
    CChipRegistry& operator=(const CChipRegistry&) = delete;

    // The program's registry while one exists, else nullptr.
    static CChipRegistry* Instance();

    // Looks the bridge's model code up in BridgeModelFamilyTable; a listed code makes that
    // family's chip current, any other leaves chip and family as they are.
    void SelectByBridgeModel();
    // Keeps the current chip when it still answers, or finds one that does: GT9xxx, GT73xx,
    // GT9Pxx, FT5xxx in turn (GT79xx is never probed, and a current GT79xx is kept even when
    // it does not answer). False when no chip answers; chip and family then stay.
    bool DetectChip();
    // The family whose model list holds the part of the name before its first "_"; 0 when
    // there is no such part or no list holds it.
    ChipFamily FamilyOfFile(const std::string& fileName) const;

    CBaseChip* CurrentChip() const;
    ChipFamily CurrentFamily() const;
    CBaseChip* ChipOfFamily(ChipFamily family) const;

    C9xxxChip& Gt9xxx() { return *gt9xxx_; }
    C9pxxChip& Gt9pxx() { return *gt9pxx_; }
    C73xxChip& Gt73xx() { return *gt73xx_; }
    C79xxChip& Gt79xx() { return *gt79xx_; }
    CFT5xxxChip& Ft5xxx() { return *ft5xxx_; }

    // The registry's lock (re-entrant): held by selection and detection for their whole run.
    std::recursive_mutex& Lock() const { return lock_; }

  private:
    void MakeCurrent(CBaseChip* chip, ChipFamily family);

    mutable std::recursive_mutex lock_;
    CHidDevice& device_;
    CBaseChip* current_ = nullptr;
    ChipFamily family_ = kFamilyNone;
    std::unique_ptr<C9xxxChip> gt9xxx_;
    std::unique_ptr<C9pxxChip> gt9pxx_;
    std::unique_ptr<C73xxChip> gt73xx_;
    std::unique_ptr<C79xxChip> gt79xx_;
    std::unique_ptr<CFT5xxxChip> ft5xxx_;
};

// True when ChipName is in the list of section "CHIP LIST", key "chip list" of the settings
// file (default "GT9110P, GT9110H": only "GT9110P" can match, the other entry keeps its blank).
bool IsChipInConfiguredList();
