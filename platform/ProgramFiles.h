#pragma once

#include <filesystem>
#include <string>

#include "platform/CodePage.h"
#include "platform/Path.h"

namespace platform {

// How the program finds and reads its own files: the folder that relative path texts resolve
// against (the executable's folder; empty means the working folder) and the code page of
// their 8-bit text. The composition root builds one and hands it to what reads settings,
// UI item and ".cfg" files; tests build one over a folder of their own.
struct ProgramFiles {
    std::filesystem::path folder;
    CodePage codePage;

    std::filesystem::path Resolve(const std::string& text) const {
        return ResolvePath(folder, text);
    }
};

}  // namespace platform
