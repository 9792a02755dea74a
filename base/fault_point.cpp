#include "base/fault_point.h"

#include <atomic>

namespace vorn {

namespace {
std::atomic<FaultHook> faultHook{nullptr};
} // namespace

void SetFaultHook(FaultHook hook)
{
    faultHook.store(hook, std::memory_order_release);
}

bool FaultInjected(FaultPoint point)
{
    const FaultHook hook = faultHook.load(std::memory_order_acquire);
    return hook != nullptr && hook(point);
}

} // namespace vorn
