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

}  // namespace fuzz
