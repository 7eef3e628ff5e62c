#include "touch/BridgeModelFamilyTable.h"

// The bridge models the program knows, by USB product id. The codes are grouped by the
// family the bridge is built for:
//   0x0101-0x0106  GT9xxx bridges
//   0x0301-0x0304  GT73xx bridges
//   0x0401-0x0402  GT79xx bridges
//   0x0300         the shared GT73xx/GT79xx bridge: GT73xx unless its version number has
//                  any of the bits 0xA000 set, then GT79xx
// GT9Pxx and FT5xxx have no bridge of their own; they are found by probing the chip.
const std::array<BridgeModelFamily, 13> BridgeModelFamilyTable = {{
    {0x0101, kFamilyGT9xxx, kFamilyGT9xxx},
    {0x0102, kFamilyGT9xxx, kFamilyGT9xxx},
    {0x0103, kFamilyGT9xxx, kFamilyGT9xxx},
    {0x0104, kFamilyGT9xxx, kFamilyGT9xxx},
    {0x0105, kFamilyGT9xxx, kFamilyGT9xxx},
    {0x0106, kFamilyGT9xxx, kFamilyGT9xxx},
    {0x0301, kFamilyGT73xx, kFamilyGT73xx},
    {0x0302, kFamilyGT73xx, kFamilyGT73xx},
    {0x0303, kFamilyGT73xx, kFamilyGT73xx},
    {0x0304, kFamilyGT73xx, kFamilyGT73xx},
    {0x0401, kFamilyGT79xx, kFamilyGT79xx},
    {0x0402, kFamilyGT79xx, kFamilyGT79xx},
    {0x0300, kFamilyGT73xx, kFamilyGT79xx},
}};

ChipFamily FamilyOfBridgeModel(uint16_t modelCode, uint16_t versionNumber) {
    for (const BridgeModelFamily& entry : BridgeModelFamilyTable) {
        if (entry.modelCode != modelCode) continue;
        return (versionNumber & kBridgeVersionFamilyBits) ? entry.familyWithVersionBits
                                                          : entry.family;
    }
    return kFamilyNone;
}
