#pragma once

#include "base/messenger.h"

namespace vorn {

// The failures of the viewers. Each is shown with the caption "Error",
// the error icon and OK, and writes its own line to the diagnostic trace.
enum class ViewerError {
    XaExtractFile,   // "Can't load file!"
    XaFindFile,      // "Can't load file!"
    XaDecompress,    // "Can't decompress XA file!"
    XaInit,          // "Couldn't init DirectSound!"
    IffExtractFile,  // "Can't load file!"
    IffOpen,         // "This file is not a valid IFF file!"
    IffFindFile,     // "Can't load file!"
    IffNoObjects,    // "This file does not contain objects!"
    BmpExtractFile,  // "Can't load file!"
    BmpLoad,         // "This file is not a valid BMP file!"
    TextExtractFile, // "Can't load file!"
};

Message ViewerErrorMessage(ViewerError error);
const char* ViewerErrorTrace(ViewerError error);

// Traces the failure's line and shows its message.
void ReportViewerError(Messenger& messenger, ViewerError error);

} // namespace vorn
