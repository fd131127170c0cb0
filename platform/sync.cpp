#include "platform/sync.h"

#include <algorithm>
#include <vector>

namespace platform {

void Event::Set() {
    std::lock_guard lock(Mutex());
    signaled_ = true;
    WakeWaitersLocked();
}

void Event::Reset() {
    std::lock_guard lock(Mutex());
    signaled_ = false;
}

namespace {

// Acquires the first signalled object; its index or -1.
int AcquireAny(std::span<Waitable* const> objects) {
    for (size_t i = 0; i < objects.size(); ++i) {
        std::lock_guard lock(objects[i]->Mutex());
        if (objects[i]->IsSignaledLocked()) {
            objects[i]->AcquireLocked();
            return int(i);
        }
    }
    return -1;
}

// Acquires all objects at once when all are signalled. `ordered` is the
// same objects sorted by address, the one lock order every waiter uses.
bool AcquireAll(std::span<Waitable* const> ordered) {
    std::vector<std::unique_lock<std::mutex>> locks;
    locks.reserve(ordered.size());
    for (Waitable* o : ordered)
        locks.emplace_back(o->Mutex());
    for (Waitable* o : ordered) {
        if (!o->IsSignaledLocked()) return false;
    }
    for (Waitable* o : ordered)
        o->AcquireLocked();
    return true;
}

}  // namespace

DWORD WaitForSingleObject(Waitable& object, DWORD millis) {
    Waitable* const list[] = {&object};
    return WaitForMultipleObjects(list, false, millis);
}

DWORD WaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD millis) {
    return WaitForMultipleObjectsUntil(objects, waitAll, DeadlineAfterMillis(millis));
}

DWORD WaitForMultipleObjectsUntil(std::span<Waitable* const> objects, bool waitAll,
                                  int64_t deadline) {
    if (objects.empty()) return WAIT_FAILED;
    std::vector<Waitable*> ordered(objects.begin(), objects.end());
    std::sort(ordered.begin(), ordered.end());
    if (ordered.front() == nullptr ||
        std::adjacent_find(ordered.begin(), ordered.end()) != ordered.end()) {
        return WAIT_FAILED;
    }
    int index = -1;
    const bool done = WaitUntil(objects, deadline, [&](int64_t&) {
        if (waitAll) {
            index = AcquireAll(ordered) ? 0 : -1;
        } else {
            index = AcquireAny(objects);
        }
        return index >= 0;
    });
    return done ? WAIT_OBJECT_0 + DWORD(index) : WAIT_TIMEOUT;
}

void Sleep(DWORD millis) {
    const int64_t deadline = DeadlineAfterMillis(millis);
    WaitUntil({}, deadline, [](int64_t&) { return false; });
}

}  // namespace platform
