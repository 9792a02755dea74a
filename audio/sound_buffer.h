#pragma once

#include "base/messenger.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

// One playable sound: an output opened in the WAV image's format and the
// image's samples. Playing does not block; the samples are fed from the
// audio thread. Not copyable or movable (the audio thread holds its address).
class CSoundBuffer {
public:
    static constexpr uint32_t kPlayLooping = 1; // play flag: start again at the end

    explicit CSoundBuffer(Messenger& messenger);
    ~CSoundBuffer();
    CSoundBuffer(const CSoundBuffer&) = delete;
    CSoundBuffer& operator=(const CSoundBuffer&) = delete;

    // Opens an output for the image and fills it with D bytes of samples (the
    // image's data size; silence where the image holds fewer). One or two
    // channels, 8 or 16 bits; an image with more channels plays its first two.
    // On failure shows "Error - DS - CreateSoundBuffer" and leaves no buffer.
    bool Create(std::span<const uint8_t> image);
    bool Exists() const { return device_ != 0; }

    // Already playing: does nothing. Otherwise plays from the current position:
    // the start for a new sound or one that played to its end, the stopping
    // point after Stop.
    bool Play(uint32_t flags);
    // Not playing: does nothing. Otherwise stops, keeping the position.
    bool Stop();
    // Stops without messages and releases the output.
    void Destroy();

    // The status without messages: true while the sound is being played.
    bool IsPlaying() const;
    // The sound's length and the frame the output plays next, in frames of
    // the output (one sample of every channel).
    size_t FrameCount() const;
    size_t FramePosition() const;
    // Moves the play position, playing or not; the end or beyond is the
    // start, as after playing to the end.
    void SetFramePosition(size_t frame);
    int Channels() const { return channels_; }
    int SampleRate() const { return sampleRate_; }
    int BitsPerSample() const { return bitsPerSample_; }
    // The bytes played, frame by frame in the output's format.
    std::span<const uint8_t> Samples() const { return samples_; }

private:
    static void FillCallback(void* self, uint8_t* out, int length);
    void Fill(uint8_t* out, size_t length);
    bool ReadStatus(bool& playing);
    size_t FrameBytes() const { return static_cast<size_t>(channels_) * static_cast<size_t>(bitsPerSample_ / 8); }
    void SetPlaying(bool playing, bool looping);

    Messenger& messenger_;
    uint32_t device_ = 0;
    std::vector<uint8_t> samples_;
    // Shared with the audio thread, under the device's lock.
    size_t position_ = 0;
    bool playing_ = false;
    bool looping_ = false;

    uint8_t silence_ = 0;
    int channels_ = 0;
    int sampleRate_ = 0;
    int bitsPerSample_ = 0;
};

} // namespace vorn
