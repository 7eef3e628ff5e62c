// The folder of the single-instance names: the user's own, or no name is taken at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

struct RefusedCase {
    const char* name;
    // Prepares the scene under the temporary folder and returns the folder of the names.
    std::function<fs::path(const fs::path& base)> scene;
    const char* reason;  // what the error says after the path
};

class NamedLockRefusal : public ::testing::TestWithParam<RefusedCase> {};

}  // namespace

TEST_P(NamedLockRefusal, NameIsNeitherTakenNorFreeAndTheErrorSaysWhy) {
    testsupport::TempFolder temp;
    const fs::path folder = GetParam().scene(temp.Path());
    NamedLock lock("Quillon", folder);
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
                                  "not a regular file"}),
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
