#pragma once

#include "app/StdOut.h"
#include "platform/Clock.h"
#include "platform/MessageService.h"
#include "platform/ProgramFiles.h"
#include "platform/SettingsStore.h"

namespace app {

// The services the whole program shares. The composition root (the executable's main) builds
// them once and hands them to the dialog, which passes each on to what uses it; tests build
// their own. The objects are owned by the builder and outlive everything they are handed to.
struct Services {
    platform::Clock& clock;                  // every pause and timed wait
    platform::SettingsStore& settingsStore;  // the user's settings and the driver state
    platform::MessageService& messages;      // message boxes, with their caption
    StdOut& standardOutput;                  // lines for a program that drives this one
    platform::ProgramFiles files;            // the program folder and the code page
};

}  // namespace app
