#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/IspLibrary.h"
#include "platform/ProgramFiles.h"

// The message that a raw image with a wrong checksum in its name raises, in the calling
// thread's UI language.
std::string LoadChecksumErrorText();

// The checksum value a raw image's path names: of the first four characters after its last
// "_" (of the whole path when it has none), each hexadecimal digit, in either case, shifts the
// value left by 4 bits and adds itself; the other characters are skipped. Taken as 16 bits.
uint16_t ChecksumInName(const std::string& path);

// The bridge programmer: finds the bridge in its boot mode through the in-system-programming
// library, holds the image to write (Intel-HEX or raw) and writes it. Calling order of a bridge
// upgrade: LoadImage (before or after the device is found), firmware name set, FindDevice
// (again after the switch to boot mode when needed), ReadMcuType, Program; EndProgramming when
// the image is refused or not written. None of them logs.
//
// Images: a HEX image is the decoded bytes from offset 0, its length the highest address
// written + 1, zeroed after its end up to the next multiple of 4. A raw image is a leading area
// of 112 zero bytes, then the file's bytes; its file name carries, in the four characters after
// its last "_", the 16-bit two's complement of the image's byte sum (leading area included).
class CBridgeIsp {
  public:
    static constexpr uint32_t kImageCapacity = 163840;
    static constexpr uint32_t kLeadingAreaSize = 112;
    // The longest raw file that fits behind the leading area.
    static constexpr uint32_t kMaxRawFileSize = kImageCapacity - kLeadingAreaSize;
    // The chip-type codes of the library, in the order in which FindDevice tries them.
    static constexpr std::array<uint8_t, 11> kChipTypes = {0x51, 0x52, 0x54, 0x78, 0x79, 0x46,
                                                           0x49, 0x73, 0x71, 0x82, 0x83};

    // The settings file that ReadMcuType reads is one of the program files.
    CBridgeIsp(platform::IspLibrary& library, platform::ProgramFiles files);
    CBridgeIsp(const CBridgeIsp&) = delete;
    CBridgeIsp& operator=(const CBridgeIsp&) = delete;

    // True when a boot-mode device answers; the chip-type code that worked stays at option
    // offset 4 and is tried first by the next search. An empty firmware name becomes
    // "Halden_ISP" then. Up to two rounds of the codes.
    bool FindDevice();
    // Reads the image into the image buffer. Throws platform::TextError with the text to log:
    // path + "打开失败" (cannot be opened or read), path + "文件为空" (a HEX file that is empty
    // or whose records hold no data),
    // "hex 文件格式错误", the checksum message, or a refusal of an image larger than the
    // buffer. A refused image is never left for Program.
    bool LoadImage(std::string path);
    // (16-bit byte sum of the image + the value in the image file's name) modulo 65536; 0
    // means the raw image passes.
    uint16_t ImageChecksum() const;
    // True when the loaded image suits the chip type found: its prefix (the first four
    // characters of its file name) occurs in the "MCU_TYPE" value of the chip type's family in
    // the settings file (chip types without a family take any image).
    bool ReadMcuType();
    // Writes the loaded image into the device found, up to four attempts over the option
    // pairs, and ends in-system programming after a written image (and after the one failed
    // attempt that chip types 0x71 and 0x73 take). Refuses (false, nothing written) without an
    // image that passed ReadMcuType for the chip type found.
    bool Program();
    // Ends in-system programming of the device found, unless Program has ended it already:
    // the device leaves its boot mode and comes back as the bridge, on whatever firmware it
    // holds. Once per device found; nothing without one.
    void EndProgramming();

    const std::string& FirmwareName() const { return firmwareName_; }
    void SetFirmwareName(std::string name) { firmwareName_ = std::move(name); }
    uint8_t ChipTypeCode() const { return option_[4]; }
    int SearchIndex() const { return searchIndex_; }
    int OptionPairIndex() const { return optionPairIndex_; }
    int DeviceCount() const { return deviceCount_; }
    const std::array<uint8_t, platform::IspLibrary::kOptionRecordSize>& OptionRecord() const {
        return option_;
    }
    const uint8_t* Image() const { return image_.data(); }
    uint32_t ImageLength() const { return imageLength_; }
    const std::string& ImagePath() const { return imagePath_; }
    const std::string& FileType() const { return fileType_; }

  private:
    void LoadHexImage(const std::string& path);
    void LoadRawImage(const std::string& path);
    void ApplyChipType(uint8_t code);
    void ApplyOptionPair();
    // Whether the "MCU_TYPE" value of `key` holds the loaded image's prefix.
    bool McuTypeHoldsImage(const char* key) const;

    platform::IspLibrary& library_;
    const platform::ProgramFiles files_;
    int deviceCount_ = 0;
    std::array<uint8_t, platform::IspLibrary::kOptionRecordSize> option_{};
    int optionPairIndex_ = 0;
    std::array<uint8_t, kImageCapacity> image_{};
    uint32_t imageLength_ = 0;
    uint32_t leadingAreaSize_ = kLeadingAreaSize;
    std::string fileType_;
    std::string firmwareName_;
    std::string imagePath_;
    std::array<uint8_t, platform::IspLibrary::kDeviceTableSize> deviceTable_{};
    // Which code the next search tries first. The one programmer lives as long as the program,
    // so the index survives between searches and between runs.
    int searchIndex_ = 0;
    // The last LoadImage succeeded: a refused image leaves the buffer as it was, not loaded.
    bool imageLoaded_ = false;
    // The loaded image passed ReadMcuType for the chip type found.
    bool imageMatchesChip_ = false;
    // A device was found and its in-system programming has not been ended since.
    bool programmingOpen_ = false;
};
