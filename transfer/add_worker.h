#pragma once

#include "transfer/transfer_job.h"

#include <string>

namespace vorn {

// Adds the job's dropped disk paths below the archive directory
// `currentDirectory`: files (asking before replacing one) and whole folders
// (refused when the archive already has that directory). Top-level items get
// a list row, every new directory a tree node. Returns 0 when it ran to its
// end (resultCode 1), 1 when it stopped on a cancel (resultCode 2).
int AddDroppedItems(TransferJob& job);

// Adds the contents of the disk folder `diskFolder` below the archive
// directory `archiveDirectory`, recursively, replacing files of the same name
// without asking. Symbolic links to directories are not followed; files that
// cannot be opened are skipped silently. Returns true when it stopped on a cancel.
bool AddDiskDirectory(TransferJob& job, const std::string& diskFolder, const std::string& archiveDirectory);

} // namespace vorn
