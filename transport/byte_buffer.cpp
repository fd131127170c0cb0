#include "transport/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace transport {
namespace {

// ceil(n / 1024) * 1024, or 0 when that passes the largest capacity.
uint32_t RoundUp(uint32_t n) {
    if (n > CByteBuffer::kMaxCapacity) return 0;
    return (n + CByteBuffer::kBlock - 1) / CByteBuffer::kBlock * CByteBuffer::kBlock;
}

}  // namespace

CByteBuffer::CByteBuffer(const CByteBuffer& other) {
    *this = other;
}

CByteBuffer& CByteBuffer::operator=(const CByteBuffer& other) {
    if (this == &other) return *this;
    size_ = 0;
    if (other.size_ > capacity_) Reserve(other.size_);
    if (other.size_) std::memcpy(begin_.get(), other.begin_.get(), other.size_);
    size_ = other.size_;
    return *this;
}

CByteBuffer::CByteBuffer(CByteBuffer&& other) noexcept
    : begin_(std::move(other.begin_)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

CByteBuffer& CByteBuffer::operator=(CByteBuffer&& other) noexcept {
    begin_ = std::move(other.begin_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

CByteBuffer::~CByteBuffer() = default;

void CByteBuffer::Clear() {
    size_ = 0;
    if (capacity_ < kBlock) Grow(kBlock);
}

uint32_t CByteBuffer::Grow(uint32_t rounded) {
    auto storage = std::make_unique<uint8_t[]>(rounded);
    if (size_) std::memcpy(storage.get(), begin_.get(), size_);
    begin_ = std::move(storage);
    capacity_ = rounded;
    return capacity_;
}

uint32_t CByteBuffer::Reserve(uint32_t n) {
    if (n <= capacity_) return 0;
    uint32_t rounded = RoundUp(n);
    return rounded ? Grow(rounded) : 0;
}

uint32_t CByteBuffer::ReserveBeyondSize(uint32_t n) {
    if (n <= size_) return 0;
    uint32_t rounded = RoundUp(n);
    if (rounded == 0 || rounded <= capacity_) return 0;
    return Grow(rounded);
}

uint32_t CByteBuffer::Append(const void* src, uint32_t n) {
    if (n == 0) return 0;
    if (n > kMaxCapacity - size_) return 0;
    Reserve(size_ + n);
    std::memcpy(begin_.get() + size_, src, n);
    size_ += n;
    return n;
}

uint32_t CByteBuffer::Prepend(const void* src, uint32_t n) {
    if (n == 0) return 0;
    if (n > kMaxCapacity - size_) return 0;
    Reserve(size_ + n);
    if (size_) std::memmove(begin_.get() + n, begin_.get(), size_);
    std::memcpy(begin_.get(), src, n);
    size_ += n;
    return n;
}

uint32_t CByteBuffer::Read(void* dst, uint32_t n) {
    if (n > capacity_) return 0;
    uint32_t k = std::min(n, size_);
    if (k) std::memcpy(dst, begin_.get(), k);
    return Consume(k);
}

uint32_t CByteBuffer::Consume(uint32_t n) {
    if (n > capacity_) return 0;
    uint32_t k = std::min(n, size_);
    if (k == 0) return 0;
    std::memmove(begin_.get(), begin_.get() + k, size_ - k);
    size_ -= k;
    return k;
}

}  // namespace transport
