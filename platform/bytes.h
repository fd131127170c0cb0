#pragma once
// Little-endian loads and stores, and bounds-checked readers and writers for
// the records that cross a boundary (wire, hall, files). Records are always
// decoded field by field through these, never by casting bytes to structs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline uint16_t LoadLE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t LoadLE64(const uint8_t* p) { return LoadLE32(p) | uint64_t(LoadLE32(p + 4)) << 32; }
inline void StoreLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
    StoreLE32(p, uint32_t(v));
    StoreLE32(p + 4, uint32_t(v >> 32));
}

// Reads fields in order. A read past the end yields zeros and clears ok();
// check ok() once after decoding a whole record.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }
    size_t position() const { return pos_; }
    size_t remaining() const { return data_.size() - pos_; }

    uint8_t U8() { return Take(1) ? data_[pos_ - 1] : 0; }
    uint16_t U16() { return Take(2) ? LoadLE16(&data_[pos_ - 2]) : 0; }
    uint32_t U32() { return Take(4) ? LoadLE32(&data_[pos_ - 4]) : 0; }
    uint64_t U64() { return Take(8) ? LoadLE64(&data_[pos_ - 8]) : 0; }
    int16_t I16() { return int16_t(U16()); }
    int32_t I32() { return int32_t(U32()); }

    // The next n bytes, or an empty span (and !ok()) when fewer remain.
    std::span<const uint8_t> Bytes(size_t n) {
        return Take(n) ? data_.subspan(pos_ - n, n) : std::span<const uint8_t>();
    }
    void Skip(size_t n) { Take(n); }

    // A fixed-size text field: its bytes up to the first NUL (or all n).
    std::string FixedString(size_t n) {
        auto field = Bytes(n);
        size_t len = 0;
        while (len < field.size() && field[len] != 0) ++len;
        return std::string(reinterpret_cast<const char*>(field.data()), len);
    }

private:
    bool Take(size_t n) {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return false;
        }
        pos_ += n;
        return true;
    }

    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Appends fields to a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v) { StoreLE16(Grow(2), v); }
    void U32(uint32_t v) { StoreLE32(Grow(4), v); }
    void U64(uint64_t v) { StoreLE64(Grow(8), v); }
    void I16(int16_t v) { U16(uint16_t(v)); }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void Bytes(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    void Zeros(size_t n) { out_.resize(out_.size() + n, 0); }

    // A fixed-size text field of n bytes: the text cut to n - 1 bytes, then NULs.
    void FixedString(std::string_view text, size_t n) {
        if (n == 0) return;
        size_t len = text.size() < n - 1 ? text.size() : n - 1;
        uint8_t* p = Grow(n);
        for (size_t i = 0; i < n; ++i) p[i] = i < len ? uint8_t(text[i]) : 0;
    }

private:
    uint8_t* Grow(size_t n) {
        out_.resize(out_.size() + n);
        return out_.data() + out_.size() - n;
    }

    std::vector<uint8_t>& out_;
};

}  // namespace platform
