#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

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
