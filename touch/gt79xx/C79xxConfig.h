#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "touch/config/BaseConfig.h"

// The GT79xx configuration: a variable-length image of a 64-byte header (body length B in
// bytes 59-60, header sum of bytes 0-61 in bytes 62-63), a body of packs and a 32-bit tail
// that sums the body's 16-bit words; CfgLength is B + 64. Every transfer is framed by
// real-time commands at RealTimeCmdAddr: 4 and 5 around a write, 7 and 8 around a read.
//
// Items are not at fixed positions: the body is a chain of packs (length byte, number byte,
// data), the header counts as pack 0, and each item names its pack and its position inside
// it. Lookups by settings key name an item by pack ("#<pack>,<offset>,<first bit>,...") or,
// with an empty value, by the key itself.
//
// A header whose body length is below 4 or makes CfgLength exceed the 4096-byte image is
// refused before anything is read or sent; the tail lies in the image's last four bytes for
// both the sum's writer and its check.
class C79xxConfig : public CBaseConfig {
  public:
    static constexpr int32_t kHeaderSize = 64;
    static constexpr int32_t kMinBodyLength = 4;

    using CBaseConfig::CBaseConfig;

    static uint16_t ByteSum16(const uint8_t* bytes, size_t length);
    // Bytes 62-63 (little-endian) equal the 16-bit sum of bytes 0-61.
    static bool CheckHeaderChecksum(const uint8_t* image);
    // The configuration length a header states (B + 64); 0 for a body length below 4 or
    // beyond the image.
    static int32_t LengthOfHeader(const uint8_t* image);

    // Sends one real-time command frame (00 00 04 command, sum low, sum high) and waits for
    // the chip's acknowledgement: 0x80 at RealTimeCmdAddr + 1 (60 reads), then at
    // RealTimeCmdAddr (100 reads).
    bool SendRealTimeCmd(uint8_t command);

    // Header sum, CfgLength from the header, tail sum. A header out of range throws and
    // leaves CfgLength and the tail as they were.
    void UpdateChecksum() override;
    // Header sum and the low 16 bits of the tail, with the current CfgLength.
    bool VerifyChecksum() override;
    // Throws message 351 when a command or the write fails.
    bool WriteToChip(int flag) override;
    // Reads CfgLength bytes; throws message 400 when a transfer or the sums fail.
    void ReadFromChip() override;
    // Loads the UI item file, reads header then body, checks and decodes. Throws message 400
    // or "Open ui file failed". Command 8 follows command 7 on every path, also after a
    // failed read or a refused header.
    void ReadAll();
    // Reads the chip's configuration into a temporary object and compares the body without
    // its tail's upper half; stores the item "CfgVer" of the chip's as VersionReadBack.
    bool VerifyOnChip(bool reset) override;

    // Throws "Open ui file failed" when the file cannot be opened.
    void LoadUiFile(const std::string& path) override;
    // Pages by name; in a page, one group per group name and pack (the group's number).
    void BuildPageTree() override;
    // The group of that page, name and pack: absent (mode 2, no length), or present at `start`
    // with `length` bytes.
    virtual void ResetGroupMode(const std::string& page, const std::string& group, int32_t pack);
    virtual void SetGroupMode(const std::string& page, const std::string& group, int32_t pack,
                              int32_t length, int32_t start);
    void DecodeItems() override;
    // A header length out of range throws and leaves the image as it was.
    void EncodeItems() override;
    // By a key of section "Cfg"; throw "Can not find" followed by the key.
    bool GetItemValue(const std::string& key, int& value);
    bool SetItemValue(const std::string& key, int value);
    int FindSensorIndex(int channel) override;
    int FindDriverIndex(int channel) override;
    bool SwapXY() override;
    bool MirrorX() override;
    bool MirrorY() override;
    // "CfgFileVer(H)" as a decimal number; 0 when there is no such item.
    int GetVersion() override;

    static void WriteConfigInfoInt(const platform::ProgramFiles& files, const std::string& key,
                                   int value, const std::string& settingsPath);

  protected:
    const CConfigItem* ItemWrittenAt(int32_t position, uint8_t bits) const override;
    // The last bytes are the body's sum, which the file's checksum test reads.
    bool LastByteSetByProgram() const override { return false; }

  private:
    // Calls `encode` for each item that EncodeItems writes, in its order, with the item's
    // position: the items of present packs (groups with a length) that lie in the image.
    void ForEachEncoded(
        const std::function<void(const CConfigItem&, int32_t position)>& encode) const;
    // Runs a read between real-time commands 7 and 8; command 8 is sent whenever 7 was.
    bool ReadInBracket(const std::function<bool()>& read);
    CConfigItem* FindByKey(const std::string& key);
    ConfigGroup* FindGroup(const std::string& page, const std::string& group, int32_t pack);
    int FindChannel(int channel, const char* alignKey, const char* startKey, const char* firstName,
                    int32_t maxNum);
    bool MirrorSequence(const char* namePart);
};
