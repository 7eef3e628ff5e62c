#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Path.h"
#include "platform/TextError.h"
#include "sim/SimRig.h"
#include "sim/gt9xxx/Gt9xxxConfigFiles.h"
#include "touch/FamilyTraits.h"
#include "touch/config/CfgText.h"
#include "touch/config/ConfigUpgrader.h"

namespace fuzz {

namespace {

// A bridge block: a valid one decodes, encodes back to a valid one and decodes to the same
// texts (but a choice shown as a number, which encodes as the first choice); an invalid one
// decodes to nothing.
void CheckBridgeBlock(const uint8_t* data, size_t size) {
    CBridgeConfigList list(nullptr);
    std::copy_n(data, std::min(size, list.Block.size()), list.Block.begin());
    if (!list.Decode()) {
        Require(!CBridgeConfigList::IsValid(list.Block), "a valid block decodes");
        return;
    }
    std::vector<std::string> texts;
    for (const auto& item : list.Items()) texts.push_back(item->Value);
    list.Encode();
    Require(CBridgeConfigList::IsValid(list.Block), "an encoded block is valid");
    Require(list.Decode(), "an encoded block decodes");
    for (size_t i = 0; i < texts.size(); ++i) {
        const CConfigItem& item = *list.Items()[i];
        const bool chosen =
            std::find(item.Choices.begin(), item.Choices.end(), texts[i]) != item.Choices.end();
        if (item.ControlKind == kControlChoice && item.DisplayKind != kDisplayHex && !chosen) {
            continue;
        }
        Require(item.Value == texts[i], "a block decodes as it was encoded");
    }
}

}  // namespace

// Input: family selector, CfgLength (two bytes, high first), ExtCfgLength, the 24 bytes of a
// bridge block, then a ".cfg" text. The file is loaded into the family's configuration class (a
// plain one standing in for a family whose files begin with a header) with the simulated GT911's UI
// item file.
int ConfigFileEntry(const uint8_t* data, size_t size) {
    constexpr size_t kHead = 4 + 24;
    uint8_t head[kHead] = {};
    std::copy_n(data, std::min(size, kHead), head);
    CheckBridgeBlock(head + 4, 24);

    // The families with a configuration class, in table order.
    static const std::vector<ChipFamily> kFamilies = [] {
        std::vector<ChipFamily> families;
        for (const FamilyTraits* traits : Families()) {
            if (traits->createConfig) families.push_back(traits->family);
        }
        return families;
    }();
    const ChipFamily family = kFamilies[head[0] % kFamilies.size()];
    const std::string text(reinterpret_cast<const char*>(data) + std::min(size, kHead),
                           size - std::min(size, kHead));
    const std::filesystem::path folder = ScratchFolder() / "config_file";
    static bool written = false;
    if (!written) {
        WriteFile(folder / "System/CfgItem/GT911_F.sc",
                  sim::StoredUiItemFile(sim::Gt911UiItemText()));
        written = true;
    }
    const InputFile file(folder / "F.cfg", text);
    const platform::ProgramFiles files{folder, platform::CodePage()};

    static sim::SimRig rig({.chipRegistry = false});
    ChipIniSettings settings;
    settings.ChipIniPath = ".\\System\\ChipIni\\GT911_F.ini";
    settings.ScFilePath = ".\\System\\CfgItem\\GT911_F.sc";
    settings.CfgLength = ((head[1] << 8) | head[2]) % 4200;
    settings.ExtCfgLength = head[3];
    settings.ExtCfgAddr = 0x80FF;
    const ConfigContext context{
        rig.device(), rig.ProgramClock(), settings, files, [family] { return family; }, {}, {}};
    const auto create = [](ChipFamily f, const ConfigContext& c) {
        return UpgradeRulesOf(f).configFileHasHeader ? std::make_unique<CBaseConfig>(c)
                                                     : CreateConfig(f, c);
    };
    CConfigUpgrader upgrader(context, {}, create);
    bool parsed = true;
    std::vector<uint8_t> values;
    try {
        // The most values a load takes: a whole image and the bridge block; the rest of
        // the file is ignored.
        values =
            ParseCfgText(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                         CBaseConfig::kImageSize + CBridgeConfigList::kBlockLength, files.codePage);
    } catch (const platform::TextError&) {
        parsed = false;
    }
    try {
        if (upgrader.LoadFile(".\\F.cfg")) {
            Require(parsed, "a file the reader refuses is not loaded");
            // A header states the whole configuration: no extended block follows it.
            const int32_t ext =
                UpgradeRulesOf(family).configFileHasHeader ? 0 : settings.ExtCfgLength;
            const size_t main = static_cast<size_t>(settings.CfgLength);
            const size_t image = main + static_cast<size_t>(ext);
            Require(image <= CBaseConfig::kImageSize, "the blocks fit the image");
            // Both blocks, or the main block (perhaps less the flag byte the program sets) where
            // the extended block is not sent.
            Require(values.size() >= image || (values.size() + 1 >= main && values.size() <= main),
                    "the file fills what the chip is sent");
            const uint8_t* bytes = upgrader.GetConfig()->Image();
            for (size_t i = 0; i < image; ++i) {
                Require(bytes[i] == (i < values.size() ? values[i] : 0),
                        "the image holds the file's values");
            }
        }
    } catch (const platform::TextError&) {
    }
    return 0;
}

}  // namespace fuzz
