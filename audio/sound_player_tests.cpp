// The player's tests need the SDL player, which only UI builds have.
#if defined(VORN_WITH_SOUND)

#include "audio/sound_messages.h"
#include "audio/sound_player.h"
#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

namespace vorn {
namespace {

using testing::BuildWavImage;

// Plays into a raw file through SDL's disk driver, so the test sees exactly
// what reached the output.
class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", (dir_ / "output.raw").c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("SDL_AUDIODRIVER");
        ::unsetenv("SDL_DISKAUDIOFILE");
    }

    // The output's 16-bit samples, split into the stretches between silences.
    std::vector<std::vector<int16_t>> PlayedStretches() const
    {
        const auto bytes = testing::ReadFileBytes(dir_ / "output.raw");
        std::vector<std::vector<int16_t>> stretches;
        bool inside = false;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto sample = static_cast<int16_t>(LoadLE16(bytes.data() + i));
            if (sample == 0) {
                inside = false;
                continue;
            }
            if (!inside)
                stretches.emplace_back();
            inside = true;
            stretches.back().push_back(sample);
        }
        return stretches;
    }

    static bool WaitUntilQuiet(CSoundPlayer& player, int index)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (player.IsPlaying(index)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    testing::TempDir dir_;
    RecordingMessenger messenger_;
};

// No sample is zero, so silence marks where a playback starts and ends.
std::vector<int16_t> Tone(size_t frames, size_t channels)
{
    std::vector<int16_t> samples;
    for (size_t f = 0; f < frames; ++f)
        for (size_t c = 0; c < channels; ++c)
            samples.push_back(static_cast<int16_t>(c == 2 ? 30000 : (c == 0 ? 1 : -1) * static_cast<int>(f % 20000 + 1)));
    return samples;
}

Message SoundError(const char* text) { return Message{text, "Vorn", MessageIcon::Warning, MessageButtons::Ok}; }

TEST_F(SoundPlayerTest, EverySampleReachesTheOutputOncePerPlay)
{
    for (uint16_t channels : {1, 2}) {
        // 1500 frames: not a whole number of output periods, so playbacks stay apart.
        const auto samples = Tone(1500, channels);
        const auto image = BuildWavImage(channels, 8000, samples);
        {
            CSoundPlayer player(messenger_);
            ASSERT_TRUE(player.Init());
            ASSERT_TRUE(player.AddBuffer(image));
            ASSERT_EQ(player.Buffer(0)->Channels(), channels);
            ASSERT_TRUE(player.Play(0, 0));
            ASSERT_TRUE(player.Play(0, 0)); // already playing: no restart
            ASSERT_TRUE(WaitUntilQuiet(player, 0));
            ASSERT_TRUE(player.Play(0, 0)); // after the end: again from the start
            EXPECT_TRUE(player.IsPlaying(0));
            ASSERT_TRUE(WaitUntilQuiet(player, 0));
        } // closing the output writes out everything played
        EXPECT_EQ(PlayedStretches(), (std::vector<std::vector<int16_t>>{samples, samples})) << channels;
    }
    EXPECT_EQ(messenger_.Count(), 0u);
}

TEST_F(SoundPlayerTest, StopKeepsThePositionAndPlayResumes)
{
    const auto samples = Tone(8000, 1); // one second
    const auto image = BuildWavImage(1, 8000, samples);
    {
        CSoundPlayer player(messenger_);
        ASSERT_TRUE(player.Init());
        ASSERT_TRUE(player.AddBuffer(image));
        ASSERT_TRUE(player.Play(0, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ASSERT_TRUE(player.StopAll());
        EXPECT_FALSE(player.IsPlaying(0));
        ASSERT_TRUE(player.Play(0, 0));
        ASSERT_TRUE(WaitUntilQuiet(player, 0));
    }
    std::vector<int16_t> played;
    for (const auto& stretch : PlayedStretches())
        played.insert(played.end(), stretch.begin(), stretch.end());
    EXPECT_EQ(played, samples);
}

TEST_F(SoundPlayerTest, MoreThanTwoChannelsPlayTheirFirstTwo)
{
    const auto image = BuildWavImage(3, 8000, Tone(1500, 3));
    {
        CSoundPlayer player(messenger_);
        ASSERT_TRUE(player.Init());
        ASSERT_TRUE(player.AddBuffer(image));
        EXPECT_EQ(player.Buffer(0)->Channels(), 2);
        ASSERT_TRUE(player.Play(0, 0));
        ASSERT_TRUE(WaitUntilQuiet(player, 0));
    }
    EXPECT_EQ(PlayedStretches(), (std::vector<std::vector<int16_t>>{Tone(1500, 2)}));
}

TEST_F(SoundPlayerTest, FillsTheWholeDataSizeOfADecodedSound)
{
    // A decoded XA: D bytes, every one of them in the buffer (the last 44 too).
    std::vector<uint8_t> data;
    for (int block = 0; block < 4; ++block) {
        const auto b = testing::XaBlock(0x0C, std::vector<uint8_t>(14, static_cast<uint8_t>(0x35 + block)));
        data.insert(data.end(), b.begin(), b.end());
    }
    const auto xa = testing::BuildXa(1, 22050, data);
    MemoryStream out;
    CXaDecoder decoder;
    decoder.SetInput(xa, &out);
    ASSERT_TRUE(decoder.Decode());
    const std::vector<uint8_t> image(out.Bytes().begin(), out.Bytes().end());

    CSoundPlayer player(messenger_);
    ASSERT_TRUE(player.Init());
    ASSERT_TRUE(player.AddBuffer(image));
    const auto samples = player.Buffer(0)->Samples();
    EXPECT_EQ(std::vector<uint8_t>(samples.begin(), samples.end()), std::vector<uint8_t>(image.begin() + 44, image.end()));

    // An image that holds fewer bytes than its header says: silence for the rest.
    auto cut = image;
    cut.resize(44 + 100);
    ASSERT_TRUE(player.AddBuffer(cut));
    const auto padded = player.Buffer(1)->Samples();
    ASSERT_EQ(padded.size(), image.size() - 44);
    EXPECT_TRUE(std::equal(padded.begin(), padded.begin() + 100, image.begin() + 44));
    EXPECT_TRUE(std::all_of(padded.begin() + 100, padded.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(SoundPlayerTest, FailuresShowTheirMessages)
{
    {
        ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        CSoundPlayer player(messenger_);
        EXPECT_FALSE(player.Init());
        EXPECT_FALSE(player.IsInitialised());
        EXPECT_FALSE(player.AddBuffer(BuildWavImage(1, 8000, Tone(10, 1))));
        EXPECT_FALSE(player.Play(0, 0));
        EXPECT_EQ(messenger_.Messages(),
                  (std::vector<Message>{SoundError("Error - DS - Create\nAudio cannot be used"),
                                        SoundError("Error - DS - Audio not initialized"),
                                        SoundError("Error - DS - Invalid buffer selection index")}));
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
    }
    messenger_.Clear();

    CSoundPlayer player(messenger_);
    ASSERT_TRUE(player.Init());
    for (int index : {0, -1, 1})
        EXPECT_FALSE(player.Play(index, 0));
    EXPECT_EQ(messenger_.Messages(), std::vector<Message>(3, SoundError("Error - DS - Invalid buffer selection index")));
    messenger_.Clear();

    // Damaged images: too short, 24 bits, no rate, no data.
    const auto good = BuildWavImage(2, 8000, Tone(10, 2));
    std::vector<std::vector<uint8_t>> damaged(4, good);
    damaged[0].resize(43);
    StoreLE16(damaged[1].data() + 34, 24);
    StoreLE32(damaged[2].data() + 24, 0);
    StoreLE32(damaged[3].data() + 40, 0);
    for (const auto& image : damaged)
        EXPECT_FALSE(player.AddBuffer(image));
    EXPECT_EQ(player.BufferCount(), 0u);
    EXPECT_EQ(messenger_.Messages(), std::vector<Message>(4, SoundError("Error - DS - CreateSoundBuffer")));
    EXPECT_FALSE(player.Play(0, 0)); // the dialog's Play after a failed add

    // Random headers never crash; whatever opens also plays and stops.
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        auto image = good;
        image.resize(44 + rng() % 64);
        for (size_t i = 20; i < image.size(); ++i)
            image[i] = static_cast<uint8_t>(rng());
        StoreLE32(image.data() + 40, rng() % 4096);
        if (round % 2 == 0) {
            StoreLE32(image.data() + 24, 8000);
            StoreLE16(image.data() + 34, round % 4 == 0 ? 8 : 16);
        }
        if (player.AddBuffer(image)) {
            const int last = static_cast<int>(player.BufferCount()) - 1;
            EXPECT_TRUE(player.Play(last, 0));
            EXPECT_TRUE(player.StopAll());
        }
    }
}

} // namespace
} // namespace vorn

#endif
