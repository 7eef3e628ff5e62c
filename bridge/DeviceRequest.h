#pragma once

#include <cstdint>
#include <string>

#include "bridge/BridgeCommandHeader.h"
#include "platform/Event.h"
#include "platform/HidBackend.h"

class CHidDevice;

// One queued device operation. The requester allocates it, queues it, waits on its done
// event and deletes it; the request worker executes it.
class CDeviceRequest {
  public:
    using Callback = void (*)(CDeviceRequest& request, const CHidDevice& device);

    platform::HidHandle targetHandle = platform::kNoHandle;
    int type = kRequestRead;
    BridgeCommandHeader header;
    uint8_t inlineData[58] = {};
    uint8_t* data = nullptr;
    uint32_t length = 0;
    uint32_t timeoutMs = 0;
    Callback callback = nullptr;
    platform::ManualResetEvent done;
    int command = 0;
    int result = 0;
    uint32_t statusAddress = 0;

    // Builds the header in the given layout. Without a buffer the data points at the
    // request's own header, so a read of one or two bytes lands in header bytes 0-1.
    void Init(int type, uint32_t address, uint8_t* data, uint32_t length, int command,
              uint32_t timeoutMs, const HeaderLayout& layout);
    // Runs on the request worker: performs the action, stores the result, calls the callback
    // and signals the done event.
    void Execute(CHidDevice& device);

    // Completion callback of every request: a read made while the bridge is not reachable
    // delivers 0xEE bytes over its whole length.
    static void FillFailedRead(CDeviceRequest& request, const CHidDevice& device);

    // True for the commands whose requests belong to the worker once queued.
    static bool IsFireAndForget(int command);

  private:
    bool Act(CHidDevice& device);
    // The data as a device path text (requests of types 3 and 5).
    std::string PathText() const;
};
