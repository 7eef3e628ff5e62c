#pragma once

#include <atomic>

namespace platform {

// A stream of bytes read one at a time, such as the standard input that a controlling
// program writes commands to.
class ByteInput {
  public:
    static constexpr int kEnd = -1;

    virtual ~ByteInput() = default;
    // Blocks until one byte has arrived and returns it (0 to 255); kEnd when the input is
    // closed or fails, or once Cancel was called.
    virtual int ReadByte() = 0;
    // Ends a ReadByte that waits, and every later one, with kEnd. Any thread.
    virtual void Cancel() = 0;
};

// The process's standard input, read with one-byte reads so that nothing beyond the byte
// taken is consumed. A wait can be cancelled without closing standard input.
class StdinByteInput final : public ByteInput {
  public:
    StdinByteInput();
    ~StdinByteInput() override;
    StdinByteInput(const StdinByteInput&) = delete;
    StdinByteInput& operator=(const StdinByteInput&) = delete;

    int ReadByte() override;
    void Cancel() override;

  private:
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<bool> cancelled_{false};
};

}  // namespace platform
