#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vorn {

class CIffChunk;
class IffEditService;
struct IffEditResult;

// Carries out one edit of the shown file as a step (named `label`); the view
// is made anew afterwards, so a refused edit shows the old value again.
using ChunkEditor = std::function<void(const QString& label, const std::function<IffEditResult(IffEditService&)>& edit)>;

// The view of one chunk as its type reads: string tables as rows of index,
// language, text and comment; OBJD fields by name; SPR2 frames; DGRP images
// in 4 directions by 3 zooms; PALT colour swatches; BMP_ pictures through
// the bitmap viewer's loader; anything else (and a string table that can't
// be read) as hex beside the bytes as text.
// With an `editor`, the text, comment and language cells of string tables and
// the values of OBJD fields can be edited in place.
QWidget* MakeChunkView(IffEditService& service, CIffChunk& chunk, QWidget* parent, const ChunkEditor& editor = {});

} // namespace vorn
