#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Process.h"

TEST(RunShellCaptureTest, CollectsOutputAndErrorsInOrder) {
    auto out = platform::RunShellCapture("printf 'one\\n'; printf 'two\\n' >&2; printf three", "");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "one\ntwo\nthree");
}

TEST(RunShellCaptureTest, SilentCommandGivesEmptyText) {
    auto out = platform::RunShellCapture("true", "");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "");
}

TEST(RunShellCaptureTest, RunsInTheGivenFolderWithoutStandardInput) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("quillon-proc-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "setup.bat") << "echo installed\n";
    auto out = platform::RunShellCapture("sh setup.bat; cat; echo end", dir.string());
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "installed\nend\n");
}

TEST(RunShellCaptureTest, MissingScriptIsReportedOnTheOutput) {
    auto out = platform::RunShellCapture("./no-such-script.bat", "/");
    ASSERT_TRUE(out.has_value());
    EXPECT_FALSE(out->empty());
}

TEST(RunShellCaptureTest, LargeOutputArrivesWhole) {
    auto out = platform::RunShellCapture("head -c 100000 /dev/zero | tr '\\0' x", "");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->size(), 100000u);
}

TEST(RunShellCaptureTest, CommandThatCannotBeStartedIsNotAQuietSuccess) {
    // A folder that cannot be entered: the command never runs, so its silence means nothing.
    auto out = platform::RunShellCapture("true", "/nonexistent/quillon-folder");
    EXPECT_FALSE(out.has_value());
    // Once started, a command that fails on its own still gives its output.
    out = platform::RunShellCapture("exit 3", "/");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "");
}
