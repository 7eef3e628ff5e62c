#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class CDeviceRequest;

// Where a request joins the queue: single-register accesses overtake queued bulk work.
enum class QueueEnd { Front, Back };

// The queue of device requests of one device. Single-register accesses join at the front and
// so overtake queued bulk work; everything else joins at the back.
class CRequestQueue {
  public:
    CRequestQueue() = default;
    // Deletes the requests still queued (only the worker's own can be left by then).
    ~CRequestQueue();

    void PushBack(CDeviceRequest* request);
    // Goes before the first waiting request: the latest front insertion runs first.
    void PushFront(CDeviceRequest* request);
    // Queues at the front or back unless refuse() holds, tested under the queue lock: a
    // worker that found the queue empty after its stop never misses a request queued for it.
    bool PushUnless(CDeviceRequest* request, QueueEnd end, const std::function<bool()>& refuse);

    // Worker side. Takes the first request, or blocks until one arrives or stopRequested()
    // holds (checked under the queue lock; Wake() makes the worker look again).
    CDeviceRequest* WaitAndPop(const std::function<bool()>& stopRequested);
    CDeviceRequest* TryPop();
    // True when the queue is empty and the worker is idle (the worker's stop condition).
    bool EmptyAndIdle();
    void SetIdle(bool idle);
    void Wake();
    size_t Size();

    CRequestQueue(const CRequestQueue&) = delete;
    CRequestQueue& operator=(const CRequestQueue&) = delete;

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<CDeviceRequest*> requests_;
    bool idle_ = true;
    std::atomic<size_t> count_{0};  // mirrors the size for a lock-free look before sleeping
};
