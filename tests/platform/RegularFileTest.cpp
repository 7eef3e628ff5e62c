#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/RegularFile.h"
#include "support/TempFolder.h"

namespace {

using platform::ReadRegularFile;

// Only a regular file opens; a pipe without a writer must not hold the caller.
TEST(RegularFile, OnlyRegularFilesOpenAndNothingWaits) {
    testsupport::TempFolder folder;
    folder.Write("G1.bin", "abc");
    folder.MakeFolder("G2.bin");
    const std::string pipe = (folder.Path() / "G3.bin").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        std::string path;
        bool opens;
    };
    for (const Case& c :
         {Case{(folder.Path() / "G1.bin").string(), true},
          Case{(folder.Path() / "G2.bin").string(), false}, Case{pipe, false},
          Case{"/dev/null", false}, Case{(folder.Path() / "none").string(), false}}) {
        platform::RegularFile file;
        EXPECT_EQ(file.Open(c.path), c.opens) << c.path;
        EXPECT_EQ(file.IsOpen(), c.opens) << c.path;
    }
}

TEST(RegularFile, ReadsTheWholeFileWithinItsLimit) {
    testsupport::TempFolder folder;
    folder.Write("a.ini", "[A]\nk=1\n");
    const std::string path = (folder.Path() / "a.ini").string();
    std::string bytes = "old";
    EXPECT_TRUE(ReadRegularFile(path, bytes, 8));
    EXPECT_EQ(bytes, "[A]\nk=1\n");
    EXPECT_FALSE(ReadRegularFile(path, bytes, 7));
    EXPECT_EQ(bytes, "");
}

}  // namespace
