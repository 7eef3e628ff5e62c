#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/linux/HidReportDescriptor.h"

namespace fuzz {

int ReportDescriptorEntry(const uint8_t* data, size_t size) {
    const platform::HidReportLayout layout = platform::ParseReportDescriptor(data, size);
    if (!layout.wellFormed) {
        Require(layout.inputReportLength == 0 && layout.outputReportLength == 0,
                "a malformed descriptor gives no lengths");
    }
    // A length counts byte 0, so a declared report is never shorter than 2 bytes.
    Require(layout.inputReportLength != 1 && layout.outputReportLength != 1,
            "a report has data beside byte 0");
    return 0;
}

}  // namespace fuzz
