// Temporary files of settings writes: a write killed half-way leaves one behind, and the next
// write of the same file removes it, touching nothing else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using platform::ReadProfileString;
using platform::WriteProfileString;

namespace {

// The names in the folder that look like temporary files of settings.ini.
std::vector<std::string> TemporariesOfSettings(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(".settings.ini.", 0) == 0) names.push_back(name);
    }
    return names;
}

}  // namespace

TEST(ProfileTempFiles, NextWriteRemovesOnlyItsOwnStaleTemporaries) {
    testsupport::TempFolder folder;
    folder.Write("settings.ini", "[OrvantaTouch]\nLanguage=en\n");
    struct Neighbour {
        const char* name;
        bool removed;
    };
    const Neighbour neighbours[] = {
        {".settings.ini.AbC123", true},    // left by a killed write
        {".settings.ini.000000", true},    // likewise
        {".settings.ini.AbC12", false},    // five characters: not the pattern
        {".settings.ini.AbC1234", false},  // seven
        {".settings.ini.AbC-23", false},   // not letters and digits
        {"settings.ini.AbC123", false},    // no leading dot
        {".other.ini.AbC123", false},      // another file's
        {".settings.ini.bak", false},
    };
    for (const Neighbour& n : neighbours) folder.Write(n.name, "stale");
    // A write of another process that is still going on holds its file locked.
    folder.Write(".settings.ini.LiVe99", "in progress");
    const int live = open((folder.Path() / ".settings.ini.LiVe99").c_str(), O_RDONLY);
    ASSERT_EQ(flock(live, LOCK_EX), 0);
    // Neither a folder nor a link of the pattern is removed, nor what the link points to.
    folder.MakeFolder(".settings.ini.FoLd01");
    folder.Write("target.txt", "kept");
    fs::create_symlink(folder.Path() / "target.txt", folder.Path() / ".settings.ini.LiNk01");

    ASSERT_TRUE(
        WriteProfileString(folder.Files(), ".\\settings.ini", "OrvantaTouch", "Language", "zh"));
    EXPECT_EQ(ReadProfileString(folder.Files(), ".\\settings.ini", "OrvantaTouch", "Language", ""),
              "zh");
    for (const Neighbour& n : neighbours) EXPECT_EQ(folder.Exists(n.name), !n.removed) << n.name;
    EXPECT_TRUE(folder.Exists(".settings.ini.LiVe99"));
    EXPECT_TRUE(folder.Exists(".settings.ini.FoLd01"));
    EXPECT_TRUE(fs::is_symlink(folder.Path() / ".settings.ini.LiNk01"));
    EXPECT_EQ(folder.Read("target.txt"), "kept");
    close(live);
}

TEST(ProfileTempFiles, WritesKilledAtAnyMomentLeaveNothingAfterTheNextWrite) {
    testsupport::TempFolder folder;
    folder.Write("settings.ini", "[OrvantaTouch]\nLanguage=en\n");
    std::mt19937 random(21);
    std::uniform_int_distribution<int> delayUs(0, 2000);
    for (int kill = 0; kill < 60; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                WriteProfileString(folder.Files(), ".\\settings.ini", "OrvantaTouch", "Count",
                                   std::to_string(i));
            }
        }
        usleep(static_cast<useconds_t>(delayUs(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_TRUE(
        WriteProfileString(folder.Files(), ".\\settings.ini", "OrvantaTouch", "Language", "zh"));
    EXPECT_EQ(TemporariesOfSettings(folder.Path()), std::vector<std::string>{});
    EXPECT_EQ(ReadProfileString(folder.Files(), ".\\settings.ini", "OrvantaTouch", "Language", ""),
              "zh");
}
