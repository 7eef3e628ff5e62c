#pragma once

#include "platform/HotPlugSource.h"
#include "sim/SimBus.h"

namespace sim {

// Hot-plug source of the simulated bus: plugs and unplugs are delivered on the thread that
// makes them (a test, the request worker for bridge command 14, the caller of IspEnd).
class SimHotPlugSource final : public platform::HotPlugSource {
  public:
    explicit SimHotPlugSource(SimBus& bus) : bus_(bus) {}
    ~SimHotPlugSource() override { Stop(); }
    bool Start(Listener listener) override {
        bus_.SetPlugListener(std::move(listener));
        return true;
    }
    void Stop() override { bus_.SetPlugListener(nullptr); }

  private:
    SimBus& bus_;
};

}  // namespace sim
