#include "support/UiItemText.h"

namespace testsupport {

std::string UiRecord::Text() const {
    std::string t = "NO.1\naddr,0x" + address + "\nname," + name + "\nexplain\n,About " + name +
                    "\n,second line\ndataBitL," + std::to_string(dataBitL) + "\ndataBitH," +
                    std::to_string(dataBitH) + "\nparaBitL," + std::to_string(paraBitL) +
                    "\nparaBitH," + std::to_string(paraBitH) + "\npage," + page + "\ngrp," + group +
                    "\nctrlType," + std::to_string(ctrlType) + "\ncomb\n";
    for (const std::string& line : choiceLines) t += line + "\n";
    t += "dataRange\n";
    if (packNo >= 0) {
        t += "packNO," + std::to_string(packNo) + "\npackOffset," + std::to_string(packOffset) +
             "\n";
    }
    return t;
}

std::string UiText(const std::vector<UiRecord>& records) {
    std::string text;
    for (const UiRecord& record : records) text += record.Text() + "--------\n";
    return text;
}

std::string StoredUiFile(const std::string& text) {
    std::string stored = "HEADR" + text;
    for (char& c : stored) c = static_cast<char>(static_cast<uint8_t>(c) + 1);
    return stored;
}

}  // namespace testsupport
