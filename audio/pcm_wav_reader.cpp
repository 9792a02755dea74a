#include "audio/pcm_wav_reader.h"

#include "base/endian.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

namespace vorn {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kFormatMinimum = 16;
// The extensible format's sub-format GUID sits at 24 in its format chunk; it
// starts with the tag of the format it carries.
constexpr size_t kSubFormatOffset = 24;
constexpr sf_count_t kFramesPerRead = 4096;

struct Chunk {
    size_t offset = 0; // of the chunk's data
    uint32_t size = 0;
};

bool WidthFits(uint16_t tag, uint16_t bits)
{
    if (tag == kFormatPcm)
        return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return tag == kFormatFloat && (bits == 32 || bits == 64);
}

// libsndfile reads a plain WAV header made from the checked format chunk,
// then the data chunk's bytes in place: it decodes samples and never meets
// the file's own chunks, whose oddities the walk has already taken.
class DecoderInput {
public:
    DecoderInput(const PcmSound& sound, std::span<const uint8_t> data) : data_(data)
    {
        const uint32_t dataSize = static_cast<uint32_t>(data.size());
        std::memcpy(header_.data(), "RIFF\0\0\0\0WAVEfmt \x10\0\0\0", 20);
        StoreLE32(header_.data() + 4, static_cast<uint32_t>(header_.size() - 8) + dataSize);
        StoreLE16(header_.data() + 20, sound.formatTag);
        StoreLE16(header_.data() + 22, sound.channelCount);
        StoreLE32(header_.data() + 24, sound.sampleRate);
        const uint64_t bytesPerSecond = uint64_t{sound.sampleRate} * sound.blockAlign;
        StoreLE32(header_.data() + 28, static_cast<uint32_t>(std::min<uint64_t>(bytesPerSecond, UINT32_MAX)));
        StoreLE16(header_.data() + 32, sound.blockAlign);
        StoreLE16(header_.data() + 34, sound.bitsPerSample);
        std::memcpy(header_.data() + 36, "data", 4);
        StoreLE32(header_.data() + 40, dataSize);
    }

    static sf_count_t Length(void* self)
    {
        auto* input = static_cast<DecoderInput*>(self);
        return static_cast<sf_count_t>(input->header_.size() + input->data_.size());
    }
    static sf_count_t Seek(sf_count_t offset, int whence, void* self)
    {
        auto* input = static_cast<DecoderInput*>(self);
        const sf_count_t base = whence == SEEK_CUR ? input->at_ : whence == SEEK_END ? Length(self) : 0;
        if (offset < -base || offset > Length(self) - base)
            return -1;
        input->at_ = base + offset;
        return input->at_;
    }
    static sf_count_t Read(void* to, sf_count_t count, void* self)
    {
        auto* input = static_cast<DecoderInput*>(self);
        auto* out = static_cast<uint8_t*>(to);
        const sf_count_t wanted = std::clamp<sf_count_t>(count, 0, Length(self) - input->at_);
        for (sf_count_t done = 0; done < wanted;) {
            const auto at = static_cast<size_t>(input->at_);
            const std::span<const uint8_t> from = at < input->header_.size()
                                                      ? std::span<const uint8_t>(input->header_).subspan(at)
                                                      : input->data_.subspan(at - input->header_.size());
            const size_t n = std::min(from.size(), static_cast<size_t>(wanted - done));
            std::memcpy(out + done, from.data(), n);
            done += static_cast<sf_count_t>(n);
            input->at_ += static_cast<sf_count_t>(n);
        }
        return wanted;
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* self) { return static_cast<DecoderInput*>(self)->at_; }

private:
    std::array<uint8_t, 44> header_{};
    std::span<const uint8_t> data_;
    sf_count_t at_ = 0;
};

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

int16_t Clipped(int64_t value, uint64_t& clipped)
{
    if (value > INT16_MAX || value < INT16_MIN) {
        ++clipped;
        return value > 0 ? INT16_MAX : INT16_MIN;
    }
    return static_cast<int16_t>(value);
}

// Integer samples come left-justified in 32 bits, so one rule serves every width.
int16_t FromInteger(int32_t sample, uint64_t& clipped)
{
    return Clipped((int64_t{sample} + 0x8000) >> 16, clipped);
}

// Float samples are full scale at 1.0, which 16-bit samples reach at 32768.
int16_t FromFloat(double sample, uint64_t& clipped)
{
    if (std::isnan(sample))
        return 0;
    return Clipped(static_cast<int64_t>(std::floor(std::clamp(sample, -2.0, 2.0) * 32768.0 + 0.5)), clipped);
}

// Decodes the data chunk's samples with libsndfile.
PcmWavStatus DecodeSamples(std::span<const uint8_t> data, PcmSound& sound)
{
    DecoderInput input(sound, data);
    SF_VIRTUAL_IO io{DecoderInput::Length, DecoderInput::Seek, DecoderInput::Read, DecoderInput::Write,
                     DecoderInput::Tell};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open_virtual(&io, SFM_READ, &info, &input));
    if (!file) {
        sound.problem = sf_strerror(nullptr);
        return PcmWavStatus::Unreadable;
    }
    const bool floating = sound.formatTag == kFormatFloat;
    sound.converted = sound.bitsPerSample != 16 || floating;
    const auto channels = static_cast<size_t>(sound.channelCount);
    std::vector<int32_t> integers(floating ? 0 : kFramesPerRead * channels);
    std::vector<double> reals(floating ? kFramesPerRead * channels : 0);
    for (;;) {
        const sf_count_t frames = floating ? sf_readf_double(file.get(), reals.data(), kFramesPerRead)
                                           : sf_readf_int(file.get(), integers.data(), kFramesPerRead);
        if (frames <= 0)
            break;
        const size_t count = static_cast<size_t>(frames) * channels;
        for (size_t i = 0; i < count; ++i)
            sound.samples.push_back(floating ? FromFloat(reals[i], sound.clippedSamples)
                                             : FromInteger(integers[i], sound.clippedSamples));
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        sound.problem = sf_strerror(file.get());
        return PcmWavStatus::Unreadable;
    }
    return PcmWavStatus::Ok;
}

} // namespace

PcmWavStatus PcmWavReader::Read(std::span<const uint8_t> bytes, PcmSound& sound)
{
    sound = PcmSound{};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return PcmWavStatus::NotWav;

    // The RIFF size is often wrong in files written by streaming tools, so
    // the chunks are walked to the end of the bytes instead.
    std::optional<Chunk> format;
    std::optional<Chunk> data;
    size_t at = 12;
    while (at < bytes.size() && !(format && data)) {
        if (bytes.size() - at < 8)
            return PcmWavStatus::Truncated;
        const Chunk chunk{at + 8, LoadLE32(bytes.data() + at + 4)};
        const bool isFormat = std::memcmp(bytes.data() + at, "fmt ", 4) == 0;
        const bool isData = std::memcmp(bytes.data() + at, "data", 4) == 0;
        if (chunk.size > bytes.size() - chunk.offset)
            return PcmWavStatus::Truncated;
        if (isFormat && !format)
            format = chunk;
        if (isData && !data)
            data = chunk;
        at = chunk.offset + chunk.size + (chunk.size & 1);
    }
    if (!format || !data)
        return PcmWavStatus::NoData;
    if (format->size < kFormatMinimum)
        return PcmWavStatus::Truncated;

    const uint8_t* f = bytes.data() + format->offset;
    sound.formatTag = LoadLE16(f);
    const uint16_t channels = LoadLE16(f + 2);
    sound.channelCount = channels;
    sound.sampleRate = LoadLE32(f + 4);
    const uint16_t blockAlign = LoadLE16(f + 12);
    sound.blockAlign = blockAlign;
    sound.bitsPerSample = LoadLE16(f + 14);
    if (sound.formatTag == kFormatExtensible && format->size >= kSubFormatOffset + 2)
        sound.formatTag = LoadLE16(f + kSubFormatOffset);
    if (!WidthFits(sound.formatTag, sound.bitsPerSample))
        return PcmWavStatus::Unsupported;
    if (channels == 0 || channels > 255)
        return PcmWavStatus::BadChannels;
    if (blockAlign != sound.bitsPerSample / 8 * channels)
        return PcmWavStatus::BadBlockAlign;
    // The bytes a second are a 32-bit field of both WAV and XA headers.
    if (sound.sampleRate == 0 || uint64_t{sound.sampleRate} * 2 * channels > UINT32_MAX)
        return PcmWavStatus::BadRate;
    sound.samples.reserve(data->size / blockAlign * channels);
    const PcmWavStatus decoded = DecodeSamples(bytes.subspan(data->offset, data->size), sound);
    if (decoded != PcmWavStatus::Ok)
        sound.samples.clear();
    return decoded;
}

} // namespace vorn
