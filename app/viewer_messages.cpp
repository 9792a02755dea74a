#include "app/viewer_messages.h"

#include "base/debug_trace.h"

namespace vorn {

namespace {

struct ViewerErrorText {
    const char* message;
    const char* trace;
};

ViewerErrorText TextOf(ViewerError error)
{
    constexpr const char* kCantLoad = "Can't load file!";
    switch (error) {
    case ViewerError::XaExtractFile: return {kCantLoad, "XA ExtractFile() error"};
    case ViewerError::XaFindFile: return {kCantLoad, "XA FindFile() error"};
    case ViewerError::XaDecompress: return {"Can't decompress XA file!", "XA Decompress() error"};
    case ViewerError::XaInit: return {"Couldn't init DirectSound!", "XA Init() error"};
    case ViewerError::IffExtractFile: return {kCantLoad, "IFF ExtractFile() error"};
    case ViewerError::IffOpen: return {"This file is not a valid IFF file!", "IFF OpenIFFFile() error"};
    case ViewerError::IffFindFile: return {kCantLoad, "IFF FindFile() error"};
    case ViewerError::IffNoObjects: return {"This file does not contain objects!", "IFF Object LoadIFFFile() error"};
    case ViewerError::BmpExtractFile: return {kCantLoad, "BMP ExtractFile() error"};
    case ViewerError::BmpLoad: return {"This file is not a valid BMP file!", "BMP LoadBitmap() error"};
    }
    return {kCantLoad, ""};
}

} // namespace

Message ViewerErrorMessage(ViewerError error)
{
    return Message{TextOf(error).message, "Error", MessageIcon::Error, MessageButtons::Ok};
}

const char* ViewerErrorTrace(ViewerError error)
{
    return TextOf(error).trace;
}

void ReportViewerError(Messenger& messenger, ViewerError error)
{
    DebugTrace::Instance().Trace("%s", ViewerErrorTrace(error));
    messenger.Show(ViewerErrorMessage(error));
}

} // namespace vorn
