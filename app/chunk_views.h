#pragma once

class QWidget;

namespace vorn {

class CIffChunk;
class IffEditService;

// The view of one chunk as its type reads: string tables as rows of index,
// language, text and comment; OBJD fields by name; SPR2 frames; DGRP images
// in 4 directions by 3 zooms; PALT colour swatches; BMP_ pictures through
// the bitmap viewer's loader; anything else (and a string table that can't
// be read) as hex beside the bytes as text.
QWidget* MakeChunkView(IffEditService& service, CIffChunk& chunk, QWidget* parent);

} // namespace vorn
