#pragma once

#include <string>
#include <vector>

#include "app/LogModel.h"

namespace app {

// The log as plain text, one output line per log line: the kinds that wrote the line in
// brackets (the line's own kind, then each further kind in the order its runs appear,
// comma-separated), a blank, then the line's text. A busy line and its "#" continuation
// read "[0,7]  Usb FW:\tNo new version found".
std::string RenderPlainText(const std::vector<LogLine>& lines);
std::string RenderPlainText(const LogModel& model);

}  // namespace app
