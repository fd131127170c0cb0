#include "engine/resources/mem_pool.h"

#include "platform/bytes.h"

namespace engine {

MemPool::MemPool(uint32_t itemSize, uint32_t itemCount)
    : defaultBlockSize_(uint32_t(uint64_t(itemSize + 8u) * itemCount)) {
    NewBlock();
}

MemPool::~MemPool() {
    Destroy(std::move(head_));
}

PoolBlock* MemPool::NewBlock(uint32_t size) {
    if (size == kDefaultSize) size = defaultBlockSize_;
    if (size < kMinBlockSize) size = kMinBlockSize;
    auto block = std::make_unique<PoolBlock>();
    block->size = size;
    block->data = std::make_unique<uint8_t[]>(size);  // zeroed
    platform::StoreLE32(block->data.get(), size - 8);
    totalBytes_ += size;
    freeBytes_ += size;
    ++blockCount_;
    PoolBlock* raw = block.get();
    (tail_ ? tail_->next : head_) = std::move(block);
    tail_ = raw;
    return raw;
}

void MemPool::FreeChain(PoolBlock* first) {
    std::unique_ptr<PoolBlock>* link = &head_;
    PoolBlock* before = nullptr;
    while (*link && link->get() != first) {
        before = link->get();
        link = &(*link)->next;
    }
    if (!*link) return;
    tail_ = before;
    for (PoolBlock* b = link->get(); b; b = b->next.get()) {
        totalBytes_ -= b->size;
        freeBytes_ -= b->size;
        --blockCount_;
    }
    Destroy(std::move(*link));
}

uint32_t MemPool::FirstFreeSize(const PoolBlock& block) {
    return platform::LoadLE32(block.data.get());
}

// Iterative, so a long chain cannot exhaust the stack.
void MemPool::Destroy(std::unique_ptr<PoolBlock> chain) {
    while (chain)
        chain = std::move(chain->next);
}

}  // namespace engine
