#pragma once

#include "transfer/transfer_job.h"

#include <string>

namespace vorn {

// Adds the job's dropped disk paths below the archive directory
// `currentDirectory`: files (asking before replacing one, or as the job's
// `existingFiles` says) and whole folders (refused when the archive already
// has that directory, unless the job merges them into it). Top-level items get
// a list row, every new directory a tree node. Tells whether it ran to its
// end or stopped on a cancel (the job's resultCode says the same as a number).
TransferOutcome AddDroppedItems(TransferJob& job);

// Adds the contents of the disk folder `diskFolder` below the archive
// directory `archiveDirectory`, recursively, replacing files of the same name
// without asking. Symbolic links to directories are not followed; files that
// cannot be opened are skipped silently. Cancelled when it stopped on a cancel.
TransferOutcome AddDiskDirectory(TransferJob& job, const std::string& diskFolder, const std::string& archiveDirectory);

} // namespace vorn
