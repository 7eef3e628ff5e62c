// A refused interactive start as the person who started it sees it: a message box where there
// is a display, and on standard error the missing display where there is none; and a lock
// folder that is not the user's alone.
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

TEST_F(StartupRefusal, WithoutADisplayALockFolderThatIsALinkIsLeftAlone) {
    // Another folder of the user's own behind a link: a name held there would not count. (Why
    // the name cannot be taken is shown in a message box: see SingleInstanceTest. Without a
    // display the start is refused for that first.)
    fs::create_directories(folder_ / "elsewhere");
    fs::create_directory_symlink(folder_ / "elsewhere", folder_ / "run" / "quillon");
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(stderr_, kNoDisplayMessage);
    EXPECT_EQ(ExitStatus(), 1);
    EXPECT_FALSE(fs::exists(folder_ / "elsewhere" / "Quillon.lock"));
    // A silent start takes no name and is not refused.
    EXPECT_EQ(Run("/s", "x"), VersionBlock("GT911_1050", "Unknow"));
}

TEST_F(StartupRefusal, WithoutADisplayTheStartSaysSoBeforeItTakesAnything) {
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY ";
    const std::string environments[] = {
        // As over a remote shell: nothing names a display or a platform of Qt's.
        noDisplay + "-u QT_QPA_PLATFORM",
        // Platform lists with empty entries, which name no platform.
        noDisplay + "QT_QPA_PLATFORM=';xcb'",
        noDisplay + "QT_QPA_PLATFORM='xcb;;wayland'",
        noDisplay + "QT_QPA_PLATFORM=';'",
        // A list that names no platform at all: Qt tries none, whatever display there is.
        "env -u WAYLAND_DISPLAY DISPLAY=:97 QT_QPA_PLATFORM=';'",
    };
    for (const std::string& environment : environments) {
        environment_ = environment + " " + runtime_;
        for (const char* switches : {"", "/u"}) {
            SCOPED_TRACE(environment + " " + switches);
            EXPECT_EQ(Run(switches), "");
            EXPECT_EQ(stderr_, kNoDisplayMessage);
            EXPECT_EQ(ExitStatus(), 1);
            // No name taken, not even the folder of the names made, and no bridge opened.
            EXPECT_FALSE(fs::exists(folder_ / "run" / "quillon"));
            EXPECT_TRUE(Trace().empty());
        }
    }
}

TEST_F(StartupRefusal, LockFolderOthersMayWriteIsTheUsersAloneOnceTheDialogRuns) {
    const fs::path names = folder_ / "run" / "quillon";
    fs::create_directory(names);
    fs::permissions(names, fs::perms::all);
    environment_ = runtime_ + " QT_QPA_PLATFORM=offscreen";
    const pid_t child = Spawn(Command("", "</dev/null"));
    // The dialog holds both names until it is closed; the second is taken after the first.
    const bool claimed =
        WaitWhileRunning(child, [&] { return fs::exists(names / "Tessaly.lock"); });
    Stop(child);
    ASSERT_TRUE(claimed) << stderr_;
    EXPECT_EQ(fs::status(names).permissions(), fs::perms::owner_all);
}
