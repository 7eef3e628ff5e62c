#include "sim/SimFamily.h"

#include "platform/AsciiCase.h"
#include "platform/Profile.h"
#include "sim/SimGtFlash.h"

namespace sim {

extern const SimFamily kSimGt9xxxFamily;
extern const SimFamily kSimGt9pxxFamily;
extern const SimFamily kSimGt73xxFamily;
extern const SimFamily kSimGt79xxFamily;
extern const SimFamily kSimFt5xxxFamily;

namespace {

// The simulated families; the first that makes images is the image tool's default.
const SimFamily* const kSimFamilies[] = {&kSimGt9xxxFamily, &kSimGt9pxxFamily, &kSimGt73xxFamily,
                                         &kSimGt79xxFamily, &kSimFt5xxxFamily};

}  // namespace

std::span<const SimFamily* const> SimFamilies() { return kSimFamilies; }

const SimFamily* SimFamilyNamed(const std::string& name) {
    for (const SimFamily* family : kSimFamilies) {
        if (platform::EqualsIgnoringCase(name, family->name)) return family;
    }
    return nullptr;
}

const platform::ProgramFiles& DescriptionFiles() {
    static const platform::ProgramFiles files;
    return files;
}

bool FaultFlag(const std::string& file, const char* key) {
    return platform::ReadProfileInt(DescriptionFiles(), file, "Faults", key, 0) != 0;
}

int FaultNumber(const std::string& file, const char* key, int fallback) {
    return platform::ReadProfileInt(DescriptionFiles(), file, "Faults", key, fallback);
}

void ReadDownloadFaults(const std::string& file, SimGtFlashFaults& faults) {
    faults.holdRefusals = FaultFlag(file, "HoldNeverTakes") ? 1000 : 0;
    faults.stubReadsBackWrong = FaultFlag(file, "StubReadsBackWrong");
    faults.blockNeverConfirmed = FaultNumber(file, "BlockNeverConfirmed", 0);
    faults.stubNeverReady = FaultFlag(file, "StubNeverReady");
    faults.goneAfterRestart = FaultFlag(file, "GoneAfterReset");
}

}  // namespace sim
