#include "base/stream_io.h"

#include "base/endian.h"

namespace vorn {

bool ReadLE16(ByteStream& stream, uint16_t& value)
{
    uint8_t bytes[2];
    if (!stream.ReadExact(bytes, sizeof bytes))
        return false;
    value = LoadLE16(bytes);
    return true;
}

bool ReadLE32(ByteStream& stream, uint32_t& value)
{
    uint8_t bytes[4];
    if (!stream.ReadExact(bytes, sizeof bytes))
        return false;
    value = LoadLE32(bytes);
    return true;
}

bool ReadBE16(ByteStream& stream, uint16_t& value)
{
    uint8_t bytes[2];
    if (!stream.ReadExact(bytes, sizeof bytes))
        return false;
    value = LoadBE16(bytes);
    return true;
}

bool ReadBE32(ByteStream& stream, uint32_t& value)
{
    uint8_t bytes[4];
    if (!stream.ReadExact(bytes, sizeof bytes))
        return false;
    value = LoadBE32(bytes);
    return true;
}

bool WriteLE16(ByteStream& stream, uint16_t value)
{
    uint8_t bytes[2];
    StoreLE16(bytes, value);
    return stream.Write(bytes, sizeof bytes);
}

bool WriteLE32(ByteStream& stream, uint32_t value)
{
    uint8_t bytes[4];
    StoreLE32(bytes, value);
    return stream.Write(bytes, sizeof bytes);
}

bool WriteBE16(ByteStream& stream, uint16_t value)
{
    uint8_t bytes[2];
    StoreBE16(bytes, value);
    return stream.Write(bytes, sizeof bytes);
}

bool WriteBE32(ByteStream& stream, uint32_t value)
{
    uint8_t bytes[4];
    StoreBE32(bytes, value);
    return stream.Write(bytes, sizeof bytes);
}

} // namespace vorn
