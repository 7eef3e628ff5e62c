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
    RegularFile() = default;
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Opens the path as given (not resolved); false, with nothing open, when it names no
    // regular file that may be read.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // The file's length when it was opened.
    uint64_t Size() const { return size_; }
    // Reads up to length bytes from the current position; the bytes read, fewer only at the
    // end of the file or on a read error.
    size_t Read(void* buffer, size_t length);
    void Close();

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// The bytes of a regular file of at most maxBytes; false (bytes empty) for anything else.
bool ReadRegularFile(const std::string& path, std::string& bytes, uint64_t maxBytes);

}  // namespace platform
