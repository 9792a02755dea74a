#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace vorn {

// Writes an 8-bit RGB PNG a few rows at a time, so a picture need not be
// held whole: Begin with its size, WriteRows until every row is written,
// then Finish. The encoded bytes go to `sink` as they come; a sink that
// returns false fails the writer. Any failure is final.
class PngRowWriter {
public:
    using Sink = std::function<bool(std::span<const uint8_t>)>;

    explicit PngRowWriter(Sink sink);
    ~PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;

    bool Begin(uint32_t width, uint32_t height);
    // `rgb` holds whole rows of width * 3 bytes, top row first; false when
    // they would pass the height given to Begin.
    bool WriteRows(std::span<const uint8_t> rgb);
    // False unless exactly the height's rows were written.
    bool Finish();

    // Bytes of one row.
    size_t RowBytes() const { return static_cast<size_t>(width_) * 3; }

private:
    struct Codec;
    bool Failed();

    Sink sink_;
    std::unique_ptr<Codec> codec_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t written_ = 0;
    bool failed_ = false;
};

} // namespace vorn
