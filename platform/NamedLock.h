#pragma once

#include <filesystem>
#include <string>

namespace platform {

// A system-wide lock known by its name, for the single-instance rules: creating it either
// takes it or finds that another process holds it already. It is held until the object is
// destroyed or the process ends in any way (the system releases it with the process), and a
// program started by the holder does not inherit it.
//
// A name is a file "<name>.lock" in a folder of the user's own: $XDG_RUNTIME_DIR, else
// /tmp with the user id in the file name ("<name>-<uid>.lock").
class NamedLock {
  public:
    // folder: where the lock lives; empty for the user's default folder.
    explicit NamedLock(const std::string& name, const std::filesystem::path& folder = {});
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Another process (or another NamedLock of this one) held the name already; this object
    // then holds nothing.
    bool AlreadyExisted() const { return alreadyExisted_; }
    // This object holds the name. False as well when the lock file could not be opened: such
    // a name counts as free, as a lock that cannot be created refuses nothing.
    bool Held() const { return fd_ >= 0; }

    // The file that stands for a name.
    static std::filesystem::path PathOf(const std::string& name,
                                        const std::filesystem::path& folder = {});

  private:
    int fd_ = -1;
    bool alreadyExisted_ = false;
};

}  // namespace platform
