#include "support/UiItemText.h"

#include "sim/gt9xxx/Gt9xxxConfigFiles.h"

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

std::string StoredUiFile(const std::string& text) { return sim::StoredUiItemFile(text); }

UiRecord Gt79xxVersionRecord() {
    UiRecord version;
    version.name = "CfgVer";
    version.address = "0";
    version.packNo = 0;
    version.packOffset = 0;
    return version;
}

std::string StoredGt79xxVersionUiFile() { return StoredUiFile(UiText({Gt79xxVersionRecord()})); }

}  // namespace testsupport
