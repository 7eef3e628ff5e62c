#pragma once

#include <string>

#include "touch/ChipFamily.h"

// Firmware identities have the form model name, "_", version text ("GT911_1060"). The chip's
// identity shows the model as identification renames it (product id 9111 is shown as
// "GT9110P"), while an image's header carries the raw product id ("GT9111_1060"). Two
// identities name the same firmware when they are equal once the renames of the family whose
// updater made the image's identity are applied to the model names of both.
bool SameFirmwareIdentity(ChipFamily family, const std::string& image, const std::string& chip);
