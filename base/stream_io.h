#pragma once

#include "base/byte_stream.h"

#include <cstdint>

namespace vorn {

// Integer reads and writes on a stream in either byte order. Reads return
// false on a short read and leave the value untouched.
bool ReadLE16(ByteStream& stream, uint16_t& value);
bool ReadLE32(ByteStream& stream, uint32_t& value);
bool ReadBE16(ByteStream& stream, uint16_t& value);
bool ReadBE32(ByteStream& stream, uint32_t& value);
bool WriteLE16(ByteStream& stream, uint16_t value);
bool WriteLE32(ByteStream& stream, uint32_t value);
bool WriteBE16(ByteStream& stream, uint16_t value);
bool WriteBE32(ByteStream& stream, uint32_t value);

} // namespace vorn
