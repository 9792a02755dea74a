#include "cli/cli_commands.h"

#include "audio/xa_decoder.h"
#include "base/memory_stream.h"
#include "base/message_texts.h"

namespace vorn {

int RunXaToWav(CliContext& context, const std::vector<std::string>& args)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadInput(ParseEntryInput(args[0]), context);
    if (!bytes)
        return kExitFailure;
    MemoryStream image(1024);
    CXaDecoder decoder;
    decoder.SetInput(*bytes, &image);
    if (bytes->size() > UINT32_MAX || !decoder.Decode()) {
        if (decoder.HeaderChannelCount() > 255)
            context.Error(std::string(texts::kCantDecompressXa) + " Its header claims " +
                          std::to_string(decoder.HeaderChannelCount()) +
                          " channels, and an XA sound holds at most 255.");
        else
            context.Error(texts::kCantDecompressXa);
        return kExitFailure;
    }
    if (!WriteOutput(args[1], image.Bytes(), context))
        return kExitFailure;
    return context.messenger.HasProblems() ? kExitFailure : kExitSuccess;
}

} // namespace vorn
