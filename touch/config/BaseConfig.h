#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "touch/config/ConfigContext.h"
#include "touch/config/ConfigItem.h"
#include "touch/config/PageTree.h"

// One touch controller's configuration block as a byte image, with the items that describe
// it. Image byte i is the main block's byte i for i below CfgLength; an extended block
// (ExtCfgLength bytes, 0 for none) follows at byte CfgLength. The block's place and size come
// from the chip settings record.
//
// The GT9xxx and FT5xxx families use this class as it is; the other families derive from it
// and replace some of its virtual operations. The sequence of a configuration write is
// DecodeItems (after loading a ".cfg" file), EncodeItems, WriteToChip, VerifyOnChip.
//
// Errors are thrown as platform::TextError: the chip write's message 351, the chip read's
// message 400, "找不到" followed by the key of a lookup, and clear texts for what the image
// cannot hold: CfgLength below 2 (or below the family's layout), main and extended block
// together beyond 4096 bytes, items that lie past the image. Such a refusal comes before any
// register access and leaves the image as it was.
class CBaseConfig {
  public:
    static constexpr int32_t kImageSize = 4096;

    explicit CBaseConfig(const ConfigContext& context);
    virtual ~CBaseConfig();
    CBaseConfig(const CBaseConfig&) = delete;
    CBaseConfig& operator=(const CBaseConfig&) = delete;

    // Reads the chip's blocks and compares the main block with the image (the checksum and
    // flag bytes and the extended block are not compared; GT73xx from byte 4, otherwise from
    // byte 1 when the image's version byte is 0). With `reset` the chip is reset first. A
    // failed read gives false; on success VersionReadBack holds the chip's byte 0.
    virtual bool VerifyOnChip(bool reset);
    // Image byte 0, the configuration version.
    virtual int GetVersion();
    // Image bytes into the items' value texts (loading the UI item file first when there
    // are no items).
    virtual void DecodeItems();
    // The items' value texts into image bytes, then UpdateChecksum.
    virtual void EncodeItems();
    // Byte CfgLength - 2: the two's complement of the 8-bit sum of the bytes before it; the
    // last byte: 1, the flag the chip clears when it has taken the block.
    virtual void UpdateChecksum();
    // Replaces the items by those of a UI item file and rebuilds the page tree; CFGAddr
    // becomes the file's first address and the file's path is recorded in the per-chip
    // settings file. A file that cannot be opened changes nothing; a malformed one throws
    // and changes nothing.
    virtual void LoadUiFile(const std::string& path);
    // Channel items and group counts from lists of driver and sensor channel numbers.
    virtual void ApplyChannelMap(const std::vector<int32_t>& drivers,
                                 const std::vector<int32_t>& sensors);
    // Writes the main block with the handshake; true once the chip took it. The flag is
    // ignored. A failed write or handshake throws message 351.
    virtual bool WriteToChip(int flag);
    // Reads the chip's blocks into the image; a failure throws message 400.
    virtual void ReadFromChip();
    // Toggles the item "X2Y"; false when there is none.
    virtual bool SwapXY();
    // Reverses the driver (MirrorX) or sensor (MirrorY) channel order in the image, trailing
    // absent channels (0xFF) left in place, then decodes.
    virtual bool MirrorX();
    virtual bool MirrorY();
    virtual void BuildPageTree();
    // The 8-bit sum of bytes 0 to CfgLength - 2 is 0.
    virtual bool VerifyChecksum();
    // 255.
    virtual int FindSensorIndex(int channel);
    virtual int FindDriverIndex(int channel);

    // The item of a key: the "Cfg" entry of that name in the per-chip settings file as
    // "<register hex>,<bit>", or when the file has no such entry the item of that name
    // (ASCII letters without case). Throws "找不到" + key when there is none. Get reads the
    // value text as a decimal number; Set makes it "%d" of the value (the image changes at
    // the next EncodeItems).
    bool GetItemValue(const std::string& key, int& value);
    bool SetItemValue(const std::string& key, int value);

    // Encodes the items and compares the result with the image as it stands (the bytes
    // UpdateChecksum sets recomputed on both sides); the image is left as it stood. Where
    // encoding would not give back the image, throws a platform::TextError naming the first
    // byte that differs and the item written there. Run after decoding a file, it shows that
    // what the chip will be sent is the file.
    void CheckEncodingGivesBackImage();

    // A ".cfg" file as this configuration takes its values, by position: the main block
    // (CfgLength values or, where the current family's files begin with a header, the length
    // that header states), the extended block (ExtCfgLength values; none after a header), then
    // the bridge's 24-byte block; values after them are not read. The file must hold what the
    // chip is sent from it: the main block, less a last byte that the program sets itself
    // (LastByteSetByProgram; not after a header, which counts the bytes it states), and the
    // extended block where the write sends it (WritesExtendedBlock). A file that leaves the
    // extended block out carries no bridge block; one that holds more values than the main
    // block but fewer than both blocks is refused, since its bridge block would be read from
    // the wrong place.
    struct CfgFile {
        std::vector<uint8_t> values;  // the file's values, as far as the blocks reach
        int32_t mainLength = 0;       // the main block's length
        size_t imageValues = 0;       // the values the image takes, from the first
        size_t bridgeAt = 0;          // where the bridge block begins (none at values.size())
        std::string path;             // the file read: the path, or the file it matched
    };
    // Throws "Open config file failed"; for a header cut short, whose sum fails ("Config
    // checksum error!") or whose body is below 4 bytes; for block lengths the image cannot hold;
    // and "Config file holds N values, fewer than the M its configuration needs".
    CfgFile ReadCfgFile(const std::string& path) const;

    // Fills the image with the values of a ".cfg" file that it takes (ReadCfgFile; the rest of
    // the image 0) and records their number, the path and the file's last-write time. No
    // checksum is tested and no item decoded. Throws as ReadCfgFile.
    void LoadCfgText(const std::string& path);

    uint8_t* Image() { return image_.data(); }
    const uint8_t* Image() const { return image_.data(); }
    const std::vector<std::unique_ptr<CConfigItem>>& Items() const { return items_; }
    const std::vector<ConfigPage>& Pages() const { return pages_; }
    std::vector<ConfigPage>& Pages() { return pages_; }
    const std::string& Path() const { return path_; }
    int64_t FileTime() const { return fileTime_; }
    int32_t ImageLength() const { return imageLength_; }

    // The chip's configuration version found by the last successful VerifyOnChip.
    uint8_t VersionReadBack = 0;

    // How a width-8 channel item's value and its image byte (a physical channel number)
    // turn into each other.
    struct ChannelRule {
        int32_t (*decode)(const ChipIniSettings& s, const CConfigItem& item, uint8_t byte);
        uint8_t (*encode)(const ChipIniSettings& s, const CConfigItem& item, int32_t value);
    };

  protected:
    // The block sizes of the settings, checked against the image: CfgLength at least
    // `minLength` and, with ExtCfgLength, at most 4096 bytes; ExtCfgLength 0, or at least
    // `minExtLength`. Throws a clear text otherwise.
    struct Lengths {
        int32_t main;
        int32_t ext;
    };
    Lengths CheckedLengths(int32_t minLength = 2, int32_t minExtLength = 0) const;
    // Whether the main block's last byte is one the program sets itself (the flag that the
    // chip clears once it has taken the block), so that a file may leave it out.
    virtual bool LastByteSetByProgram() const { return true; }
    // Whether the write sends the extended block for an image of which `known` bytes from its
    // start are given (the others counted as 0). None here: only the main block is written.
    virtual bool WritesExtendedBlock(const uint8_t* image, size_t known) const;
    // CheckedLengths with the family's own bounds: checked before the items are read or
    // encoded, so that a length the family cannot use changes nothing.
    virtual Lengths FamilyLengths() const { return CheckedLengths(); }

    // Where an item's value lies in the image: byte position and bit shift. nullopt for an
    // item that is skipped (a negative bit address or position); throws for one that lies
    // past the image or crosses its byte.
    struct Place {
        int32_t position;
        int32_t shift;
    };
    std::optional<Place> PlaceOf(const CConfigItem& item, int32_t cfgAddr,
                                 const Lengths& lengths) const;
    // The last item in the order of encoding that writes one of `bits` of image byte
    // `position`; nullptr for none.
    virtual const CConfigItem* ItemWrittenAt(int32_t position, uint8_t bits) const;

    static const ChannelRule kWholeMapChannels;
    void DecodeWith(const ChannelRule& channels);
    void EncodeWith(const ChannelRule& channels);

    [[noreturn]] static void ThrowMessage(unsigned id);
    // Toggles a 0/1 item; false when the key finds no item.
    bool ToggleItem(const std::string& key);

    RegisterAccess& bridge_;
    ChipIniSettings& settings_;
    ConfigContext context_;
    std::array<uint8_t, kImageSize> image_{};
    std::vector<std::unique_ptr<CConfigItem>> items_;
    std::vector<ConfigPage> pages_;
    std::string path_;
    int64_t fileTime_ = 0;
    int32_t imageLength_ = 0;

  private:
    CConfigItem& FindItem(const std::string& key);
    bool ReverseRun(int32_t startAddr, int32_t count);
};

// The bits of byte `position` that an item placed at `itemPosition` holds: `width` bits from
// bit `shift` for a width below 9, else every bit of its `bytes` bytes.
uint8_t ItemBitsAt(const CConfigItem& item, int32_t itemPosition, int32_t shift, int32_t bytes,
                   int32_t position);
// The reason a block's encoding is refused: `block` ("Configuration", "Bridge configuration"),
// the byte, what encoding would write there and what the file holds, and the item written there.
std::string EncodingLossText(const std::string& block, int32_t position, uint8_t encoded,
                             uint8_t file, const CConfigItem* item);

// The configuration class of a family: the family's own; CBaseConfig for no family or an
// unknown one; nullptr for a family whose class is not in this build.
std::unique_ptr<CBaseConfig> CreateConfig(ChipFamily family, const ConfigContext& context);

// Items whose names hold these are channel items.
enum class ChannelKind { None, Driver, Sensor };
ChannelKind ChannelOf(const CConfigItem& item);
