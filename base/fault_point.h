#pragma once

namespace vorn {

// The file-system steps a save or an extraction depends on. Tests make one of
// them fail to prove that a failure at any step leaves a loadable file behind
// and is reported for what it is.
enum class FaultPoint {
    Write,         // a write to a file stream
    Sync,          // an fsync of a file or folder
    Rename,        // linking or renaming a finished file into place
    UnnamedCreate, // creating an unnamed (O_TMPFILE) file
    Lock,          // between opening an archive and taking its lock (tests run another writer here)
    DiskFull,      // a write to a file finds no space left (ENOSPC)
};

// Returns true when the step is to fail. Never set outside tests; while no
// hook is set every step runs normally.
using FaultHook = bool (*)(FaultPoint);
void SetFaultHook(FaultHook hook);
bool FaultInjected(FaultPoint point);

} // namespace vorn
