#include "sprites/frame_decoder.h"

#include <algorithm>
#include <bit>

namespace vorn {

namespace {

// Slightly above 1/255, as a float widened to double: the scale the game's
// renderer blends with, kept so that blended pixels match it exactly.
const double kBlendScale = static_cast<double>(std::bit_cast<float>(0x3B808081u));

uint16_t Pack555(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

uint16_t Pack565(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void Store16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// One writer per colour layout: Put stores a palette colour (r, g, b
// consecutive), Mix blends one into the stored pixel.
struct Writer555 {
    static constexpr int kBytes = 2;
    static void Put(uint8_t* p, const uint8_t* c) { Store16(p, Pack555(c[0], c[1], c[2])); }
    static void Mix(uint8_t* p, const uint8_t* c, uint8_t alpha)
    {
        const unsigned v = Load16(p);
        const uint8_t r = static_cast<uint8_t>((v >> 7) & 0xF8);
        const uint8_t g = static_cast<uint8_t>((v >> 2) & 0xF8);
        const uint8_t b = static_cast<uint8_t>((v << 3) & 0xFF);
        Store16(p, Pack555(Blend(r, c[0], alpha), Blend(g, c[1], alpha), Blend(b, c[2], alpha)));
    }
};

struct Writer565 {
    static constexpr int kBytes = 2;
    static void Put(uint8_t* p, const uint8_t* c) { Store16(p, Pack565(c[0], c[1], c[2])); }
    static void Mix(uint8_t* p, const uint8_t* c, uint8_t alpha)
    {
        const unsigned v = Load16(p);
        const uint8_t r = static_cast<uint8_t>((v >> 8) & 0xF8);
        const uint8_t g = static_cast<uint8_t>((v >> 3) & 0xFC);
        const uint8_t b = static_cast<uint8_t>((v << 3) & 0xFF);
        Store16(p, Pack565(Blend(r, c[0], alpha), Blend(g, c[1], alpha), Blend(b, c[2], alpha)));
    }
};

struct Writer24 {
    static constexpr int kBytes = 3;
    static void Put(uint8_t* p, const uint8_t* c)
    {
        p[0] = c[2];
        p[1] = c[1];
        p[2] = c[0];
    }
    static void Mix(uint8_t* p, const uint8_t* c, uint8_t alpha)
    {
        p[0] = Blend(p[0], c[2], alpha);
        p[1] = Blend(p[1], c[1], alpha);
        p[2] = Blend(p[2], c[0], alpha);
    }
};

struct Writer32 {
    static constexpr int kBytes = 4;
    static void Put(uint8_t* p, const uint8_t* c)
    {
        p[0] = c[2];
        p[1] = c[1];
        p[2] = c[0];
        p[3] = 0;
    }
    static void Mix(uint8_t* p, const uint8_t* c, uint8_t alpha)
    {
        p[0] = Blend(p[0], c[2], alpha);
        p[1] = Blend(p[1], c[1], alpha);
        p[2] = Blend(p[2], c[0], alpha);
        p[3] = 0;
    }
};

enum Command : unsigned {
    kRowStart = 0,
    kDepthPixels = 1,
    kBlendedPixels = 2,
    kSkipPixels = 3,
    kSkipRows = 4,
    kEnd = 5,
    kPlainPixels = 6,
    kFail = 7,
};

// The new depth of a pixel when it passes the test (stored >= new), clamped
// for storing; -1 when it fails.
inline int DepthToStore(uint8_t stored, int64_t depth)
{
    if (static_cast<int64_t>(stored) < depth)
        return -1;
    return depth < 0 ? 0 : static_cast<int>(depth);
}

template <class Writer, bool Mirrored>
class Decoder {
public:
    Decoder(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours, uint32_t frameWidth,
            int hiddenIndex)
        : target_(target), bytes_(commands.data()), size_(commands.size()), colours_(colours.data()),
          hidden_(hiddenIndex), width_(target.Width()), height_(target.Height())
    {
        const int64_t x = target.x;
        rowStartPos_ = Mirrored ? x + static_cast<int64_t>(frameWidth) - 1 : x;
        target.ResetRowCursors();
        const int64_t y = target.y;
        if (y > 0) {
            target.nextRow -= y;
            skip_ = 0;
        } else {
            // The plain form skips two rows fewer than the mirrored one for
            // frames above the top edge, as the game's renderer does, so that
            // pictures match it.
            skip_ = Mirrored ? -y : -1 - y;
        }
    }

    bool Run()
    {
        while (true) {
            if (size_ - read_ < 2)
                return read_ == size_; // ending between commands is the frame's end
            const unsigned word = Load16(bytes_ + read_);
            read_ += 2;
            const unsigned count = word & 0x1FFF;
            switch (word >> 13) {
            case kRowStart:
                if (target_.nextRow < 0)
                    return true;
                StepRows(1);
                break;
            case kDepthPixels:
                if (!Pixels<2>(count))
                    return false;
                break;
            case kBlendedPixels:
                if (!Pixels<3>(count))
                    return false;
                break;
            case kSkipPixels:
                pos_ += Mirrored ? -static_cast<int64_t>(count) : static_cast<int64_t>(count);
                break;
            case kSkipRows:
                StepRows(count);
                if (target_.currentRow != RenderTarget::kNoRow && target_.currentRow < 0)
                    return true;
                break;
            case kEnd:
                return true;
            case kPlainPixels:
                if (!Pixels<1>(count))
                    return false;
                break;
            case kFail:
            default:
                return false;
            }
        }
    }

private:
    // `steps` single row steps at once: first the remaining skips run out,
    // then each step makes the next row current. Done arithmetically so that
    // huge offsets cost nothing.
    void StepRows(int64_t steps)
    {
        const int64_t threshold = Mirrored ? 0 : 1;
        if (skip_ > threshold) {
            const int64_t used = std::min(steps, skip_ - threshold);
            skip_ -= used;
            steps -= used;
        }
        if (steps > 0) {
            target_.currentRow = target_.nextRow - (steps - 1);
            target_.nextRow -= steps;
            pos_ = rowStartPos_;
            skip_ = 0;
        }
    }

    // A run of `count` pixels of `Size` bytes each: depth and colour (2),
    // depth, colour and alpha (3) or colour only (1). False when the bytes
    // end inside the run. The run is clipped to the picture's columns first,
    // so the per-pixel path checks nothing but the depth.
    template <int Size>
    bool Pixels(unsigned count)
    {
        const size_t whole = std::min<size_t>(count, (size_ - read_) / Size);
        const uint8_t* in = bytes_ + read_;
        const int64_t start = pos_;
        constexpr int64_t kStep = Mirrored ? -1 : 1;
        pos_ += kStep * static_cast<int64_t>(whole);
        read_ += whole * Size;
        const int64_t row = target_.currentRow;
        if (row >= 0 && row < height_ && whole != 0) {
            // Pixel i lies at column start + kStep * i; keep the i inside 0..width-1.
            const int64_t n = static_cast<int64_t>(whole);
            const int64_t first = Mirrored ? std::max<int64_t>(0, start - width_ + 1) : std::max<int64_t>(0, -start);
            const int64_t last = Mirrored ? std::min<int64_t>(n, start + 1) : std::min<int64_t>(n, width_ - start);
            // Runs that hide nothing, the common case, leave the hidden index's test out.
            if (first < last) {
                if (hidden_ == kNoHiddenIndex)
                    Draw<Size, false>(row, in, first, last, start);
                else
                    Draw<Size, true>(row, in, first, last, start);
            }
        }
        if (whole < count) {
            read_ = size_;
            return false;
        }
        // Runs are padded to an even length; a missing pad at the very end is harmless.
        if ((read_ & 1) != 0 && read_ < size_)
            ++read_;
        return true;
    }

    template <int Size, bool Hides>
    void Draw(int64_t row, const uint8_t* in, int64_t first, int64_t last, int64_t start)
    {
        constexpr int64_t kStep = Mirrored ? -1 : 1;
        const int64_t column = start + kStep * first;
        uint8_t* pixel = target_.ColourPlane() + static_cast<size_t>(row) * target_.ColourStride() +
                         static_cast<size_t>(column) * Writer::kBytes;
        const uint8_t* source = in + first * Size;
        const int64_t count = last - first;
        if constexpr (Size == 1) {
            for (int64_t i = 0; i < count; ++i, source += Size, pixel += kStep * Writer::kBytes)
                if (!Hides || source[0] != hidden_)
                    Writer::Put(pixel, colours_ + 3 * source[0]);
        } else {
            const int64_t lastColumn = column + kStep * (count - 1);
            uint8_t* depth = target_.DepthRowForWriting(row, std::min(column, lastColumn), std::max(column, lastColumn)) +
                             column;
            const int64_t bias = target_.depthBias;
            for (int64_t i = 0; i < count; ++i, source += Size, pixel += kStep * Writer::kBytes, depth += kStep) {
                if (Hides && source[1] == hidden_)
                    continue;
                const int stored = DepthToStore(*depth, static_cast<int64_t>(source[0]) + bias);
                if (stored < 0)
                    continue;
                *depth = static_cast<uint8_t>(stored);
                if constexpr (Size == 2)
                    Writer::Put(pixel, colours_ + 3 * source[1]);
                else
                    Writer::Mix(pixel, colours_ + 3 * source[1], source[2]);
            }
        }
    }

    RenderTarget& target_;
    const uint8_t* bytes_;
    size_t size_;
    size_t read_ = 0;
    const uint8_t* colours_;
    int hidden_;
    int64_t width_;
    int64_t height_;
    int64_t pos_ = 0;
    int64_t rowStartPos_ = 0;
    int64_t skip_ = 0;
};

template <class Writer, bool Mirrored>
bool Decode(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours, uint32_t frameWidth,
            int hiddenIndex)
{
    if (!target.HasPlanes())
        return false;
    return Decoder<Writer, Mirrored>(target, commands, colours, frameWidth, hiddenIndex).Run();
}

} // namespace

uint8_t Blend(uint8_t old, uint8_t fresh, uint8_t weight)
{
    const int difference = (static_cast<int>(old) - static_cast<int>(fresh)) * static_cast<int>(weight);
    const double value = static_cast<double>(difference) * kBlendScale + static_cast<double>(fresh);
    return static_cast<uint8_t>(static_cast<uint32_t>(static_cast<int32_t>(value)) & 0xFF);
}

bool DecodeT555(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours, int hiddenIndex)
{
    return Decode<Writer555, false>(target, commands, colours, 0, hiddenIndex);
}
bool DecodeT555Mirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                        uint32_t frameWidth, int hiddenIndex)
{
    return Decode<Writer555, true>(target, commands, colours, frameWidth, hiddenIndex);
}
bool DecodeT565(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours, int hiddenIndex)
{
    return Decode<Writer565, false>(target, commands, colours, 0, hiddenIndex);
}
bool DecodeT565Mirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                        uint32_t frameWidth, int hiddenIndex)
{
    return Decode<Writer565, true>(target, commands, colours, frameWidth, hiddenIndex);
}
bool DecodeT24Bits(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours, int hiddenIndex)
{
    return Decode<Writer24, false>(target, commands, colours, 0, hiddenIndex);
}
bool DecodeT24BitsMirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                           uint32_t frameWidth, int hiddenIndex)
{
    return Decode<Writer24, true>(target, commands, colours, frameWidth, hiddenIndex);
}
bool DecodeT32Bits(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours, int hiddenIndex)
{
    return Decode<Writer32, false>(target, commands, colours, 0, hiddenIndex);
}
bool DecodeT32BitsMirrored(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                           uint32_t frameWidth, int hiddenIndex)
{
    return Decode<Writer32, true>(target, commands, colours, frameWidth, hiddenIndex);
}

bool DecodeFrame(RenderTarget& target, std::span<const uint8_t> commands, PaletteColours colours,
                 uint32_t frameWidth, int hiddenIndex)
{
    const bool mirrored = target.mirror;
    switch (target.BitsPerPixel()) {
    case 15:
        return mirrored ? DecodeT555Mirrored(target, commands, colours, frameWidth, hiddenIndex)
                        : DecodeT555(target, commands, colours, hiddenIndex);
    case 16:
        return mirrored ? DecodeT565Mirrored(target, commands, colours, frameWidth, hiddenIndex)
                        : DecodeT565(target, commands, colours, hiddenIndex);
    case 24:
        return mirrored ? DecodeT24BitsMirrored(target, commands, colours, frameWidth, hiddenIndex)
                        : DecodeT24Bits(target, commands, colours, hiddenIndex);
    case 32:
        return mirrored ? DecodeT32BitsMirrored(target, commands, colours, frameWidth, hiddenIndex)
                        : DecodeT32Bits(target, commands, colours, hiddenIndex);
    default:
        return false;
    }
}

} // namespace vorn
