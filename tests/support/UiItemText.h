#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One record of a UI item file, written in the file's grammar.
struct UiRecord {
    std::string address = "8047";  // the text after "addr,0x"
    std::string name = "Item";
    int dataBitL = 0, dataBitH = 7;
    int paraBitL = 65535, paraBitH = 65535;
    std::string page = "Page", group = "Group";
    int ctrlType = 6;
    std::vector<std::string> choiceLines;  // ",<value>,<text>" lines of a choice list
    int packNo = -1;                       // >= 0: "packNO," and "packOffset," follow
    int packOffset = 0;

    std::string Text() const;
};

// Records joined into a UI item text (records separated by a line of "-").
std::string UiText(const std::vector<UiRecord>& records);

// A UI item text as stored: five header bytes, then every byte plus 1.
std::string StoredUiFile(const std::string& text);

// The GT79xx configuration version item, "CfgVer" at byte 0 of the header (pack 0).
UiRecord Gt79xxVersionRecord();
// A stored GT79xx UI item file holding only that item.
std::string StoredGt79xxVersionUiFile();

}  // namespace testsupport
