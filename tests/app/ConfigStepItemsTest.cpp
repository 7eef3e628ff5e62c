// The configuration step when the UI item file gives no items: it logs why, writes nothing
// and the run fails.
#include <gtest/gtest.h>

#include "app/ConfigStep.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "support/ConfigRig.h"
#include "support/RecordingLog.h"

TEST(ConfigStepItems, TheLogSaysWhyThereAreNoItems) {
    struct Case {
        const char* what;
        std::string uiText;
        int32_t cfgLength;
        std::string line;
    } cases[] = {
        {"a record lacks a key", "NO.7\naddr,0x8047\nname,Version\n", 186,
         "[Config]UI item file: record NO.7 lacks \"explain\"/3\n"},
        {"no record", "nothing\n", 186,
         "[Config]UI item file holds no items: .\\System\\CfgItem\\GT911_A.sc/3\n"},
        {"a length beyond the image", sim::Gt911UiItemText(), 4097,
         "[Config]Configuration length out of range: CfgLength 4097 (at least 2), ExtCfgLength "
         "0; the configuration image holds 4096 bytes/3\n"},
    };
    for (const Case& c : cases) {
        testsupport::ConfigRig rig;
        rig.rig.folder.Write("System/CfgItem/GT911_A.sc", testsupport::StoredUiFile(c.uiText));
        rig.rig.settings.CfgLength = c.cfgLength;
        testsupport::RecordingLog log;
        CConfigStep::Context context{rig.Context(), rig.FamilyOfFile(), CreateConfig, nullptr,
                                     &log};
        context.detectChip = [] { return true; };
        CConfigStep step(std::move(context));
        const auto outcome =
            step.Run(rig.File("GT911_A.cfg", sim::Gt9xxxCfgText(0x42, 186, true)), false);
        std::string lines;
        for (const auto& e : log.entries()) lines += e.text + "/" + std::to_string(e.kind) + "\n";
        EXPECT_EQ(outcome, CConfigStep::Outcome::NotVerified) << c.what;
        EXPECT_EQ(lines, c.line) << c.what;
        EXPECT_EQ(rig.ChipBlock()[0], 0) << c.what;
        EXPECT_TRUE(rig.rig.bridge->Requests().empty()) << c.what;
    }
}
