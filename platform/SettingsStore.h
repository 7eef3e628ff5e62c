#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/ProgramFiles.h"

namespace platform {

// The user's settings and the machine's driver state, as the program asks for them: the
// user's "Language" value, and whether the driver for the bridge's boot mode is present.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The value, or an empty text when it is missing or cannot be read. The user's settings
    // place is created when missing; the value itself is never written.
    virtual std::string ReadUserValue(const std::string& name) = 0;
    virtual bool BootModeDriverPresent() = 0;
};

// The folders udev reads its rules from, separated by ":".
inline constexpr const char* kUdevRuleFolders =
    "/etc/udev/rules.d:/run/udev/rules.d:/lib/udev/rules.d:/usr/lib/udev/rules.d";

// Settings in a small INI file under the user's config folder, section [OrvantaTouch];
// the boot-mode driver counts as present when a udev rule for 4348:55E0 is installed.
class FileSettingsStore final : public SettingsStore {
  public:
    // Empty path: $XDG_CONFIG_HOME/quillon/settings.ini (or ~/.config/...); the rules are
    // looked for in the folders udev reads. The settings file's 8-bit lines are in the code
    // page.
    explicit FileSettingsStore(CodePage codePage, std::string settingsFile = "",
                               std::string ruleFolders = kUdevRuleFolders);
    std::string ReadUserValue(const std::string& name) override;
    bool BootModeDriverPresent() override;
    const std::string& SettingsFile() const { return file_; }

  private:
    ProgramFiles files_;  // the code page; the settings file's path is absolute
    std::string file_;
    std::string ruleFolders_;
};

// Settings held in memory (the simulation and tests).
class MemorySettingsStore final : public SettingsStore {
  public:
    std::string ReadUserValue(const std::string& name) override;
    bool BootModeDriverPresent() override;
    void SetValue(const std::string& name, const std::string& value);
    void SetDriverPresent(bool present);

  private:
    std::mutex mutex_;
    std::map<std::string, std::string> values_;
    bool driverPresent_ = true;
};

}  // namespace platform
