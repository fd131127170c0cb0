#pragma once
// CCrc32: the standard CRC-32 (reflected polynomial 0x04C11DB7, initial value
// and final inversion 0xFFFFFFFF) that protects every packet. The object
// holds its byte table; callers make one on the stack per use. Where the
// processor multiplies without carries, long runs are folded 64 bytes a step.

#include <array>
#include <cstdint>

#include "transport/code_path.h"

namespace transport {

class CCrc32 {
  public:
    explicit CCrc32(CodePath path = CodePath::kAuto);

    // Entry i = Reflect(step8(Reflect(i, 8) << 24), 32).
    void InitTable();
    const std::array<uint32_t, 256>& Table() const { return table_; }

    // Running update of a checksum that was started at 0xFFFFFFFF.
    void Update(const void* data, uint32_t length, uint32_t& crc) const;
    // The checksum of a block; 0 for null data or a zero length.
    uint32_t Compute(const void* data, uint32_t length) const;

    // True when long runs go through carry-less multiplication.
    bool UsesHardware() const { return clmul_; }

    // The low `bits` bits of `value` in reverse order.
    static constexpr uint32_t Reflect(uint32_t value, int bits) {
        uint32_t out = 0;
        for (int i = 0; i < bits; ++i) {
            out = (out << 1) | (value & 1);
            value >>= 1;
        }
        return out;
    }

  private:
    std::array<uint32_t, 256> table_;
    bool clmul_;
};

}  // namespace transport
