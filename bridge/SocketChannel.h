#pragma once

#include <cstdint>
#include <memory>
#include <thread>

#include "platform/Event.h"

// An alternative transport to the bridge that the program keeps but never connects:
// its connected flag stays false, and it is asked only whether it is connected.
class CSocketChannel {
  public:
    static constexpr size_t kBufferSize = 4104;
    static constexpr size_t kCapacity = 4096;

    CSocketChannel();
    ~CSocketChannel();
    CSocketChannel(const CSocketChannel&) = delete;
    CSocketChannel& operator=(const CSocketChannel&) = delete;

    bool IsConnected() const { return connected_; }
    void Close();

  private:
    std::unique_ptr<uint8_t[]> buffer_;
    int socket_ = -1;
    bool connected_ = false;
    std::unique_ptr<platform::ManualResetEvent> event_;
    std::thread thread_;
};
