#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"

namespace fs = std::filesystem;

namespace {
struct Folder {
    fs::path path =
        fs::temp_directory_path() / ("quillon-settings-" + std::to_string(std::random_device{}()));
    Folder() { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
};
}  // namespace

TEST(FileSettingsStoreTest, MissingValueIsEmptyAndTheSettingsPlaceIsCreated) {
    Folder folder;
    const fs::path file = folder.path / "quillon" / "settings.ini";
    platform::FileSettingsStore store(platform::CodePage(), file.string(), folder.path.string());
    EXPECT_EQ(store.ReadUserValue("Language"), "");
    EXPECT_TRUE(fs::exists(file));
    std::ofstream(file) << "[orvantatouch]\n language = en \n";
    EXPECT_EQ(store.ReadUserValue("Language"), "en");
    EXPECT_EQ(store.ReadUserValue("Other"), "");
}

TEST(FileSettingsStoreTest, DriverCountsAsPresentWithARuleForTheBootModeDevice) {
    Folder folder;
    const fs::path rules = folder.path / "rules.d";
    fs::create_directories(rules);
    platform::FileSettingsStore store(platform::CodePage(), (folder.path / "s.ini").string(),
                                      (folder.path / "missing").string() + ":" + rules.string());
    EXPECT_FALSE(store.BootModeDriverPresent());
    std::ofstream(rules / "50-other.rules")
        << "ATTRS{idVendor}==\"4348\", ATTRS{idProduct}==\"1234\"\n";
    EXPECT_FALSE(store.BootModeDriverPresent());
    std::ofstream(rules / "70-quillon.rules")
        << "ATTRS{idVendor}==\"4348\", ATTRS{idProduct}==\"55e0\"\n";
    EXPECT_TRUE(store.BootModeDriverPresent());
}

// cmake --install puts the udev rule into QUILLON_UDEV_RULES_DIR: one of the folders udev reads,
// and there the driver check finds it.
TEST(FileSettingsStoreTest, TheInstalledRuleIsWhereUdevReadsItAndCountsAsTheDriver) {
    const std::string installedFolder = QUILLON_UDEV_RULES_DIR;
    std::vector<std::string> udevFolders;
    std::stringstream folders(platform::kUdevRuleFolders);
    for (std::string folder; std::getline(folders, folder, ':');) udevFolders.push_back(folder);
    EXPECT_TRUE(std::find(udevFolders.begin(), udevFolders.end(), installedFolder) !=
                udevFolders.end())
        << installedFolder << " is not read by udev";

    Folder root;
    const fs::path installed = root.path / fs::path(installedFolder).relative_path();
    fs::create_directories(installed);
    fs::copy_file(fs::path(__FILE__).parent_path() / "../../platform/linux/70-quillon.rules",
                  installed / "70-quillon.rules");
    platform::FileSettingsStore store(platform::CodePage(), (root.path / "s.ini").string(),
                                      installed.string());
    EXPECT_TRUE(store.BootModeDriverPresent());
}
