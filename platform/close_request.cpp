#include "platform/close_request.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<bool> closeFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
} // namespace

void requestClose() {
    closeFlag.store(true, std::memory_order_relaxed);
}

bool closeRequested() {
    return closeFlag.load(std::memory_order_relaxed);
}

} // namespace platform
