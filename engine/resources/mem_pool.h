#pragma once
// A chain of zeroed memory blocks for small fixed-size items (the pool entity
// keeps its points here). Each block's data area starts with one free-chunk
// header covering the rest of the block: free size (u32) = block size - 8,
// then the next free chunk (null).

#include <cstdint>
#include <memory>

namespace engine {

struct PoolBlock {
    uint32_t size = 0;  // bytes in the data area
    std::unique_ptr<uint8_t[]> data;
    std::unique_ptr<PoolBlock> next;
};

class MemPool {
  public:
    static constexpr uint32_t kDefaultSize = 0xFFFFFFFFu;
    // The smallest data area: room for the free-chunk header.
    static constexpr uint32_t kMinBlockSize = 16;

    MemPool(uint32_t itemSize, uint32_t itemCount);
    ~MemPool();
    MemPool(const MemPool&) = delete;
    MemPool& operator=(const MemPool&) = delete;

    // Appends a block of `size` bytes (kDefaultSize: the default block size)
    // to the chain, adds it to the counters and returns it.
    PoolBlock* NewBlock(uint32_t size = kDefaultSize);

    // Frees `first` and every block behind it; a block not in the chain is
    // ignored.
    void FreeChain(PoolBlock* first);

    uint32_t totalBytes() const { return totalBytes_; }
    uint32_t freeBytes() const { return freeBytes_; }
    uint32_t defaultBlockSize() const { return defaultBlockSize_; }
    uint32_t blockCount() const { return blockCount_; }
    PoolBlock* head() const { return head_.get(); }

    // The free size recorded in a block's first free-chunk header.
    static uint32_t FirstFreeSize(const PoolBlock& block);

  private:
    static void Destroy(std::unique_ptr<PoolBlock> chain);

    uint32_t totalBytes_ = 0;
    uint32_t freeBytes_ = 0;
    uint32_t defaultBlockSize_;
    uint32_t blockCount_ = 0;
    std::unique_ptr<PoolBlock> head_;
    PoolBlock* tail_ = nullptr;
};

}  // namespace engine
