#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TouchRig.h"
#include "sim/SimFamily.h"
#include "sim/gt79xx/SimGt79xx.h"
#include "sim/gt9xxx/SimGt9xxxFlash.h"
#include "touch/FamilyTraits.h"

namespace {

// Every family of the table, by its name, for parameterized suites.
std::vector<const FamilyTraits*> AllFamilies() {
    const auto rows = Families();
    return {rows.begin(), rows.end()};
}

std::string RowName(const testing::TestParamInfo<const FamilyTraits*>& info) {
    return info.param->name;
}

class FamilyRow : public testing::TestWithParam<const FamilyTraits*> {};

TEST_P(FamilyRow, HasItsChipInTheRegistryAndNamesFilesByItsFirstModel) {
    const FamilyTraits& row = *GetParam();
    TouchRig rig;
    CChipRegistry& registry = *rig.registry;
    ASSERT_NE(registry.ChipOfFamily(row.family), nullptr);
    const std::string models = row.defaultModels;
    const std::string first = models.substr(0, models.find(','));
    EXPECT_EQ(registry.FamilyOfFile(first + "_01.bin"), row.family);
}

TEST_P(FamilyRow, IsFoundByItsOwnNumberAndNoOther) {
    const FamilyTraits& row = *GetParam();
    EXPECT_EQ(TraitsOf(row.family), &row);
    for (const FamilyTraits* other : Families()) {
        if (other != &row) {
            EXPECT_NE(other->family, row.family) << other->name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyRow, testing::ValuesIn(AllFamilies()), RowName);

// A simulated chip built by its simulated family's row from a description, identified through
// the whole stack: the program's family of the same name and the chip's identity.
struct SimRowCase {
    const char* description;  // as a simulation description writes the family
    const char* productId;
    uint32_t version;
    uint16_t bridgeModel;
    const char* identity;
};

class SimFamilyRow : public testing::TestWithParam<SimRowCase> {};

TEST_P(SimFamilyRow, BuildsAChipThatTheProgramIdentifiesAsTheFamilyOfThatName) {
    const SimRowCase& c = GetParam();
    const sim::SimFamily* simRow = sim::SimFamilyNamed(c.description);
    ASSERT_NE(simRow, nullptr);
    TouchRig rig(c.bridgeModel);
    const sim::SimChipBuilt built =
        simRow->build({(rig.folder.Path() / "none.ini").string(), c.productId, c.version});
    ASSERT_TRUE(rig.Start(built.chip));
    ASSERT_TRUE(rig.registry->DetectChip());
    const FamilyTraits* row = TraitsOf(rig.registry->CurrentFamily());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(std::string(row->name), simRow->name);
    EXPECT_EQ(rig.settings.ChipIdentity, c.identity);
}

INSTANTIATE_TEST_SUITE_P(
    SimFamilies, SimFamilyRow,
    testing::Values(SimRowCase{"GT9xxx", "911", 0x1060, 0x0999, "GT911_1060"},
                    SimRowCase{"gt9pxx", "9286", 0x010203, 0x0999, "GT9286_01.02.03"},
                    SimRowCase{"GT73XX", "7387", 0x010203, 0x0999, "GT7387_01.02.03"},
                    SimRowCase{"GT79xx", "7936", 0x01020304, 0x0401, "GT7936_01.02.03.04"},
                    SimRowCase{"ft5xxx", "FT5682_V1.0", 0, 0x0999, "FT5682_V1.0"}));

TEST(SimFamilyRows, EveryProgramFamilyHasOneSimulatedRowAndUnknownNamesNone) {
    EXPECT_EQ(sim::SimFamilies().size(), Families().size());
    for (const FamilyTraits* row : Families()) {
        const sim::SimFamily* simRow = sim::SimFamilyNamed(row->name);
        ASSERT_NE(simRow, nullptr) << row->name;
        EXPECT_EQ(std::string(simRow->name), row->name);
    }
    for (const char* unknown : {"", "GT9", "GT9xxxx", "FT5xxx "}) {
        EXPECT_EQ(sim::SimFamilyNamed(unknown), nullptr) << '"' << unknown << '"';
    }
}

TEST(SimFamilyRows, ReadTheirFaultsFromTheDescription) {
    testsupport::TempFolder folder;
    folder.Write("world.ini",
                 "[Faults]\nNeverAcknowledge=1\nRejectSubImage=3\nBurnNeverCompletes=2\n"
                 "GoneAfterReset=0\nSilentAfterReset=-1\n");
    const std::string file = (folder.Path() / "world.ini").string();

    const auto gt79 = std::static_pointer_cast<sim::SimGt79xx>(
        sim::SimFamilyNamed("GT79xx")->build({file, "7936", 0}).chip);
    EXPECT_TRUE(gt79->faults().neverAcknowledge);
    EXPECT_EQ(gt79->faults().rejectSubImageType, 3);
    EXPECT_FALSE(gt79->faults().goneAfterReset);
    EXPECT_EQ(gt79->faults().silentAfterReset, -1);

    const sim::SimChipBuilt built = sim::SimFamilyNamed("GT9xxx")->build({file, "911", 0});
    EXPECT_NE(built.configRegisters, nullptr);
    const auto gt9 = std::static_pointer_cast<sim::SimGt9xxxFlash>(built.chip);
    EXPECT_TRUE(gt9->faults().burnNeverCompletes);
    EXPECT_FALSE(gt9->faults().holdNeverTakes);
    // Without the key a GT79xx refuses no sub-image.
    folder.Write("world.ini", "[Faults]\n");
    EXPECT_EQ(std::static_pointer_cast<sim::SimGt79xx>(
                  sim::SimFamilyNamed("GT79xx")->build({file, "7936", 0}).chip)
                  ->faults()
                  .rejectSubImageType,
              -1);
}

}  // namespace
