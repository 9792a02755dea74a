#include "transfer/transfer_job.h"

namespace vorn {

void TransferJob::Reset()
{
    cancelRequested.store(0, std::memory_order_relaxed);
    resultCode.store(0, std::memory_order_relaxed);
    filesDone.store(0, std::memory_order_relaxed);
    finished.store(0, std::memory_order_release);
    if (!targetFolder.empty() && targetFolder.back() != '/')
        targetFolder.push_back('/');
    storedBytes.reset();
}

} // namespace vorn
