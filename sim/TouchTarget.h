#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace sim {

// What sits behind the simulated bridge on its I2C side: a register space that command-15
// reads and writes reach.
class TouchTarget {
  public:
    virtual ~TouchTarget() = default;
    virtual void Read(uint32_t address, uint8_t* out, size_t length) = 0;
    virtual void Write(uint32_t address, const uint8_t* data, size_t length) = 0;
};

// A plain register map: what is written is read back; unwritten registers read 0.
class RegisterMap : public TouchTarget {
  public:
    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;

    uint8_t Get(uint32_t address) const;
    void Set(uint32_t address, uint8_t value);
    void Fill(uint32_t address, const uint8_t* data, size_t length);

  private:
    std::unordered_map<uint32_t, uint8_t> bytes_;
};

}  // namespace sim
