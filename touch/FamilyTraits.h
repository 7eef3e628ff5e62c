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

// Everything the registry, the updater factory and the file-name rule need to know of one
// family. Each family's folder defines its row; touch/FamilyTable.cpp lists the rows.
struct FamilyTraits {
    ChipFamily family;
    // Key of section "CHIP TYPE" of the settings file with the family's models, and the list
    // used when the key is missing.
    const char* modelListKey;
    const char* defaultModels;
    HeaderLayout headerLayout;
    std::span<const BridgeModel> bridgeModels;
    // Chip detection tries the families in table order; a family it never tries says false.
    bool probedByDetection;
    std::unique_ptr<CBaseChip> (*createChip)(const ChipContext& context);
    std::unique_ptr<CFwUpdate> (*createUpdater)(const UpdaterContext& context);
    // The model renames identification applies (a product id shown under another name);
    // nullptr: the family renames nothing.
    std::string (*renameModel)(const std::string& name);
    // The family's configuration class; nullptr while the family has none in this build.
    std::unique_ptr<CBaseConfig> (*createConfig)(const ConfigContext& context);
};

// The families in table order: the order of chip detection and of the file-name rule.
std::span<const FamilyTraits* const> Families();
// nullptr for kFamilyNone and unknown values.
const FamilyTraits* TraitsOf(ChipFamily family);
// The family a bridge selects; kFamilyNone for a code no family lists.
ChipFamily FamilyOfBridgeModel(uint16_t modelCode, uint16_t versionNumber);
