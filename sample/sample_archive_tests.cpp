// The sample archive as a newcomer meets it: its sounds are the tones they
// are meant to be, its pictures are well-formed BMP files of the kinds the
// game ships.

#include "archive/far_archive.h"
#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace vorn {
namespace {

class SampleArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        int error = 0;
        file_ = FileStream::Open(VORN_SAMPLE_ARCHIVE, FileMode::Read, error);
        ASSERT_NE(file_, nullptr);
        ASSERT_TRUE(archive_.Load(*file_));
    }

    std::vector<uint8_t> Bytes(const std::string& name)
    {
        const auto index = archive_.FindEntry(name);
        EXPECT_TRUE(index.has_value()) << name;
        if (!index || !archive_.LoadData(*index))
            return {};
        const auto span = archive_.BytesOf(*index);
        return {span.begin(), span.end()};
    }

    // The decoded samples of channel `channel`.
    std::vector<int16_t> Decoded(const std::string& name, int channels, int channel)
    {
        const std::vector<uint8_t> xa = Bytes(name);
        MemoryStream wav;
        CXaDecoder decoder;
        decoder.SetInput(xa, &wav);
        EXPECT_TRUE(decoder.Decode()) << name;
        const auto image = wav.Bytes();
        std::vector<int16_t> samples;
        for (size_t at = 44 + 2 * static_cast<size_t>(channel); at + 1 < image.size(); at += 2 * channels)
            samples.push_back(static_cast<int16_t>(LoadLE16(image.data() + at)));
        return samples;
    }

    std::unique_ptr<FileStream> file_;
    CFarArchive archive_;
};

// Upward zero crossings per second, and the loudest sample.
void Measure(const std::vector<int16_t>& s, size_t from, size_t to, double& hz, int& peak)
{
    int crossings = 0;
    peak = 0;
    for (size_t i = from + 1; i < to && i < s.size(); ++i) {
        crossings += s[i - 1] < 0 && s[i] >= 0;
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    }
    hz = crossings * 22050.0 / static_cast<double>(to - from);
}

TEST_F(SampleArchive, SoundsAreAudibleTonesOfTheirPitch)
{
    const std::vector<int16_t> tone = Decoded("Sounds\\Tone 440 Hz.xa", 1, 0);
    EXPECT_NEAR(static_cast<double>(tone.size()), 22050, 28);
    double hz = 0;
    int peak = 0;
    Measure(tone, 0, 22050, hz, peak);
    EXPECT_NEAR(hz, 440, 3);
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 16000);

    // Stereo: the first beep on the left only, the second on the right at 660 Hz.
    const std::vector<int16_t> left = Decoded("Sounds\\Stereo\\Left then right.xa", 2, 0);
    const std::vector<int16_t> right = Decoded("Sounds\\Stereo\\Left then right.xa", 2, 1);
    const size_t beep = 6615; // 0.3 s
    Measure(left, 0, beep, hz, peak);
    EXPECT_NEAR(hz, 440, 8);
    EXPECT_GT(peak, 8000);
    Measure(right, 0, beep, hz, peak);
    EXPECT_LT(peak, 200);
    Measure(right, beep, 2 * beep, hz, peak);
    EXPECT_NEAR(hz, 660, 8);
    EXPECT_GT(peak, 8000);

    const std::vector<int16_t> chime = Decoded("Sounds\\Chime.xa", 1, 0);
    Measure(chime, 0, 7717, hz, peak); // the first note, 0.35 s
    EXPECT_NEAR(hz, 523, 8);
}

TEST_F(SampleArchive, PicturesAreBmpFilesOfTheGamesKinds)
{
    const struct {
        const char* name;
        uint16_t bits;
        uint32_t compression;
        int32_t width, height;
    } pictures[] = {
        {"Pictures\\Sunset.bmp", 8, 1, 200, 120},
        {"Pictures\\Colour wheel.bmp", 24, 0, 128, 128},
        {"Pictures\\Small\\Checker.bmp", 8, 0, 33, 17},
    };
    for (const auto& p : pictures) {
        const std::vector<uint8_t> bmp = Bytes(p.name);
        ASSERT_GE(bmp.size(), 54u) << p.name;
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(LoadLE32(bmp.data() + 2), bmp.size()) << p.name;
        EXPECT_EQ(LoadLE32(bmp.data() + 14), 40u);
        EXPECT_EQ(static_cast<int32_t>(LoadLE32(bmp.data() + 18)), p.width);
        EXPECT_EQ(static_cast<int32_t>(LoadLE32(bmp.data() + 22)), p.height);
        EXPECT_EQ(LoadLE16(bmp.data() + 28), p.bits) << p.name;
        EXPECT_EQ(LoadLE32(bmp.data() + 30), p.compression) << p.name;
        // The pixels follow the colour table directly, as the game's loader takes it.
        const uint32_t table = p.bits <= 8 ? 256 * 4 : 0;
        const uint32_t pixels = LoadLE32(bmp.data() + 10);
        EXPECT_EQ(pixels, 54 + table) << p.name;
        EXPECT_EQ(LoadLE32(bmp.data() + 34), bmp.size() - pixels) << p.name;
        if (p.compression == 0) {
            const uint32_t stride = (p.width * p.bits / 8 + 3) & ~3u;
            EXPECT_EQ(bmp.size() - pixels, stride * static_cast<uint32_t>(p.height)) << p.name;
        } else {
            // RLE8: every row ends with an end-of-line mark and the last with end-of-bitmap.
            int rows = 0;
            bool ended = false;
            for (size_t at = pixels; at + 1 < bmp.size() && !ended; at += 2) {
                if (bmp[at] != 0)
                    continue;
                ASSERT_LE(bmp[at + 1], 1) << "only runs, line and picture ends are written";
                ++rows;
                ended = bmp[at + 1] == 1;
            }
            EXPECT_TRUE(ended);
            EXPECT_EQ(rows, p.height);
        }
    }
}

} // namespace
} // namespace vorn
