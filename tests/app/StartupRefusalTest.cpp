// A refused interactive start as the person who started it sees it: a message box where there
// is a display (standard error otherwise: see ConsoleSessionTest); and a lock folder that is
// not the user's own.
#include <sys/wait.h>

#include "QuillonExe.h"
#include "platform/NamedLock.h"

namespace fs = std::filesystem;

namespace {

class StartupRefusal : public QuillonExe {
  protected:
    void SetUp() override {
        QuillonExe::SetUp();
        runtime_ = "XDG_RUNTIME_DIR='" + Path("run") + "'";
        environment_ = runtime_ + kNoDisplay;
    }
    int ExitStatus() const { return WIFEXITED(exitCode_) ? WEXITSTATUS(exitCode_) : -1; }
    bool Refused() const { return stderr_.find("Quillon is running!") != std::string::npos; }

    static constexpr const char* kNoDisplay = " DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb";
    std::string runtime_;
};

}  // namespace

TEST_F(StartupRefusal, WithADisplayTheRefusalWaitsInAMessageBox) {
    platform::NamedLock held("Quillon", folder_ / "run" / "quillon");
    ASSERT_TRUE(held.Held());
    // The box waits for a person: the program is still there when time runs out, and nothing
    // went to standard error.
    environment_ = "timeout 0.5 env " + runtime_ + " QT_QPA_PLATFORM=offscreen";
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(ExitStatus(), 124);
    EXPECT_FALSE(Refused()) << stderr_;
}

TEST_F(StartupRefusal, LockFolderThatIsALinkRefusesTheStartAndSaysWhy) {
    // Another folder of the user's own behind a link: a name held there would not count.
    fs::create_directories(folder_ / "elsewhere");
    fs::create_directory_symlink(folder_ / "elsewhere", folder_ / "run" / "quillon");
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(stderr_,
              "quillon: Cannot tell whether another instance is running: the lock folder " +
                  Path("run/quillon") + " is not a folder (a link or another file stands there)\n");
    EXPECT_EQ(ExitStatus(), 1);
    EXPECT_FALSE(fs::exists(folder_ / "elsewhere" / "Quillon.lock"));
    // A silent start takes no name and is not refused.
    EXPECT_EQ(Run("/s", "x"), VersionBlock("GT911_1050", "Unknow"));
}
