#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/Profile.h"

namespace fuzz {

namespace fs = std::filesystem;

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            parts.emplace_back();
        } else {
            parts.back().push_back(static_cast<char>(data[i]));
        }
    }
    if (parts.size() < count) parts.resize(count);
    return parts;
}

namespace {

struct Scratch {
    Scratch() {
        path = fs::temp_directory_path() / ("quillon-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(path);
    }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    fs::path path;
};

}  // namespace

const fs::path& ScratchFolder() {
    static const Scratch scratch;
    return scratch.path;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    // The folders are made by the first write into them.
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        fs::create_directories(path.parent_path());
        out.open(path, std::ios::binary | std::ios::trunc);
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

InputFile::InputFile(fs::path path, const std::string& bytes) : path_(std::move(path)) {
    WriteFile(path_, bytes);
}

InputFile::~InputFile() {
    std::error_code error;
    fs::remove(path_, error);
    // The settings reader keeps the parse of a file while the file stays as it was; a read of
    // the removed file drops it.
    platform::ReadProfileInt(platform::ProgramFiles{}, path_.string(), "", "", 0);
}

}  // namespace fuzz
