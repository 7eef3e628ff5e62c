#include "platform/SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/AsciiCase.h"
#include "platform/Profile.h"

namespace platform {

namespace {

constexpr const char* kSection = "OrvantaTouch";

std::string DefaultSettingsFile() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return "";
    }
    return (base / "quillon" / "settings.ini").string();
}

// A rule file that names the boot-mode device's vendor and product ids.
bool RuleNamesBootDevice(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    const std::string content = AsciiLower(text.str());
    return content.find("4348") != std::string::npos && content.find("55e0") != std::string::npos;
}

}  // namespace

FileSettingsStore::FileSettingsStore(CodePage codePage, std::string settingsFile,
                                     std::string ruleFolders)
    : files_{{}, std::move(codePage)},
      file_(settingsFile.empty() ? DefaultSettingsFile() : std::move(settingsFile)),
      ruleFolders_(std::move(ruleFolders)) {}

std::string FileSettingsStore::ReadUserValue(const std::string& name) {
    if (file_.empty()) return "";
    std::error_code error;
    const std::filesystem::path path(file_);
    if (!std::filesystem::exists(path, error)) {
        // The settings place is created when missing, empty.
        std::filesystem::create_directories(path.parent_path(), error);
        std::ofstream(path, std::ios::app).flush();
        return "";
    }
    return ReadProfileString(files_, std::filesystem::absolute(path, error).string(), kSection,
                             name, "", 256);
}

bool FileSettingsStore::BootModeDriverPresent() {
    std::stringstream folders(ruleFolders_);
    for (std::string folder; std::getline(folders, folder, ':');) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.path().extension() == ".rules" && RuleNamesBootDevice(entry.path())) {
                return true;
            }
        }
    }
    return false;
}

std::string MemorySettingsStore::ReadUserValue(const std::string& name) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = values_.find(name);
    return it == values_.end() ? "" : it->second;
}

bool MemorySettingsStore::BootModeDriverPresent() {
    std::lock_guard<std::mutex> guard(mutex_);
    return driverPresent_;
}

void MemorySettingsStore::SetValue(const std::string& name, const std::string& value) {
    std::lock_guard<std::mutex> guard(mutex_);
    values_[name] = value;
}

void MemorySettingsStore::SetDriverPresent(bool present) {
    std::lock_guard<std::mutex> guard(mutex_);
    driverPresent_ = present;
}

}  // namespace platform
