#pragma once
// CCrc32: the standard CRC-32 (reflected polynomial 0x04C11DB7, initial value
// and final inversion 0xFFFFFFFF) that protects every packet. The object
// holds its byte table; callers make one on the stack per use.

#include <array>
#include <cstdint>

namespace transport {

class CCrc32 {
  public:
    CCrc32() { InitTable(); }

    // Entry i = Reflect(step8(Reflect(i, 8) << 24), 32).
    void InitTable();
    const std::array<uint32_t, 256>& Table() const { return table_; }

    // Running update of a checksum that was started at 0xFFFFFFFF.
    void Update(const void* data, uint32_t length, uint32_t& crc) const;
    // The checksum of a block; 0 for null data or a zero length.
    uint32_t Compute(const void* data, uint32_t length) const;

    // The low `bits` bits of `value` in reverse order.
    static uint32_t Reflect(uint32_t value, int bits);

  private:
    std::array<uint32_t, 256> table_;
};

}  // namespace transport
