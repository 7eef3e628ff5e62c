#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A file that the program reads as data (an image, a configuration, a settings file). It is
// opened only when it is a regular file, and the open never waits: a pipe, a device, a socket
// or a folder of that name is refused at once, as is a missing file.
class RegularFile {
  public:
    // What tells one state of a file from another: a rewrite changes the length, a time or,
    // when the file was replaced, the file itself.
    struct Stamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Opens the path as given (not resolved); false, with nothing open, when it names no
    // regular file that may be read.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // The file's length when it was opened.
    uint64_t Size() const { return stamp_.size; }
    const Stamp& FileStamp() const { return stamp_; }
    // Reads up to length bytes from the current position; the bytes read, fewer only at the
    // end of the file or on a read error.
    size_t Read(void* buffer, size_t length);
    void Close();

  private:
    int fd_ = -1;
    Stamp stamp_;
};

// The bytes of a regular file of at most maxBytes; false (bytes empty) for anything else.
bool ReadRegularFile(const std::string& path, std::string& bytes, uint64_t maxBytes);

// Writes all the bytes to an open descriptor, going on after an interruption, a partial write
// or a full pipe; false when a write fails (the bytes after it are not written).
bool WriteAllBytes(int fd, const std::string& bytes);

}  // namespace platform
