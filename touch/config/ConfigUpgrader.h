#pragma once

#include <functional>
#include <memory>
#include <string>

#include "touch/ChipFamily.h"
#include "touch/config/BaseConfig.h"
#include "touch/config/BridgeConfigList.h"
#include "touch/config/ConfigContext.h"

// Loads a ".cfg" file into the configuration class of its family and into the bridge's own
// configuration block, and writes, verifies or reads back both.
//
// A ".cfg" file holds the main block (CfgLength values), the extended block (ExtCfgLength
// values) and optionally the bridge's 24-byte block, as comma-separated hexadecimal values.
// For GT79xx the main block's length comes from its 64-byte header (body length in bytes
// 59-60 plus 64) after the header's checksum (bytes 62-63) was checked. A bridge block counts
// only when its length byte and checksum hold. The configuration class reads the file
// (CBaseConfig::ReadCfgFile): what a file must hold is what the chip is sent from it.
//
// File errors are thrown as platform::TextError: "Open config file failed", "Config checksum
// error!", and clear texts for a file shorter than what the chip is sent, block lengths the
// image cannot hold and a family whose configuration class this build lacks. Values after
// those the blocks take are ignored.
class CConfigUpgrader {
  public:
    using ConfigFactory =
        std::function<std::unique_ptr<CBaseConfig>(ChipFamily, const ConfigContext&)>;
    // The family a file name's model belongs to (kFamilyNone for none).
    using FamilyOfFile = std::function<ChipFamily(const std::string& fileName)>;

    // The configuration object of the context's current family, and the bridge list over it.
    CConfigUpgrader(ConfigContext context, FamilyOfFile familyOfFile,
                    ConfigFactory createConfig = CreateConfig);
    ~CConfigUpgrader();
    CConfigUpgrader(const CConfigUpgrader&) = delete;
    CConfigUpgrader& operator=(const CConfigUpgrader&) = delete;

    // Loads a ".cfg" file (the path, or when it cannot be opened the first file it matches as
    // a mask): the configuration class of the file's family when the name gives one other than
    // the current family; the UI item file first when the object has no items (false, with
    // nothing read, when it cannot be loaded: ItemsError says why); then the values, the
    // checksum test, the decoding of both blocks and the check that encoding them gives back
    // the file (a difference is thrown, naming the byte and its item). Only the values the blocks
    // take are read (24 + ExtCfgLength + CfgLength, CfgLength as a GT79xx header states it); the
    // rest of the file is ignored. A file with fewer values than the chip is sent from it is
    // refused with both counts (the bridge block may be missing). True after a complete load.
    bool LoadFile(const std::string& path);
    // Loads a ".cfg" file that a touch image has carried into the chip, into the current
    // family's class: read as LoadFile reads it, so that Verify compares the chip with what the
    // image took, and the bridge block decoded, which WriteBridgeBlock then sends. Neither
    // checksums nor items are checked: the chip holds the file as it is. False, with nothing
    // read, when the UI item file cannot be loaded (ItemsError says why).
    bool LoadFileCarriedByImage(const std::string& path);
    // Reads the chip's configuration and the bridge's block and decodes both; false (nothing
    // decoded) when the UI item file cannot be loaded or the chip read fails.
    bool ReadFromDevice();
    // Encodes the items into the image and the bridge block, writes the image into the chip
    // and, when present, the block into the bridge (bridge command 49). A failed chip write
    // or a bridge that does not take the block is thrown as message 351.
    void WriteToDevice();
    // Sends the bridge block, when present, as it stands (bridge command 49); a bridge that
    // does not take it is thrown as message 351.
    void WriteBridgeBlock();
    // The chip holds the image and, when the block is present, the bridge holds it too. A
    // bridge that holds no block (its first byte reads 0) passes only when this upgrader has
    // not sent one.
    bool Verify();

    // Why the last LoadFile or ReadFromDevice found no items: the UI item file could not be
    // opened, was refused (the record and what it lacks; a block length and its bound) or
    // holds no items. Empty when the items were there.
    const std::string& ItemsError() const { return itemsError_; }

    // nullptr when the family's configuration class is not in this build.
    CBaseConfig* GetConfig() { return config_.get(); }
    CBridgeConfigList& BridgeConfig() { return *bridgeConfig_; }
    const std::string& Path() const { return path_; }

  private:
    void MakeConfig(ChipFamily family);
    // Loads the UI item file and adds the bridge page when there are no items yet; false
    // when the object still has none.
    bool EnsureItems();
    // Reads a ".cfg" file into the image and the bridge block (ReadCfgFile); CfgLength
    // becomes the main block's length.
    void ReadIntoBlocks(const std::string& path);
    CBaseConfig& Config();

    ConfigContext context_;
    FamilyOfFile familyOfFile_;
    ConfigFactory createConfig_;
    std::unique_ptr<CBaseConfig> config_;
    std::unique_ptr<CBridgeConfigList> bridgeConfig_;
    std::string path_;
    std::string itemsError_;
    // A block was sent to the bridge (or its transfer tried) since the last LoadFile.
    bool bridgeBlockSent_ = false;
};
