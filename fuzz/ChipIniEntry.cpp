#include <string>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/ProgramFiles.h"
#include "sim/SimRig.h"
#include "touch/ChipIniSettings.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace fuzz {

// The readers work on the program's one settings record and on the program folder; this
// entry's scratch folder is the program folder.
int ChipIniEntry(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path folder = ScratchFolder() / "chipini";
    const InputFile file(folder / "System/ChipIni/GTFZ_x.ini", content);

    // The readers touch no register; the chips still need a bridge to be built with.
    static sim::SimRig rig({.chipRegistry = false});
    ChipIniSettings settings;
    const ChipContext context{rig.device(),
                              rig.ProgramClock(),
                              rig.messages,
                              settings,
                              platform::ProgramFiles{folder, platform::CodePage()},
                              [] { return kFamilyNone; }};
    C9xxxChip gt9(context);
    C9pxxChip gt9p(context);
    C73xxChip gt73(context);
    C79xxChip gt79(context);
    CFT5xxxChip ft5(context);
    settings.ChipName = "GTFZ";
    gt9.LoadChipIni();
    gt9p.LoadChipIni();
    gt73.LoadChipIni();
    gt79.LoadGt79ChipIni();
    ft5.LoadFt5ChipIni();
    Require(settings.ChipIniPath == ".\\System\\ChipIni\\GTFZ_x.ini", "the file found is used");

    // The readers' messages (a missing UI item file) are the input's own: none is kept.
    rig.messages.Clear();
    return 0;
}

}  // namespace fuzz
