#pragma once

#include "transfer/transfer_job.h"

namespace vorn::transfer_detail {

// The stop protocol shared by every worker: at each cancel check a set
// `cancelRequested` makes the worker store "cancelled" and then set
// `finished`, and the whole recursion unwinds at once.
inline bool StopOnCancel(TransferJob& job)
{
    if (job.cancelRequested.load(std::memory_order_acquire) == 0)
        return false;
    job.resultCode.store(TransferJob::kCancelled, std::memory_order_relaxed);
    job.finished.store(1, std::memory_order_release);
    return true;
}

// The top procedure's last action after its last item.
inline void FinishCompleted(TransferJob& job)
{
    job.resultCode.store(TransferJob::kCompleted, std::memory_order_relaxed);
    job.finished.store(1, std::memory_order_release);
}

} // namespace vorn::transfer_detail
