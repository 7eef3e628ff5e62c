#include "platform/ExecutableFolder.h"

namespace platform {

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return exe.parent_path();
}

std::string ExecutableName() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return exe.stem().string();
}

std::filesystem::path EnterExecutableFolder() {
    const auto folder = ExecutableFolder();
    if (folder.empty()) return {};
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error) return {};
    return folder;
}

}  // namespace platform
