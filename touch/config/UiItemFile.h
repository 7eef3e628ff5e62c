#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ProgramFiles.h"
#include "touch/config/ConfigItem.h"

// UI item files: the description of a chip model's configuration items, one record per item.
//
// As stored, every byte is the text's byte plus 1 (modulo 256); after undoing that, five header
// bytes come first and the text runs up to the first zero byte. The text is 8-bit text in the
// code page given. A record begins at a line that starts with "NO." and holds, in this
// order, lines led by "addr,0x", "name,", "explain" (then lines that begin with ","),
// "dataBitL,", "dataBitH,", "paraBitL,", "paraBitH,", "page,", "grp,", "ctrlType,", "comb"
// (then, for a choice list, lines ",<value>,<text>" closed by "dataRange"; empty lines there are
// skipped) and, for the GT79xx family, "packNO," and "packOffset,". A value is the rest of the line
// after its key (line feeds right after the key are skipped first; a carriage return before a line
// feed is not part of the value). Numbers are decimal.
//
// Malformed text is refused with a platform::TextError that names the record: a record
// whose keys are not all found before the next record begins, a choice list that reaches
// the next record (or the end of the text) without "dataRange", a choice line that is not
// of the form above, negative numbers, choice values above 65535, and bit fields that are
// empty, wider than 16 bits or cross their byte. Nothing is read past the text.

// The plain loader's items of a UI item text, and the address that follows the first
// "addr,0x" of the whole text (none when the text has no such key).
struct UiItemList {
    std::vector<std::unique_ptr<CConfigItem>> items;
    std::optional<uint16_t> firstAddress;
};

// The stored bytes of a UI item file (8-bit text in the code page) as UTF-8 text.
std::string DecodeUiItemBytes(const uint8_t* data, size_t size, const platform::CodePage& codePage);

// The plain loader's reading of a text: addresses hexadecimal; records whose address is 0
// or the text "FFFF" give no item; width and bit address from the data bits (channel items,
// whose names hold "r_CH", count from bit 0); a record for the high byte of a 16-bit value
// (parameter bits 8 to 15) joins the item of the record before it.
UiItemList ParseUiItems(std::string_view text);

// The bridge block's description: addresses hexadecimal and kept (no record dropped, no
// high-byte rule); control type 55 is a choice list shown in hexadecimal with "(H)" appended to
// the name, and its choice lines (as those of type 1) may leave the value out (",<text>" is
// value 0, put before the texts already read).
std::vector<std::unique_ptr<CConfigItem>> ParseBridgeItems(std::string_view text);

// Stored file bytes to items: DecodeUiItemBytes, then ParseUiItems.
UiItemList ParseUiItemFile(const uint8_t* data, size_t size, const platform::CodePage& codePage);

// The first record of the text as an item, for the GT79xx loader: the address is decimal
// for the chips "GT7936", "GA6876F" and "GA6875", else hexadecimal, and is kept as it is;
// only the address "FFFF" drops a record; the four bit numbers, pack number and pack offset
// are stored as read. On success the text keeps only what follows the record's
// "packOffset," line; with no further record, nullptr and the text stays.
std::unique_ptr<CConfigItem> ParseUiRecord(std::string_view& text, const std::string& chipName);

// Reads a UI item file (a path text); nullopt when it cannot be opened.
std::optional<std::string> ReadUiItemText(const platform::ProgramFiles& files,
                                          const std::string& path);
