#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// A plain register map: what is written is read back; unwritten registers read 0. The bytes
// are kept in pages of 256 registers, made by the first write into them, so that a download's
// block writes and read-backs copy whole runs of bytes.
class RegisterMap : public TouchTarget {
  public:
    void Read(uint32_t address, uint8_t* out, size_t length) override;
    void Write(uint32_t address, const uint8_t* data, size_t length) override;

    uint8_t Get(uint32_t address) const;
    void Set(uint32_t address, uint8_t value);
    void Fill(uint32_t address, const uint8_t* data, size_t length);

  private:
    static constexpr uint32_t kPageBits = 8;
    static constexpr uint32_t kPageSize = uint32_t{1} << kPageBits;
    using Page = std::array<uint8_t, kPageSize>;

    // The page of an address, nullptr when nothing was written into it.
    const Page* Find(uint32_t address) const;
    Page& Make(uint32_t address);

    std::unordered_map<uint32_t, std::unique_ptr<Page>> pages_;
};

}  // namespace sim
