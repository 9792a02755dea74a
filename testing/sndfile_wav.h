#pragma once

// WAV files as a sound editor writes them, through libsndfile: a test that
// includes this links SndFile::sndfile.

#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

namespace vorn::testing {

// The WAV file's bytes for `samples` (interleaved) stored as `subtype`
// (SF_FORMAT_PCM_24, SF_FORMAT_FLOAT, ...), written to `path`; libsndfile
// widens or narrows the 16-bit values itself. `T` is short, int (left-justified
// 32-bit) or double (full scale 1.0).
template <typename T>
std::vector<uint8_t> WriteSndFileWav(const std::filesystem::path& path, int subtype, int channels, int rate,
                                     std::span<const T> samples)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subtype;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return {};
    // As sound editors store them: float samples full scale at 1.0.
    sf_command(file, SFC_SET_SCALE_INT_FLOAT_WRITE, nullptr, SF_TRUE);
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<size_t>(channels));
    if constexpr (std::is_same_v<T, short>)
        sf_writef_short(file, samples.data(), frames);
    else if constexpr (std::is_same_v<T, int>)
        sf_writef_int(file, samples.data(), frames);
    else
        sf_writef_double(file, samples.data(), frames);
    sf_close(file);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace vorn::testing
