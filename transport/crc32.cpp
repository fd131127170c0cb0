#include "transport/crc32.h"

#include <cstddef>

#include "platform/bytes.h"
#include "transport/crc32_clmul.h"

namespace transport {
namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7;
// Shorter runs are cheaper through the tables.
constexpr uint32_t kClmulMinimum = 64;

// Entry i of the byte table: reflect32(step8(reflect8(i) << 24)).
constexpr uint32_t TableEntry(uint32_t i) {
    uint32_t c = CCrc32::Reflect(i, 8) << 24;
    for (int k = 0; k < 8; ++k)
        c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : c << 1;
    return CCrc32::Reflect(c, 32);
}

// Eight tables for slicing by eight bytes at a time: slice 0 is the byte
// table, slice k advances a byte that sits k positions further on. Built at
// compile time, so a fresh object per packet costs only a copy.
struct SliceTables {
    uint32_t t[8][256];
};

constexpr SliceTables MakeSlices() {
    SliceTables s{};
    for (uint32_t i = 0; i < 256; ++i)
        s.t[0][i] = TableEntry(i);
    for (int k = 1; k < 8; ++k)
        for (uint32_t i = 0; i < 256; ++i)
            s.t[k][i] = (s.t[k - 1][i] >> 8) ^ s.t[0][s.t[k - 1][i] & 0xFF];
    return s;
}

constexpr SliceTables kSlices = MakeSlices();

}  // namespace

CCrc32::CCrc32(CodePath path) : clmul_(path == CodePath::kAuto && crc32_clmul::Available()) {
    InitTable();
}

void CCrc32::InitTable() {
    for (uint32_t i = 0; i < 256; ++i)
        table_[i] = kSlices.t[0][i];
}

void CCrc32::Update(const void* data, uint32_t length, uint32_t& crc) const {
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = crc;
    if (clmul_ && length >= kClmulMinimum) {
        const uint32_t folded = length & ~15u;
        c = crc32_clmul::Update(c, p, folded);
        p += folded;
        length -= folded;
    }
    // The byte-at-a-time rule, eight bytes per step.
    const auto& t = kSlices.t;
    while (length >= 8) {
        uint32_t lo = c ^ platform::LoadLE32(p);
        uint32_t hi = platform::LoadLE32(p + 4);
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        p += 8;
        length -= 8;
    }
    while (length--)
        c = table_[(c ^ *p++) & 0xFF] ^ (c >> 8);
    crc = c;
}

uint32_t CCrc32::Compute(const void* data, uint32_t length) const {
    if (!data || length == 0) return 0;
    uint32_t crc = 0xFFFFFFFF;
    Update(data, length, crc);
    return ~crc;
}

}  // namespace transport
