#pragma once

#include "app/DeviceParts.h"
#include "app/QuillonDlg.h"
#include "app/Services.h"
#include "platform/HidBackend.h"
#include "platform/IspLibrary.h"
#include "platform/NoIspLibrary.h"

namespace testsupport {

// What the program's main builds for the dialog, built the same way.
struct DialogParts {
    // ispLibrary: the bridge's boot-mode programming library; nullptr: none, as on Linux.
    DialogParts(platform::HidBackend& backend, const app::Services& services,
                platform::IspLibrary* ispLibrary)
        : parts(backend, services, ispLibrary ? *ispLibrary : noIspLibrary, ispLibrary != nullptr) {
    }

    platform::NoIspLibrary noIspLibrary;
    app::DeviceParts parts;
};

// The main dialog over the device, the chip registry and the bridge programmer built for it;
// they are built before it and go after it, as in the program.
class TestDialog : private DialogParts, public CQuillonDlg {
  public:
    TestDialog(platform::HidBackend& backend, const app::Services& services,
               CQuillonDlg::Options options, platform::IspLibrary* ispLibrary = nullptr)
        : DialogParts(backend, services, ispLibrary),
          CQuillonDlg(parts, services, std::move(options)) {}
};

}  // namespace testsupport
