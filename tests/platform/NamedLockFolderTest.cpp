// The folder of the single-instance names: the user's own, or no name is taken at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/NamedLock.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using platform::NamedLock;

namespace {

// A folder that belongs to someone else: a fresh one handed to "nobody" when this test may
// do that, else the root folder.
fs::path ForeignFolder(const fs::path& base) {
    if (geteuid() != 0) return "/";
    const fs::path folder = base / "foreign";
    fs::create_directory(folder);
    if (chown(folder.c_str(), 65534, 65534) != 0) ADD_FAILURE() << "chown";
    return folder;
}

// Sets or clears the immutable attribute, which not even the owner's chmod gets past; false
// where the system does not let this test do that.
bool SetImmutable(const fs::path& path, bool on) {
    const std::string command =
        std::string("chattr ") + (on ? "+i '" : "-i '") + path.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// A folder open to everyone that cannot be changed; empty where it cannot be made.
fs::path FolderThatCannotBeChanged(const fs::path& base) {
    const fs::path folder = base / "fixed";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    return SetImmutable(folder, true) ? folder : fs::path();
}

// A lock file of another user in a folder of the user's own; empty where it cannot be made.
fs::path LockFileOfAnotherUser(const fs::path& base) {
    std::ofstream(base / "Quillon.lock") << "";
    return geteuid() == 0 && chown((base / "Quillon.lock").c_str(), 65534, 65534) == 0 ? base
                                                                                       : fs::path();
}

struct RefusedCase {
    const char* name;
    // Prepares the scene under the temporary folder and returns the folder of the names, or
    // an empty path where this test cannot build it.
    std::function<fs::path(const fs::path& base)> scene;
    const char* reason;  // what the error says after the path
    // Undoes what would keep the scene from being removed.
    std::function<void(const fs::path& folder)> undo = {};
};

class NamedLockRefusal : public ::testing::TestWithParam<RefusedCase> {};

}  // namespace

TEST_P(NamedLockRefusal, NameIsNeitherTakenNorFreeAndTheErrorSaysWhy) {
    testsupport::TempFolder temp;
    const fs::path folder = GetParam().scene(temp.Path());
    if (folder.empty()) GTEST_SKIP() << "this scene needs root";
    NamedLock lock("Quillon", folder);
    if (GetParam().undo) GetParam().undo(folder);
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(lock.AlreadyExisted());
    EXPECT_NE(lock.Error().find(folder.string()), std::string::npos) << lock.Error();
    EXPECT_NE(lock.Error().find(GetParam().reason), std::string::npos) << lock.Error();
}

INSTANTIATE_TEST_SUITE_P(
    FolderOrFileNotTheUsersOwn, NamedLockRefusal,
    ::testing::Values(RefusedCase{"LinkToAFolder",
                                  [](const fs::path& base) {
                                      fs::create_directory(base / "real");
                                      fs::create_directory_symlink(base / "real", base / "link");
                                      return base / "link";
                                  },
                                  "is not a folder"},
                      RefusedCase{"File",
                                  [](const fs::path& base) {
                                      std::ofstream(base / "file") << "x";
                                      return base / "file";
                                  },
                                  "is not a folder"},
                      RefusedCase{"AnotherUsersFolder", ForeignFolder, "belongs to another user"},
                      RefusedCase{"NoParentFolder",
                                  [](const fs::path& base) { return base / "missing" / "quillon"; },
                                  "cannot be created"},
                      RefusedCase{"LockFileIsALink",
                                  [](const fs::path& base) {
                                      std::ofstream(base / "elsewhere") << "";
                                      fs::create_symlink(base / "elsewhere", base / "Quillon.lock");
                                      return base;
                                  },
                                  "cannot be used"},
                      RefusedCase{"LockFileIsAFolder",
                                  [](const fs::path& base) {
                                      fs::create_directory(base / "Quillon.lock");
                                      return base;
                                  },
                                  "cannot be used"},
                      RefusedCase{"LockFileIsAPipe",
                                  [](const fs::path& base) {
                                      if (mkfifo((base / "Quillon.lock").c_str(), 0600) != 0)
                                          ADD_FAILURE() << "mkfifo";
                                      return base;
                                  },
                                  "not a regular file"},
                      RefusedCase{"LockFileOfAnotherUser", LockFileOfAnotherUser,
                                  "Quillon.lock belongs to another user"},
                      RefusedCase{"FolderOthersMayWriteThatCannotBeChanged",
                                  FolderThatCannotBeChanged,
                                  "may be written by others and cannot be made the user's alone",
                                  [](const fs::path& folder) { SetImmutable(folder, false); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NamedLockFolder, MissingFolderIsCreatedForTheUserAlone) {
    testsupport::TempFolder temp;
    const fs::path folder = temp.Path() / "quillon";
    const mode_t previous = umask(0);
    NamedLock lock("Quillon", folder);
    umask(previous);
    EXPECT_TRUE(lock.Held()) << lock.Error();
    struct stat st {};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(st.st_uid, geteuid());
    EXPECT_TRUE(NamedLock("Quillon", folder).AlreadyExisted());
}

// An existing folder of the user's own: the user's alone afterwards when group or others could
// write it, untouched otherwise.
struct ModeCase {
    const char* name;
    fs::perms before;
    fs::perms after;
};

class NamedLockFolderMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(NamedLockFolderMode, FolderOthersMayWriteIsMadeTheUsersAlone) {
    testsupport::TempFolder temp;
    const fs::path folder = temp.Path() / "quillon";
    fs::create_directory(folder);
    fs::permissions(folder, GetParam().before);
    NamedLock lock("Quillon", folder);
    EXPECT_TRUE(lock.Held()) << lock.Error();
    EXPECT_EQ(fs::status(folder).permissions(), GetParam().after);
}

constexpr fs::perms kOwner = fs::perms::owner_all;
constexpr fs::perms kGroupReads = fs::perms::group_read | fs::perms::group_exec;
constexpr fs::perms kOthersRead = fs::perms::others_read | fs::perms::others_exec;

INSTANTIATE_TEST_SUITE_P(
    Modes, NamedLockFolderMode,
    ::testing::Values(ModeCase{"EveryoneWrites", fs::perms::all, kOwner},
                      ModeCase{"EveryoneWritesSticky", fs::perms::all | fs::perms::sticky_bit,
                               kOwner},
                      ModeCase{"GroupWrites", kOwner | fs::perms::group_all, kOwner},
                      ModeCase{"OthersWriteOnly", kOwner | fs::perms::others_write, kOwner},
                      ModeCase{"OthersRead", kOwner | kGroupReads | kOthersRead,
                               kOwner | kGroupReads | kOthersRead},
                      ModeCase{"UsersAlone", kOwner, kOwner}),
    [](const auto& info) { return std::string(info.param.name); });
