#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "bridge/BridgeCommandHeader.h"
#include "touch/ChipFamily.h"

class CBaseChip;
class CBaseConfig;
class CFwUpdate;
struct ChipContext;
struct ConfigContext;
struct UpdaterContext;

// A bridge model code (the bridge's USB product id) that selects a family. One code is shared
// by two families and told apart by the bits 0xA000 of the bridge's USB version number.
struct BridgeModel {
    enum class VersionBits { Any, Clear, Set };
    uint16_t code;
    VersionBits versionBits = VersionBits::Any;
};

inline constexpr uint16_t kBridgeVersionFamilyBits = 0xA000;

// What the upgrade run's configuration step does for a family.
enum class ConfigStepKind {
    // No configuration step: a ".cfg" file is not applied, and a run that selected one fails.
    None,
    // The file is written into the chip, then read back and compared.
    WriteAndVerify,
    // As WriteAndVerify, except after a touch firmware image: the image has carried the
    // configuration, so the chip is only compared with the file.
    VerifyOnlyAfterImage,
};

// How the upgrade run treats a family. The defaults are the plain write-and-verify rules, which
// are also those of a run with no current family; each row states where it departs from them.
struct UpgradeRules {
    // The run's ".cfg" file goes to the touch firmware updater with the image, which writes
    // the configuration into the chip along with the firmware.
    bool configTravelsWithImage = false;
    // After a touch firmware image, the run identifies the chip again (up to 50 tries, 10 ms
    // apart) before the configuration step: the chip takes a while to answer.
    bool redetectsAfterImage = false;
    // After a touch firmware image, the run asks the chip itself who it is (the family's
    // identification) where it would otherwise rely on detection, which keeps this family
    // without asking: the settling above, the summary and the closing version report. A chip
    // whose read fails or that names no listed model (all zeros) is lost.
    bool asksChipAfterImage = false;
    ConfigStepKind configStep = ConfigStepKind::WriteAndVerify;
    // The summary compares the image's identity with the chip's after the download; without
    // it the summary says nothing of a chip that answers.
    bool comparesIdentityAfterImage = true;
    // The configuration step's verification result: "Config_<version> Upgrade " and
    // "# Success", or "# failed" (true); or "# Success", or "Config verification failed"
    // followed by the file's load error (false).
    bool verifyResultShowsVersion = true;
    // A failed configuration verification is retried once: the file's configuration written
    // with version 0, a pause, written again with its own version, compared again.
    bool retriesVerifyAtVersionZero = false;
    // The configuration file's values begin with a 64-byte header: a checksum over its first
    // 62 bytes, and the body length that sets the configuration length.
    bool configFileHasHeader = false;
    // Bytes at the start of the configuration that the read-back comparison skips; 0: the
    // comparison starts at byte 0, or at byte 1 when the file's version byte is 0.
    int32_t verifySkipsLeadingBytes = 0;
};

// Everything the registry, the updater factory, the file-name rule and the upgrade run need to
// know of one family. Each family's folder defines its row; touch/FamilyTable.cpp lists the
// rows.
struct FamilyTraits {
    ChipFamily family;
    // The family's name as people write it ("GT9xxx").
    const char* name;
    // Key of section "CHIP TYPE" of the settings file with the family's models, and the list
    // used when the key is missing.
    const char* modelListKey;
    const char* defaultModels;
    HeaderLayout headerLayout;
    std::span<const BridgeModel> bridgeModels;
    // Chip detection tries the families in table order; a family it never tries says false.
    bool probedByDetection;
    // While the family is current, detection keeps its chip without probing the others, even
    // when the chip does not answer (its bridge names the family).
    bool keptWithoutProbing;
    std::unique_ptr<CBaseChip> (*createChip)(const ChipContext& context);
    std::unique_ptr<CFwUpdate> (*createUpdater)(const UpdaterContext& context);
    // The model renames identification applies (a product id shown under another name);
    // nullptr: the family renames nothing.
    std::string (*renameModel)(const std::string& name);
    // The family's configuration class; nullptr while the family has none in this build.
    std::unique_ptr<CBaseConfig> (*createConfig)(const ConfigContext& context);

    // How the upgrade run treats the family while it is the registry's current one.
    UpgradeRules upgrade;
};

// The families in table order: the order of chip detection and of the file-name rule.
std::span<const FamilyTraits* const> Families();
// nullptr for kFamilyNone and unknown values.
const FamilyTraits* TraitsOf(ChipFamily family);
// The upgrade run's rules of a family; the defaults for kFamilyNone and unknown values.
UpgradeRules UpgradeRulesOf(ChipFamily family);
// The family a bridge selects; kFamilyNone for a code no family lists.
ChipFamily FamilyOfBridgeModel(uint16_t modelCode, uint16_t versionNumber);
