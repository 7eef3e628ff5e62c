#include "bridge/RequestQueue.h"

#include "bridge/DeviceRequest.h"
#include "platform/Spin.h"

CRequestQueue::~CRequestQueue() {
    for (CDeviceRequest* request : requests_) delete request;
}

void CRequestQueue::PushBack(CDeviceRequest* request) {
    PushUnless(request, QueueEnd::Back, [] { return false; });
}

void CRequestQueue::PushFront(CDeviceRequest* request) {
    PushUnless(request, QueueEnd::Front, [] { return false; });
}

bool CRequestQueue::PushUnless(CDeviceRequest* request, QueueEnd end,
                               const std::function<bool()>& refuse) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (refuse()) return false;
        if (end == QueueEnd::Front) {
            requests_.push_front(request);
        } else {
            requests_.push_back(request);
        }
        count_ = requests_.size();
    }
    cv_.notify_all();
    return true;
}

CDeviceRequest* CRequestQueue::TryPop() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (requests_.empty()) return nullptr;
    CDeviceRequest* request = requests_.front();
    requests_.pop_front();
    count_ = requests_.size();
    return request;
}

CDeviceRequest* CRequestQueue::WaitAndPop(const std::function<bool()>& stopRequested) {
    platform::SpinUntil([this] { return count_.load() != 0; });
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return !requests_.empty() || stopRequested(); });
    if (requests_.empty()) return nullptr;
    CDeviceRequest* request = requests_.front();
    requests_.pop_front();
    count_ = requests_.size();
    return request;
}

bool CRequestQueue::EmptyAndIdle() {
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_.empty() && idle_;
}

void CRequestQueue::SetIdle(bool idle) {
    std::lock_guard<std::mutex> guard(mutex_);
    idle_ = idle;
}

void CRequestQueue::Wake() {
    { std::lock_guard<std::mutex> guard(mutex_); }
    cv_.notify_all();
}

size_t CRequestQueue::Size() {
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_.size();
}
