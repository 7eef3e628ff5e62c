#pragma once

#include <string>

#include "app/LogModel.h"

namespace bench {

// The i-th message of a stream shaped like an upgrade run: busy lines completed by "#",
// progress lines that replace one another, "ADC" lines that the next line overwrites,
// plain lines in several kinds.
inline void AppendMessage(app::LogModel& log, int i) {
    switch (i % 10) {
        case 0:
            log.AppendLog("[GTxxxx]Download ISP", LogBusy);
            break;
        case 1:
            log.AppendLog("# Success", LogSuccess);
            break;
        case 2:
        case 3:
        case 4:
            log.AppendLog("Block " + std::to_string(i), LogProgress);
            break;
        case 5:
            log.AppendLog("ADC " + std::to_string(i), LogInfo);
            break;
        case 6:
            log.AppendLog("Config_" + std::to_string(i) + " Verification passed", LogSuccess);
            break;
        case 7:
            log.AppendLog("[Halden]Detect device", LogBusy);
            break;
        case 8:
            log.AppendLog("#\tNo new version found", LogWarning);
            break;
        default:
            log.AppendLog("The current touch firmware version number is", LogInfo);
            break;
    }
}

}  // namespace bench
