#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/FileSearch.h"
#include "platform/Path.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using platform::CreateEmptyFile;
using platform::FindFiles;
using platform::MatchesMask;
using platform::ResolvePath;

class PathTest : public ::testing::Test {
  protected:
    testsupport::TempFolder folder;
    fs::path At(const std::string& relative) const { return folder.Path() / relative; }
};

TEST_F(PathTest, ComponentsMatchWhatExistsWithoutCase) {
    folder.Write("System/ChipIni/GT911_A.ini", "");
    folder.Write("System/AppConfigInit.ini", "");
    EXPECT_EQ(ResolvePath(folder.Path(), ".\\SYSTEM\\chipini\\gt911_a.INI"),
              At("System/ChipIni/GT911_A.ini"));
    EXPECT_EQ(ResolvePath(folder.Path(), ".//system//AppConfigInit.ini"),
              At("System/AppConfigInit.ini"));
    EXPECT_EQ(ResolvePath(folder.Path(), "System/./ChipIni"), At("System/ChipIni"));
}

TEST_F(PathTest, NewNamesAreTakenAsGiven) {
    folder.MakeFolder("system/chipini");
    EXPECT_EQ(ResolvePath(folder.Path(), ".\\System\\ChipIni\\GT9110H.ini"),
              At("system/chipini/GT9110H.ini"));
    EXPECT_EQ(ResolvePath(folder.Path(), ".\\System\\New\\Sub\\x.ini"), At("system/New/Sub/x.ini"));
}

TEST_F(PathTest, AnExactMatchWinsOverOthers) {
    folder.MakeFolder("SYSTEM");
    folder.MakeFolder("System");
    folder.MakeFolder("system");
    EXPECT_EQ(ResolvePath(folder.Path(), "System"), At("System"));
    EXPECT_EQ(ResolvePath(folder.Path(), "sYSTEM"), At("SYSTEM"));
}

TEST_F(PathTest, RelativePathsStayInTheProgramFolder) {
    EXPECT_EQ(ResolvePath(folder.Path(), "..\\..\\etc\\passwd"), At("etc/passwd"));
    EXPECT_EQ(ResolvePath(folder.Path(), "a\\..\\..\\b"), At("b"));
    EXPECT_EQ(ResolvePath(folder.Path(), "/tmp"), fs::path("/tmp"));
    // ".." after a link to a folder elsewhere comes back to the program folder, not to the
    // link's target's parent, also when the whole text names an existing file.
    testsupport::TempFolder elsewhere;
    elsewhere.MakeFolder("Inner");
    elsewhere.Write("System/A.ini", "");
    folder.Write("System/A.ini", "");
    fs::create_directory_symlink(elsewhere.Path() / "Inner", At("Link"));
    EXPECT_EQ(ResolvePath(folder.Path(), "Link\\..\\System\\A.ini"), At("System/A.ini"));
}

TEST_F(PathTest, EachFolderResolvesItsOwnTexts) {
    testsupport::TempFolder other;
    folder.Write("System/A.ini", "");
    other.Write("system/a.INI", "");
    EXPECT_EQ(ResolvePath(folder.Path(), ".\\SYSTEM\\a.ini"), At("System/A.ini"));
    EXPECT_EQ(ResolvePath(other.Path(), ".\\SYSTEM\\a.ini"), other.Path() / "system/a.INI");
    // An empty folder is the working folder.
    EXPECT_EQ(ResolvePath({}, "x\\y"), fs::path("x/y"));
    EXPECT_EQ(ResolvePath({}, ""), fs::path("."));
}

TEST_F(PathTest, CreateEmptyFile) {
    folder.Write("System/ChipIni/Old.ini", "[A]\nk=1\n");
    EXPECT_TRUE(CreateEmptyFile(folder.Path(), ".\\System\\ChipIni\\old.ini"));
    EXPECT_EQ(folder.Read("System/ChipIni/Old.ini"), "[A]\nk=1\n");
    // A pipe of that name neither blocks nor counts as the file.
    ASSERT_EQ(::mkfifo(At("System/ChipIni/Pipe.ini").c_str(), 0600), 0);
    EXPECT_FALSE(CreateEmptyFile(folder.Path(), ".\\System\\ChipIni\\Pipe.ini"));
    EXPECT_TRUE(CreateEmptyFile(folder.Path(), ".\\system\\chipini\\New.ini"));
    EXPECT_TRUE(folder.Exists("System/ChipIni/New.ini"));
    EXPECT_EQ(fs::file_size(At("System/ChipIni/New.ini")), 0u);
    EXPECT_FALSE(CreateEmptyFile(folder.Path(), ".\\Missing\\New.ini"));
    EXPECT_FALSE(CreateEmptyFile(folder.Path(), ".\\System\\ChipIni"));
}

TEST(MaskTest, WindowsMasks) {
    EXPECT_TRUE(MatchesMask("GT911_A.ini", "GT911_*.ini"));
    EXPECT_TRUE(MatchesMask("gt911_.INI", "GT911_*.ini"));
    EXPECT_FALSE(MatchesMask("GT911.ini", "GT911_*.ini"));
    EXPECT_FALSE(MatchesMask("GT911_A.ini.bak", "GT911_*.ini"));
    EXPECT_TRUE(MatchesMask("aXbYbZc", "a*b*c"));
    EXPECT_FALSE(MatchesMask("aXbYbZ", "a*b*c"));
    EXPECT_TRUE(MatchesMask("S1.hex", "S?.hex"));
    EXPECT_TRUE(MatchesMask("S中.hex", "S?.hex"));
    EXPECT_FALSE(MatchesMask("S12.hex", "S?.hex"));
    EXPECT_TRUE(MatchesMask("noext", "*.*"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_FALSE(MatchesMask("a", ""));
}

TEST_F(PathTest, FindFilesListsMatchingFilesInOrder) {
    folder.Write("System/CfgItem/GT911_b.sc", "");
    folder.Write("System/CfgItem/gt911_A.sc", "");
    folder.Write("System/CfgItem/GT911_C.SC", "");
    folder.Write("System/CfgItem/GT9110_x.sc", "");
    folder.MakeFolder("System/CfgItem/GT911_dir.sc");
    EXPECT_EQ(FindFiles(folder.Path(), ".\\system\\cfgitem\\GT911_*.sc"),
              (std::vector<std::string>{"gt911_A.sc", "GT911_b.sc", "GT911_C.SC"}));
    EXPECT_TRUE(FindFiles(folder.Path(), ".\\System\\Missing\\*.sc").empty());
    EXPECT_TRUE(FindFiles(folder.Path(), ".\\System\\CfgItem\\").empty());
    folder.Write("G1.bin", "");
    EXPECT_EQ(FindFiles(folder.Path(), "G*.bin"), std::vector<std::string>{"G1.bin"});
}

}  // namespace
