#include "transport/crc32_thread.h"

#include <vector>

#include "platform/message_queue.h"
#include "platform/window.h"
#include "transport/crc32.h"

namespace transport {

std::unique_ptr<platform::Thread> ComputeCrcInThread(const void* data, uint32_t length,
                                                     platform::HWND window) {
    if (!data || length == 0 || !platform::IsWindow(window)) return nullptr;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> copy(bytes, bytes + length);

    auto worker = std::make_unique<platform::Thread>();
    bool started = worker->Start([copy = std::move(copy), window] {
        using platform::IsWindow;
        using platform::PostMessage;
        PostMessage(window, PBM_SETPOS, 0, 0);
        PostMessage(window, PBM_SETRANGE32, 0, 100);
        CCrc32 crc32;
        uint32_t crc = 0xFFFFFFFF;
        const uint32_t size = uint32_t(copy.size());
        for (uint32_t offset = 0; offset < size; offset += kCrcStep) {
            uint32_t step = size - offset < kCrcStep ? size - offset : kCrcStep;
            crc32.Update(copy.data() + offset, step, crc);
            if (!IsWindow(window)) continue;
            PostMessage(window, PBM_SETPOS, platform::WPARAM(uint64_t(offset) * 100 / size), 0);
        }
        crc = ~crc;
        if (IsWindow(window))
            PostMessage(platform::GetParent(window), kCrcDoneMessage,
                        platform::WPARAM(platform::GetCurrentThreadId()), platform::LPARAM(crc));
    });
    if (!started) return nullptr;
    return worker;
}

}  // namespace transport
