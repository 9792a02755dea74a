// DGRP draw groups: reading both layouts, looking images up, and the long
// layout every write produces reading back as the same images.
#include "iff/draw_group.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CDrawGroup group;
    if (!group.Chunk()->Assign(std::span<const uint8_t>(data, size)))
        return 0;
    group.Chunk()->SetPosition(0);
    group.Read(); // images read before a failure stay and are written below
    for (int direction = 0; direction < 8; ++direction)
        for (int zoom = 1; zoom <= 3; ++zoom)
            group.FindImage(direction, zoom);

    if (!group.Write())
        abort();
    CDrawGroup again;
    if (!again.Chunk()->Assign(group.Chunk()->Bytes()))
        abort();
    again.Chunk()->SetPosition(0);
    if (!again.Read() || again.Images() != group.Images())
        abort();
    return 0;
}
