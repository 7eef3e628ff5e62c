#include "support/TempFolder.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#include "platform/Format.h"

namespace testsupport {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const fs::path candidate = fs::temp_directory_path() /
                                   platform::Format("quillon-test-%08x%08x", random(), random());
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Undo permission changes a test made so that everything can be removed.
    for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

void TempFolder::Write(const std::string& relative, const std::string& content) const {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string TempFolder::Read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempFolder::Exists(const std::string& relative) const {
    std::error_code ec;
    return fs::exists(path_ / relative, ec);
}

void TempFolder::MakeFolder(const std::string& relative) const {
    fs::create_directories(path_ / relative);
}

}  // namespace testsupport
