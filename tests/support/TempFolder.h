#pragma once

#include <filesystem>
#include <string>

#include "platform/ProgramFiles.h"

namespace testsupport {

// A fresh folder under the system's temporary folder for one test, removed with everything in
// it afterwards. Files() gives program files whose folder it is, in the default code page.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    platform::ProgramFiles Files() const { return {path_, platform::CodePage()}; }
    // Writes a file (folders are created); the relative path uses "/".
    void Write(const std::string& relative, const std::string& content) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    void MakeFolder(const std::string& relative) const;

  private:
    std::filesystem::path path_;
};

}  // namespace testsupport
