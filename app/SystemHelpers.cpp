#include "app/SystemHelpers.h"

#include <algorithm>
#include <filesystem>

#include "platform/AsciiCase.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/SettingsStore.h"

std::string RunCommand(const platform::ProgramFiles& files, const std::string& commandLine) {
    const auto output = platform::RunShellCapture(commandLine, files.Resolve(".").string());
    if (!output) return "指令执行异常！";
    return platform::AnsiToUtf8(*output, files.codePage);
}

std::string GetLanguageSetting(platform::SettingsStore& store, const platform::CodePage& codePage) {
    return platform::AnsiToUtf8(store.ReadUserValue("Language"), codePage);
}

size_t FindFiles(const platform::ProgramFiles& files, const std::string& mask,
                 std::vector<std::string>& list) {
    // The entries of the folder, folders included, matched case-insensitively.
    const std::filesystem::path folder = files.Resolve(".");
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (platform::MatchesMask(name, mask)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), platform::LessIgnoringCase);
    for (const std::string& name : names) list.insert(list.begin(), (folder / name).string());
    return list.size();
}

bool CommandLineHas(const std::string& commandLine, const char* option) {
    return platform::AsciiLower(commandLine).find(platform::AsciiLower(option)) !=
           std::string::npos;
}
