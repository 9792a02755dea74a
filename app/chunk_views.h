#pragma once

#include "sprites/sprite_import.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace vorn {

class CIffChunk;
class IffEditService;
struct IffEditResult;

// Carries out one edit of the shown file as a step (named `label`); the view
// is made anew afterwards, so a refused edit shows the old value again.
using ChunkEditor = std::function<void(const QString& label, const std::function<IffEditResult(IffEditService&)>& edit)>;

// What a chunk's view keeps across the edits that make it anew: the current
// cell (of a string table, the fields, the swatches) and the language a
// string table shows.
// For a sprite, `row` is the frame shown, and `imported` what the last
// import into it drew.
struct ChunkViewState {
    int row = -1;
    int column = -1;
    std::optional<uint32_t> language; // every language when none
    std::vector<ImportedFrame> imported;
};

// The view of one chunk as its type reads: string tables as rows of index,
// language, text and comment; OBJD fields by name; SPR2 frames; DGRP images
// in 4 directions by 3 zooms; PALT colour swatches; BMP_ pictures through
// the bitmap viewer's loader; anything else (and a string table that can't
// be read) as hex beside the bytes as text.
// With an `editor`, the text, comment and language cells of string tables and
// the values of OBJD fields can be edited in place, string rows added,
// removed and moved, and a palette's colours chosen swatch by swatch. Tables of several languages show a language column and
// a filter by language. The view starts from `state` and keeps it up to
// date; it must outlive the view.
QWidget* MakeChunkView(IffEditService& service, CIffChunk& chunk, QWidget* parent, ChunkViewState& state,
                       const ChunkEditor& editor = {});

} // namespace vorn
