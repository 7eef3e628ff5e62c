#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fuzz {

// Reports a broken property and aborts.
void Require(bool holds, const char* what);

// The input cut at its zero bytes; at least `count` parts (missing ones empty).
std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count);

// A folder of this process for the files an entry writes, removed when the process ends.
const std::filesystem::path& ScratchFolder();
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// A file made from one input: written (folders made) when constructed, removed when the input
// is done, and dropped from the settings reader's parsed files too, so that nothing of an
// input stays for the next one.
class InputFile {
  public:
    InputFile(std::filesystem::path path, const std::string& bytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace fuzz
