#include "bridge/SocketChannel.h"

CSocketChannel::CSocketChannel()
    : buffer_(new uint8_t[kBufferSize]()), event_(std::make_unique<platform::ManualResetEvent>()) {}

CSocketChannel::~CSocketChannel() { Close(); }

void CSocketChannel::Close() {
    connected_ = false;
    if (event_) event_->Set();
    if (thread_.joinable()) thread_.join();
    socket_ = -1;  // never opened
    event_.reset();
    buffer_.reset();
}
