// XA sounds: decoding into a WAV image.
#include "audio/xa_decoder.h"
#include "base/memory_stream.h"

#include <cstddef>
#include <cstdint>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > UINT32_MAX)
        return 0;
    MemoryStream wav;
    CXaDecoder decoder;
    decoder.SetInput(data, static_cast<uint32_t>(size), &wav);
    decoder.Decode();
    return 0;
}
