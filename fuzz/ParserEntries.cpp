// The parsers of configuration files, UI item files, bridge images and touch image headers.
#include <string>
#include <vector>

#include "bridgefw/IntelHex.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/TextError.h"
#include "touch/config/CfgText.h"
#include "touch/config/UiItemFile.h"
#include "touch/gt73xx/C73xxUpdate.h"
#include "touch/gt79xx/Gt79xxImage.h"
#include "touch/gt9pxx/C9PxxUpdate.h"

namespace fuzz {

int UiItemEntry(const uint8_t* data, size_t size) {
    try {
        const UiItemList list = ParseUiItemFile(data, size, platform::CodePage());
        for (const auto& item : list.items) Require(item != nullptr, "every item is an item");
    } catch (const platform::TextError&) {
        // A malformed file is refused with a text: that is the expected outcome.
    }
    return 0;
}

int CfgTextEntry(const uint8_t* data, size_t size) {
    try {
        const std::vector<uint8_t> values = ParseCfgText(data, size, platform::CodePage());
        Require(values.size() <= 4096, "no more values than the image holds");
    } catch (const platform::TextError&) {
    }
    return 0;
}

int IntelHexEntry(const uint8_t* data, size_t size) {
    // The output holds exactly as many bytes as the text, as the decoder's contract says.
    std::vector<uint8_t> output(size);
    uint32_t length = 0;
    if (DecodeIntelHex(reinterpret_cast<const char*>(data), size, output.data(), length)) {
        Require(length <= size, "decoded data lies inside the output");
    }
    return 0;
}

int TouchImageEntry(const uint8_t* data, size_t size) {
    C73xxUpdate::ImageFits(data, size);
    C9PxxUpdate::ImageFits(data, size);
    Gt79xxImageTable table;
    if (ReadGt79xxImageTable(data, size, table)) {
        for (size_t i = 0; i < table.count && i < table.rows.size(); ++i) {
            const SubImageEntry& row = table.rows[i];
            Require(row.data >= data && row.data + row.size <= data + size,
                    "every sub-image lies inside the image");
        }
    }
    return 0;
}

}  // namespace fuzz
