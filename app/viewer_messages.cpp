#include "app/viewer_messages.h"

#include "base/debug_trace.h"
#include "base/message_texts.h"

namespace vorn {

namespace {

struct ViewerErrorText {
    const char* message;
    const char* trace;
};

ViewerErrorText TextOf(ViewerError error)
{
    using texts::kCantLoadFile;
    switch (error) {
    case ViewerError::XaExtractFile: return {kCantLoadFile, "XA ExtractFile() error"};
    case ViewerError::XaFindFile: return {kCantLoadFile, "XA FindFile() error"};
    case ViewerError::XaDecompress: return {texts::kCantDecompressXa, "XA Decompress() error"};
    case ViewerError::XaInit: return {"Couldn't init DirectSound!", "XA Init() error"};
    case ViewerError::IffExtractFile: return {kCantLoadFile, "IFF ExtractFile() error"};
    case ViewerError::IffOpen: return {texts::kNotIff, "IFF OpenIFFFile() error"};
    case ViewerError::IffFindFile: return {kCantLoadFile, "IFF FindFile() error"};
    case ViewerError::IffNoObjects: return {texts::kNoObjects, "IFF Object LoadIFFFile() error"};
    case ViewerError::BmpExtractFile: return {kCantLoadFile, "BMP ExtractFile() error"};
    case ViewerError::BmpLoad: return {"This file is not a valid BMP file!", "BMP LoadBitmap() error"};
    case ViewerError::TextExtractFile: return {kCantLoadFile, "TXT ExtractFile() error"};
    }
    return {kCantLoadFile, ""};
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
