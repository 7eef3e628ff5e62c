#pragma once

#include <string>
#include <vector>

// The accepted USB vendor ids as texts, compared exactly with "%04X" of an interface's
// vendor id. Filled from the settings file before the device is created.
std::vector<std::string>& VidTable();
