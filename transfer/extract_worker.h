#pragma once

#include "transfer/transfer_job.h"

#include <string>

namespace vorn {

// Writes the job's selected directories (first) and files to its target
// folder. Existing top-level files are asked about one by one; one question
// per existing top-level directory decides for its whole subtree. Every
// failure is reported and the job goes on. Tells whether it ran to its end or
// stopped on a cancel (the job's resultCode says the same as a number).
TransferOutcome ExtractFiles(TransferJob& job);

// Writes the archive directory `directoryPath` below the target folder:
// its subdirectories, then its files. An existing file is overwritten when
// `overwriteAll` is set and left alone otherwise. Cancelled when it stopped
// on a cancel, else Completed (also when the directory is not in the archive).
TransferOutcome ExtractDirectory(TransferJob& job, const std::string& directoryPath, bool overwriteAll);

} // namespace vorn
