#pragma once

#include <filesystem>
#include <string>

namespace platform {

// A system-wide lock known by its name, for the single-instance rules: creating it either
// takes it or finds that another process holds it already. It is held until the object is
// destroyed or the process ends in any way (the system releases it with the process), and a
// program started by the holder does not inherit it.
//
// A name is a file "<name>.lock" in a folder of the user's own: "quillon" in
// $XDG_RUNTIME_DIR when that is a folder, else /tmp/quillon-<uid>. The folder is created
// with mode 0700 when missing; it must be a real folder (not a link to one) that belongs to
// the user, as only then can no one else take or block a name in it. One that group or others
// may write is set to 0700 first; where that fails, no name is taken.
class NamedLock {
  public:
    // folder: where the lock lives; empty for the user's default folder. Either way it is
    // created and checked as above.
    explicit NamedLock(const std::string& name, const std::filesystem::path& folder = {});
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Another process (or another NamedLock of this one) held the name already; this object
    // then holds nothing.
    bool AlreadyExisted() const { return alreadyExisted_; }
    // This object holds the name.
    bool Held() const { return fd_ >= 0; }
    // Why the name could be neither taken nor found taken (the folder or the lock file cannot
    // be used); empty otherwise. Such a name is not free: the caller refuses what it guards.
    const std::string& Error() const { return error_; }

    // The folder that holds the names when none is given.
    static std::filesystem::path DefaultFolder();
    // The file that stands for a name.
    static std::filesystem::path PathOf(const std::string& name,
                                        const std::filesystem::path& folder = {});

  private:
    int fd_ = -1;
    bool alreadyExisted_ = false;
    std::string error_;
};

}  // namespace platform
