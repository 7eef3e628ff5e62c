#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Profile.h"
#include "support/TempFolder.h"

namespace {

using platform::ReadProfileInt;
using platform::ReadProfileString;
using platform::WriteProfileString;

constexpr const char* kFile = ".\\System\\Test.ini";

class ProfileTest : public ::testing::Test {
  protected:
    testsupport::TempFolder folder;
    void SetFile(const std::string& content) { folder.Write("System/Test.ini", content); }
    std::string File() const { return folder.Read("System/Test.ini"); }
    // Every entry of the System folder (to see that no temporary file was left).
    size_t EntriesInSystem() const {
        size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path() / "System")) {
            (void)entry;
            ++n;
        }
        return n;
    }
};

TEST_F(ProfileTest, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
    SetFile("[Cfg]\r\n  cfgaddr =  0x8047  \r\n[CHIP TYPE]\r\nGT9XXX=GT911,GT927\r\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "CFG", "CFGAddr", "x"), "0x8047");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "chip type", "gt9xxx", "x"), "GT911,GT927");
    // The path text itself is resolved without case too.
    EXPECT_EQ(ReadProfileString(folder.Files(), ".//system//test.INI", "Cfg", "CFGAddr", "x"),
              "0x8047");
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyOfANameWin) {
    SetFile("[A]\nk=1\nk=2\n[B]\nk=5\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "k", ""), "1");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "B", "K", ""), "5");
    // Only the first section of the name is searched.
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "j", "none"), "none");
}

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesDefaultWithoutTrailingBlanks) {
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "k", "dflt  "), "dflt");
    SetFile("[A]\nk=1\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "B", "k", " lead"), " lead");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "z", ""), "");
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "A", "z", 77), 77);
}

TEST_F(ProfileTest, QuotesCommentsBareKeysAndLinesBeforeAnySection) {
    SetFile(
        "top=0\n;comment=1\n[A]\n; k=9\nq=\"quoted "
        "value\"\ns='x'\nhalf=\"open\nbare\n[Broken\nafter=2\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "q", ""), "quoted value");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "s", ""), "x");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "half", ""), "\"open");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "bare", "d"), "");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "k", "d"), "d");
    // "[Broken" without "]" is no section: the key after it is still in A.
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "after", ""), "2");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "", "top", "d"), "d");
}

TEST_F(ProfileTest, OverlongValuesAreCutToTheBuffer) {
    SetFile("[A]\nlong=" + std::string(5000, '7') + "\nzh=" + std::string(300, 'a') + "中文\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "long", "").size(), 259u);
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "long", "", 1024).size(), 1023u);
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "long", "", 0), "");
    // Cut by characters, never inside one.
    std::string zh(298, 'a');
    SetFile("[A]\nzh=" + zh + "中文字\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "zh", "", 301), zh + "中文");
}

TEST_F(ProfileTest, IntegersFollowTheSettingsRules) {
    SetFile(
        "[N]\na=42\nb=  -7\nc=0x1F\nd=12abc\ne=abc\nf=\ng=4294967297\nh='5'\ni=+0b101\nj=0o17\n");
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "a", -1), 42);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "b", -1), -7);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "c", -1), 31);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "d", -1), 12);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "e", -1), 0);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "f", -1),
              -1);  // present but empty: the default
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "g", -1), 1);  // wraps in 32 bits
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "h", -1), 5);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "i", -1), 5);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "N", "j", -1), 15);
}

TEST_F(ProfileTest, EightBitFilesAreReadInTheCodePage) {
    // "芯片" and "中文" in CP936.
    SetFile("[\xD0\xBE\xC6\xAC]\nname=\xD6\xD0\xCE\xC4\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "芯片", "name", ""), "中文");
    SetFile("\xEF\xBB\xBF[A]\nname=中文\n");  // UTF-8 with its mark
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "name", ""), "中文");
}

TEST_F(ProfileTest, OneFileReadsInTheCodePageOfEachReader) {
    // "中" in CP936 is "ÖÐ" in CP1252; a reading in one code page is not served to the other.
    SetFile("[A]\nname=\xD6\xD0\n");
    const platform::ProgramFiles western{folder.Path(), platform::CodePage("1252")};
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "name", ""), "中");
    EXPECT_EQ(ReadProfileString(western, kFile, "A", "name", ""), "ÖÐ");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "name", ""), "中");
    // A write keeps the file in the writer's code page.
    ASSERT_TRUE(WriteProfileString(western, kFile, "A", "other", "é"));
    EXPECT_EQ(File(), "[A]\nname=\xD6\xD0\nother=\xE9\n");
}

TEST_F(ProfileTest, WriteCreatesTheFile) {
    folder.MakeFolder("System");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "ConfigInfo", "UI File Name",
                                   ".\\System\\CfgItem\\a.sc"));
    EXPECT_EQ(File(), "[ConfigInfo]\r\nUI File Name=.\\System\\CfgItem\\a.sc\r\n");
    EXPECT_EQ(EntriesInSystem(), 1u);
}

TEST_F(ProfileTest, WriteReplacesTheFirstKeyAndKeepsEveryOtherByte) {
    SetFile(
        "; head\n[ConfigInfo]\nui file name = old \nui file "
        "name=second\nX=1\n\n[Cfg]\nCFGAddr=0x8047");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "CONFIGINFO", "UI File Name", "new"));
    EXPECT_EQ(File(),
              "; head\n[ConfigInfo]\nui file name=new\nui file "
              "name=second\nX=1\n\n[Cfg]\nCFGAddr=0x8047");
}

TEST_F(ProfileTest, WriteAddsKeysAfterTheSectionsLastLineAndNewSectionsAtTheEnd) {
    SetFile("[ConfigInfo]\r\nA=1\r\n\r\n[Cfg]\r\nB=2");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "ConfigInfo", "SenAlignAddr", "0x10"));
    EXPECT_EQ(File(), "[ConfigInfo]\r\nA=1\r\nSenAlignAddr=0x10\r\n\r\n[Cfg]\r\nB=2");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "Cfg", "C", "3"));
    EXPECT_EQ(File(), "[ConfigInfo]\r\nA=1\r\nSenAlignAddr=0x10\r\n\r\n[Cfg]\r\nB=2\r\nC=3\r\n");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "New", "D", "4"));
    EXPECT_EQ(
        File(),
        "[ConfigInfo]\r\nA=1\r\nSenAlignAddr=0x10\r\n\r\n[Cfg]\r\nB=2\r\nC=3\r\n[New]\r\nD=4\r\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "configinfo", "senalignaddr", ""), "0x10");
}

TEST_F(ProfileTest, WriteKeepsAnEightBitFileInItsCodePage) {
    SetFile("[A]\nname=\xD6\xD0\xCE\xC4\n");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "A", "path", "芯片"));
    EXPECT_EQ(File(), "[A]\nname=\xD6\xD0\xCE\xC4\npath=\xD0\xBE\xC6\xAC\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "path", ""), "芯片");
}

TEST_F(ProfileTest, FailedWritesLeaveTheOldFileAndNoLeftovers) {
    // Missing folder.
    EXPECT_FALSE(WriteProfileString(folder.Files(), ".\\Missing\\x.ini", "A", "k", "v"));
    EXPECT_FALSE(folder.Exists("Missing"));
    // Read-only file.
    SetFile("[A]\nk=1\n");
    std::filesystem::permissions(
        folder.Path() / "System/Test.ini",
        std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", "k", "2"));
    EXPECT_EQ(File(), "[A]\nk=1\n");
    std::filesystem::permissions(folder.Path() / "System/Test.ini",
                                 std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    // Line breaks would change the file's structure; "=" in a key could not be read back.
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", "k", "2\n[B]"));
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A\r", "k", "2"));
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", "k=j", "2"));
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", "", "2"));
    EXPECT_EQ(File(), "[A]\nk=1\n");
    // A folder where the file should be.
    folder.MakeFolder("System/Dir.ini");
    EXPECT_FALSE(WriteProfileString(folder.Files(), ".\\System\\Dir.ini", "A", "k", "v"));
    EXPECT_EQ(EntriesInSystem(), 2u);
    // The mode of a rewritten file stays.
    std::filesystem::permissions(folder.Path() / "System/Test.ini", std::filesystem::perms(0640),
                                 std::filesystem::perm_options::replace);
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "A", "k", "2"));
    EXPECT_EQ(std::filesystem::status(folder.Path() / "System/Test.ini").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(EntriesInSystem(), 2u);
}

}  // namespace

namespace {

// "中文" in CP936 and in UTF-8; "芯片" in CP936, whose bytes happen to be valid UTF-8 too.
const std::string kZh936 = "\xD6\xD0\xCE\xC4";
const std::string kChip936 = "\xD0\xBE\xC6\xAC";

TEST_F(ProfileTest, EachLineOfAMixedFileReadsAsItWasWritten) {
    SetFile("[A]\nold=" + kZh936 + "\nnew=中文\nchip=" + kChip936 + "\nk=1\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "old", ""), "中文");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "new", ""), "中文");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "chip", ""), "芯片");
    // A write changes its own line only, and every line still reads the same.
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "A", "k", "2"));
    EXPECT_EQ(File(), "[A]\nold=" + kZh936 + "\nnew=中文\nchip=" + kChip936 + "\nk=2\n");
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "A", "new", "芯片"));
    EXPECT_EQ(File(),
              "[A]\nold=" + kZh936 + "\nnew=" + kChip936 + "\nchip=" + kChip936 + "\nk=2\n");
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "new", ""), "芯片");
    // Rewriting the last line that is no UTF-8 would make the file UTF-8 as a whole and change
    // how "chip" reads: refused, the file stays.
    const std::string before = File();
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", "old", "x"));
    EXPECT_EQ(File(), before);
    // A character the code page lacks goes in UTF-8 when that reads back, else is refused.
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "A", "w", "€—✓"));
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "w", ""), "€—✓");
    EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", "e", "ع"));
    EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "A", "chip", ""), "芯片");
}

TEST_F(ProfileTest, NamesThatCouldNotBeReadBackAreRefused) {
    SetFile("[A]\nk=1\n");
    for (const char* key : {";k", "[k]", "[k", " k", "k ", "\tk", "k=j", ""}) {
        EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, "A", key, "2")) << key;
    }
    for (const char* section : {" A", "A ", "", "A\n"}) {
        EXPECT_FALSE(WriteProfileString(folder.Files(), kFile, section, "k", "2")) << section;
    }
    EXPECT_EQ(File(), "[A]\nk=1\n");
    // Inner blanks, brackets and semicolons after the first character read back.
    for (const char* key : {"k;1", "a b", "x[0]"}) {
        ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "B]C", key, "v")) << key;
        EXPECT_EQ(ReadProfileString(folder.Files(), kFile, "B]C", key, ""), "v") << key;
    }
}

// A file is parsed once per change: each change of its bytes is seen by the next read, even
// one that keeps the length and puts the modification time back.
TEST_F(ProfileTest, EveryChangeOfTheFileIsSeen) {
    namespace fs = std::filesystem;
    SetFile("[A]\nk=1\n");
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "A", "k", 0), 1);
    const fs::path path = folder.Path() / "System/Test.ini";
    const auto time = fs::last_write_time(path);
    SetFile("[A]\nk=2\n");
    fs::last_write_time(path, time);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "A", "k", 0), 2);
    ASSERT_TRUE(WriteProfileString(folder.Files(), kFile, "A", "k", "3"));
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "A", "k", 0), 3);
    fs::remove(path);
    EXPECT_EQ(ReadProfileInt(folder.Files(), kFile, "A", "k", 0), 0);
    EXPECT_EQ(ReadProfileInt(folder.Files(), "", "A", "k", 7), 7);
}

}  // namespace
