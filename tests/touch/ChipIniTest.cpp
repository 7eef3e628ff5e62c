#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/MessageService.h"
#include "support/MockRegisterAccess.h"
#include "support/TempFolder.h"
#include "touch/ChipIniSettings.h"
#include "touch/ft5xxx/CFT5xxxChip.h"
#include "touch/gt73xx/C73xxChip.h"
#include "touch/gt79xx/C79xxChip.h"
#include "touch/gt9pxx/C9pxxChip.h"
#include "touch/gt9xxx/C9xxxChip.h"

namespace {

using Texts = std::vector<std::string>;
using Map = std::vector<int32_t>;

// The readers need no device: they read files only (a strict mock fails any bridge access).
class ChipIniTest : public ::testing::Test {
  protected:
    ChipIniTest() {
        folder.MakeFolder("System/ChipIni");
        folder.MakeFolder("System/CfgItem");
    }
    void Settings(const std::string& name, const std::string& content) {
        folder.Write("System/ChipIni/" + name, content);
    }

    testsupport::TempFolder folder;
    platform::RecordingMessageService messages;
    ::testing::StrictMock<testsupport::MockRegisterAccess> bridge;
    ChipIniSettings settings;
    platform::SteadyClock clock;
    ChipContext context{bridge,   clock,          messages,
                        settings, folder.Files(), [] { return kFamilyNone; }};
    C9xxxChip gt9{context};
    C9pxxChip gt9p{context};
    C73xxChip gt73{context};
    C79xxChip gt79{context};
    CFT5xxxChip ft5{context};
};

TEST_F(ChipIniTest, AFileFoundByTheMaskIsUsed) {
    Settings("GT911_A.ini", "[Cfg]\nCFGAddr=0x8050\nCfgLength=228\n");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(settings.ChipIniPath, ".\\System\\ChipIni\\GT911_A.ini");
    EXPECT_EQ(settings.CFGAddr, 0x8050);
    EXPECT_EQ(settings.CfgLength, 228);
}

// Fallback names of other families (GT7387, GT9286, GT7936) and the start name GT9110H have
// settings files of their own that the mask never finds: they keep every byte, and the values
// are the defaults all the same.
TEST_F(ChipIniTest, AFileNamedLikeTheChipIsNotFoundNorEmptiedAndTheDefaultsApply) {
    const std::string content =
        "[Cfg]\r\nCFGAddr=0x8050\r\nCfgLength=99\r\n[Channel]\nSenMaxNum=7\n";
    struct Case {
        const char* name;
        std::function<void()> load;
        int32_t cfgLength, senMax;
    };
    const std::vector<Case> cases = {{"GT911", [&] { gt9.LoadChipIni(); }, 186, 0},
                                     {"GT7387", [&] { gt73.LoadChipIni(); }, 186, 0},
                                     {"GT9286", [&] { gt9p.LoadChipIni(); }, 186, 0},
                                     {"GT7936", [&] { gt79.LoadGt79ChipIni(); }, 4096, 75},
                                     {"FT5x06", [&] { ft5.LoadFt5ChipIni(); }, 0, 80}};
    for (const Case& c : cases) {
        Settings(std::string(c.name) + ".ini", content);
        settings = ChipIniSettings{};
        settings.ChipName = c.name;
        c.load();
        EXPECT_EQ(settings.ChipIniPath, std::string(".\\System\\ChipIni\\") + c.name + ".ini");
        EXPECT_EQ(settings.CfgLength, c.cfgLength) << c.name;
        EXPECT_EQ(settings.SenMaxNum, c.senMax) << c.name;
        EXPECT_EQ(folder.Read(std::string("System/ChipIni/") + c.name + ".ini"), content);
    }
}

TEST_F(ChipIniTest, TheFirstOfSeveralMatchesWins) {
    Settings("GT911_b.ini", "[Cfg]\nCfgLength=2\n");
    Settings("gt911_A.ini", "[Cfg]\nCfgLength=1\n");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(settings.ChipIniPath, ".\\System\\ChipIni\\gt911_A.ini");
    EXPECT_EQ(settings.CfgLength, 1);
}

TEST_F(ChipIniTest, BaseReaderDefaults) {
    settings.ChipName = "GT9286";
    gt9p.LoadChipIni();
    const ChipIniSettings& s = settings;
    EXPECT_TRUE(folder.Exists("System/ChipIni/GT9286.ini"));
    EXPECT_EQ(s.SynFlagAddr, 0x814E);
    EXPECT_EQ(s.RawDataRows, 30);
    EXPECT_EQ(s.DiffDataRows, 30);
    EXPECT_EQ(s.RawDataCols, 42);
    EXPECT_EQ(s.DiffDataCols, 42);
    EXPECT_EQ(s.CFGAddr, 0x8047);
    EXPECT_EQ(s.CfgLength, 186);
    EXPECT_EQ(s.ExtCfgAddr, 0xBF7B);
    EXPECT_EQ(s.ExtCfgLength, 0);
    EXPECT_EQ(s.DrvHalfNumber, 0);
    EXPECT_EQ(s.SenHalfNumber, 0);
    EXPECT_EQ(s.SenMaxNum, 0);
    EXPECT_EQ(s.DrvMaxNum, 0);
    EXPECT_EQ(s.DrvStartAddr, 0x80D5);
    EXPECT_EQ(s.SenStartAddr, 0x80B7);
    EXPECT_EQ(s.DrvMap, Map{0});
    EXPECT_EQ(s.SenMap, Map{0});
    EXPECT_EQ(s.ScFilePath, "GTxxx_.sc");
    EXPECT_EQ(messages.Messages(), Texts{"缺少必要的sc文件，部分功能无法使用"});
}

TEST_F(ChipIniTest, Gt9xxxAndGt73xxReaderDefaultsAndMessages) {
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(settings.ScFilePath, "GTxxx_.sc");
    EXPECT_TRUE(messages.Messages().empty());

    settings.ChipName = "GT7387";
    gt73.LoadChipIni();
    const ChipIniSettings& s = settings;
    EXPECT_EQ(s.RawDataRows, 72);
    EXPECT_EQ(s.DiffDataRows, 72);
    EXPECT_EQ(s.RawDataCols, 44);
    EXPECT_EQ(s.DiffDataCols, 44);
    EXPECT_EQ(s.CFGAddr, 0x8050);
    EXPECT_EQ(s.CfgLength, 186);
    EXPECT_EQ(messages.Messages(), Texts{"error"});
}

TEST_F(ChipIniTest, Gt79xxReaderDefaults) {
    settings.ChipName = "GT7936";
    gt79.LoadGt79ChipIni();
    const ChipIniSettings& s = settings;
    EXPECT_EQ(s.SynFlagAddr, 0x10274);
    EXPECT_EQ(s.SenMaxNum, 75);
    EXPECT_EQ(s.DrvMaxNum, 52);
    EXPECT_EQ(s.RawDataRows, 75);
    EXPECT_EQ(s.DiffDataRows, 75);
    EXPECT_EQ(s.RawDataCols, 75);
    EXPECT_EQ(s.DiffDataCols, 75);
    EXPECT_EQ(s.CFGAddr, 0x13B74);
    EXPECT_EQ(s.CfgLength, 4096);
    EXPECT_EQ(s.ExtCfgAddr, 0xBF7B);
    EXPECT_EQ(s.ExtCfgLength, 0);
    EXPECT_EQ(s.RealTimeCmdAddr, 0x10174u);
    EXPECT_EQ(s.DrvMap, Map{0});
    EXPECT_EQ(messages.Messages(), Texts{"error"});
}

TEST_F(ChipIniTest, Gt79xxCountsFollowTheSensorMaximum) {
    Settings("GT7936_x.ini", "[Channel]\nSenMaxNum=40\n[Cfg]\nCFGAddr=0x23B74\n");
    settings.ChipName = "GT7936";
    gt79.LoadGt79ChipIni();
    EXPECT_EQ(settings.RawDataRows, 40);
    EXPECT_EQ(settings.DiffDataRows, 40);
    EXPECT_EQ(settings.RawDataCols, 40);
    EXPECT_EQ(settings.DiffDataCols, 40);
    EXPECT_EQ(settings.DrvMaxNum, 52);
    EXPECT_EQ(settings.CFGAddr, 0x23B74);  // 64-bit hexadecimal keeps the high bits
}

TEST_F(ChipIniTest, Ft5xxxReaderReadsOnlyItsKeys) {
    Settings("FT5682_x.ini", "[Channel]\nSenMaxNum=70\n[Cfg]\nCFGAddr=0x1234\n");
    settings.ChipName = "FT5682";
    settings.CFGAddr = 0x8047;
    settings.ScFilePath = "previous.sc";
    ft5.LoadFt5ChipIni();
    const ChipIniSettings& s = settings;
    EXPECT_EQ(s.SynFlagAddr, 0xFFFF);
    EXPECT_EQ(s.SenMaxNum, 70);
    EXPECT_EQ(s.DrvMaxNum, 60);
    EXPECT_EQ(s.RawDataRows, 70);
    EXPECT_EQ(s.RawDataCols, 60);
    EXPECT_EQ(s.DiffDataCols, 60);
    EXPECT_EQ(s.CFGAddr, 0x8047);
    EXPECT_EQ(s.ScFilePath, "previous.sc");
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(ChipIniTest, AddressesWithOrWithoutPrefix) {
    Settings("GT911_a.ini",
             "[Cfg]\nCFGAddr=8047\nExtCfgAddr=0x10174\n[BasicData]\nSynFlagAddr= 0x814f \n");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(settings.CFGAddr, 0x8047);
    EXPECT_EQ(settings.ExtCfgAddr, 0x0174);
    EXPECT_EQ(settings.SynFlagAddr, 0x814F);
}

TEST_F(ChipIniTest, ChannelMaps) {
    Settings("GT911_a.ini",
             "[Channel]\nDrvMap=3,1,2\nSenMap=10, 11,x,\nDrvHalfNmuber=7\nDrvMaxNum=26\n");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(settings.DrvMap, (Map{3, 1, 2}));
    EXPECT_EQ(settings.SenMap, (Map{10, 11, 0, 0}));
    EXPECT_EQ(settings.DrvHalfNumber, 7);
    EXPECT_EQ(settings.DrvMaxNum, 26);
    Settings("GT911_a.ini", "[Channel]\nMapDisable=1\nDrvMap=9\n");
    gt9.LoadChipIni();
    EXPECT_EQ(settings.DrvMap, (Map{3, 1, 2}));
    EXPECT_EQ(settings.DrvHalfNumber, 0);
}

TEST_F(ChipIniTest, UiItemFileFoundByTheMask) {
    folder.Write("System/CfgItem/GT911_v2.sc", "x");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(settings.ScFilePath, ".\\System\\CfgItem\\GT911_v2.sc");
}

TEST_F(ChipIniTest, GarbageValuesAndOverlongLinesConvertByTheirForms) {
    Settings("GT911_a.ini",
             "[Cfg]\nCFGAddr=zz\nCfgLength=abc\nExtCfgLength=-5\n[Channel]\nSenMaxNum=many\n"
             "DrvMap=" +
                 std::string(20000, '9') + "\nSenMap=" + std::string(5000, ',') + "\n[Option]\n" +
                 "RawDataRows=" + std::string(100000, '1') + "\n");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    const ChipIniSettings& s = settings;
    EXPECT_EQ(s.CFGAddr, 0);
    EXPECT_EQ(s.CfgLength, 0);
    EXPECT_EQ(s.ExtCfgLength, -5);
    EXPECT_EQ(s.SenMaxNum, 0);
    EXPECT_EQ(s.RawDataRows, 2147483647);
    EXPECT_EQ(s.DrvMap, Map{2147483647});
    EXPECT_EQ(s.SenMap, Map{0});
    EXPECT_EQ(s.DiffDataRows, 30);  // a missing key keeps its default
}

TEST_F(ChipIniTest, AFileThatCannotBeCreatedShowsTheReadersMessage) {
    std::filesystem::remove_all(folder.Path() / "System/ChipIni");
    folder.Write("System/ChipIni", "a file where the folder should be");
    settings.ChipName = "GT911";
    gt9.LoadChipIni();
    EXPECT_EQ(messages.Messages(), Texts{"ini file create failed！"});
    EXPECT_EQ(settings.CFGAddr, 0x8047);
    messages.Clear();
    gt9p.LoadChipIni();
    EXPECT_EQ(messages.Messages(),
              (Texts{"ini文件创建失败！", "缺少必要的sc文件，部分功能无法使用"}));
    messages.Clear();
    ft5.LoadFt5ChipIni();
    EXPECT_EQ(messages.Messages(), Texts{"ini文件创建失败！"});
    EXPECT_EQ(settings.SenMaxNum, 80);
}

TEST_F(ChipIniTest, NothingIsCreatedOutsideTheProgramFolder) {
    settings.ChipName = "..\\..\\..\\escaped";
    gt9.LoadChipIni();
    EXPECT_TRUE(folder.Exists("escaped.ini"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path().parent_path() / "escaped.ini"));
}

}  // namespace
