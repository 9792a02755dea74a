#pragma once

namespace vorn {

// The file-system steps a save depends on. Tests make one of them fail to
// prove that a failure at any step leaves a loadable file behind.
enum class FaultPoint {
    Write,         // a write to a file stream
    Sync,          // an fsync of a file or folder
    Rename,        // linking or renaming a finished file into place
    UnnamedCreate, // creating an unnamed (O_TMPFILE) file
};

// Returns true when the step is to fail. Never set outside tests; while no
// hook is set every step runs normally.
using FaultHook = bool (*)(FaultPoint);
void SetFaultHook(FaultHook hook);
bool FaultInjected(FaultPoint point);

} // namespace vorn
