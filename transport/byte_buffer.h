#pragma once
// CByteBuffer: the growable byte buffer every packet, message and envelope
// passes through. The bytes held always sit at the front of the storage;
// reading from the front moves the rest down. Storage grows in 1024-byte
// steps and never shrinks.

#include <cstdint>
#include <memory>
#include <span>

namespace transport {

class CByteBuffer {
  public:
    // Growth step, and the capacity that Clear() makes sure of.
    static constexpr uint32_t kBlock = 1024;
    // No buffer grows beyond this; a request above it is refused.
    static constexpr uint32_t kMaxCapacity = 0x7FFFFC00;

    CByteBuffer() = default;
    CByteBuffer(const CByteBuffer& other);
    CByteBuffer& operator=(const CByteBuffer& other);
    CByteBuffer(CByteBuffer&& other) noexcept;
    CByteBuffer& operator=(CByteBuffer&& other) noexcept;
    virtual ~CByteBuffer();

    // Empties the buffer; the capacity becomes at least 1024.
    void Clear();
    uint32_t Size() const { return size_; }
    uint32_t Capacity() const { return capacity_; }
    // begin + offset; null while no storage exists.
    uint8_t* Data(uint32_t offset = 0) { return begin_ ? begin_.get() + offset : nullptr; }
    const uint8_t* Data(uint32_t offset = 0) const {
        return begin_ ? begin_.get() + offset : nullptr;
    }
    std::span<const uint8_t> Bytes() const { return {Data(), size_}; }

    // Each returns n, or 0 (buffer unchanged) when the size would pass kMaxCapacity.
    uint32_t Append(const void* src, uint32_t n);
    uint32_t Prepend(const void* src, uint32_t n);
    // Refused (0, nothing moved) when n exceeds the capacity; else moves
    // min(n, Size()) bytes from the front and returns that count.
    uint32_t Read(void* dst, uint32_t n);
    uint32_t Consume(uint32_t n);
    // Grows to ceil(n / 1024) * 1024 when n exceeds the capacity; returns the
    // new capacity, or 0 when nothing changed (also when n passes kMaxCapacity).
    uint32_t Reserve(uint32_t n);
    // The same, only when n exceeds Size() and the rounded n exceeds the capacity.
    uint32_t ReserveBeyondSize(uint32_t n);

  private:
    uint32_t Grow(uint32_t rounded);

    std::unique_ptr<uint8_t[]> begin_;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};

}  // namespace transport
