#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// One entry per parser of outside input, fed with arbitrary bytes: by libFuzzer in the fuzz
// build (one executable per entry) and, for every file of the entry's seed corpus
// (tests/fuzz/corpus/<name>/), by the ordinary test suite. An entry returns 0; when a property
// it checks does not hold it reports what and aborts, so both find it.
namespace fuzz {

// Settings files: any content read, then one key written; a successful write reads back as
// written and leaves another key's value as it was. Input: content, section, key, value and
// a probe key, separated by zero bytes.
int ProfileEntry(const uint8_t* data, size_t size);
// Hexadecimal, decimal and comma-separated texts.
int TextEntry(const uint8_t* data, size_t size);
// HID report descriptors.
int ReportDescriptorEntry(const uint8_t* data, size_t size);
// hidraw sysfs attributes, uevent texts and device-interface names.
int SysfsEntry(const uint8_t* data, size_t size);
// 8-bit text in the code page and UTF-8.
int CodePageEntry(const uint8_t* data, size_t size);
// File masks. Input: name, zero byte, mask.
int MaskEntry(const uint8_t* data, size_t size);
// Per-chip settings files, read by each family's reader.
int ChipIniEntry(const uint8_t* data, size_t size);
// A GT9xxx image loaded and downloaded into a simulated chip, with a fault the input picks;
// a download that reports success has put every part of the image into the flash.
int Gt9xxxImageEntry(const uint8_t* data, size_t size);
// UI item files as stored (scrambled bytes); a malformed file is refused with a text.
int UiItemEntry(const uint8_t* data, size_t size);
// ".cfg" files: never more values than the configuration image holds.
int CfgTextEntry(const uint8_t* data, size_t size);
// Intel-HEX bridge images: decoded data lies inside the output.
int IntelHexEntry(const uint8_t* data, size_t size);
// Touch image headers of the GT73xx, GT9Pxx and GT79xx downloads: an accepted GT79xx table
// points inside the image.
int TouchImageEntry(const uint8_t* data, size_t size);

// A bridge configuration block decoded and encoded, and a ".cfg" file loaded by the
// configuration upgrader; a loaded image holds the file's values.
int ConfigFileEntry(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    int (*entry)(const uint8_t* data, size_t size);
};
std::span<const Target> Targets();

}  // namespace fuzz
