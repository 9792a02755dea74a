#include "audio/sound_buffer.h"

#include "audio/sound_messages.h"
#include "audio/wav_image.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace vorn {

namespace {

// The output's limits: rates and sizes outside them come from a damaged header.
constexpr uint32_t kMinimumRate = 100;
constexpr uint32_t kMaximumRate = 200000;
constexpr uint32_t kMinimumSize = 4;
constexpr uint32_t kMaximumSize = 0x0FFFFFFF;
constexpr Uint16 kOutputFrames = 1024;

} // namespace

CSoundBuffer::CSoundBuffer(Messenger& messenger) : messenger_(messenger) {}

CSoundBuffer::~CSoundBuffer() { Destroy(); }

bool CSoundBuffer::Create(std::span<const uint8_t> image)
{
    Destroy();
    const auto info = ReadWavImageInfo(image);
    if (!info || (info->bitsPerSample != 8 && info->bitsPerSample != 16) || info->sampleRate < kMinimumRate ||
        info->sampleRate > kMaximumRate || info->dataSize < kMinimumSize || info->dataSize > kMaximumSize) {
        ShowSoundError(messenger_, sound_text::kCreateBuffer);
        return false;
    }

    // Images with more than two channels play their first two, taken from each frame.
    const size_t bytesPerSample = info->bitsPerSample / 8;
    const size_t imageChannels = std::max<size_t>(info->channelCount, 1);
    const int channels = info->channelCount > 1 ? 2 : 1;
    const size_t imageFrame = imageChannels * bytesPerSample;
    const size_t outputFrame = static_cast<size_t>(channels) * bytesPerSample;
    const size_t frames = info->dataSize / imageFrame;
    if (frames == 0) {
        ShowSoundError(messenger_, sound_text::kCreateBuffer);
        return false;
    }

    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(info->sampleRate);
    wanted.format = info->bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = kOutputFrames;
    wanted.callback = &CSoundBuffer::FillCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No allowed changes: SDL converts to whatever the output really takes.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        ShowSoundError(messenger_, sound_text::kCreateBuffer);
        return false;
    }
    silence_ = obtained.silence;

    try {
        samples_.assign(frames * outputFrame, silence_);
    } catch (const std::bad_alloc&) {
        SDL_CloseAudioDevice(device);
        ShowSoundError(messenger_, sound_text::kCreateBuffer);
        return false;
    }

    // Fill all D bytes from the image's samples; an image cut short leaves silence.
    const std::span<const uint8_t> held =
        image.subspan(kWavHeaderSize, std::min<size_t>(info->dataSize, image.size() - kWavHeaderSize));
    if (imageFrame == outputFrame) {
        std::memcpy(samples_.data(), held.data(), std::min(held.size(), samples_.size()));
    } else {
        for (size_t f = 0; f < frames && f * imageFrame + outputFrame <= held.size(); ++f)
            std::memcpy(samples_.data() + f * outputFrame, held.data() + f * imageFrame, outputFrame);
    }

    position_ = 0;
    playing_ = false;
    looping_ = false;
    channels_ = channels;
    sampleRate_ = static_cast<int>(info->sampleRate);
    bitsPerSample_ = info->bitsPerSample;
    device_ = device; // opened paused: nothing plays until Play
    return true;
}

void CSoundBuffer::FillCallback(void* self, uint8_t* out, int length)
{
    static_cast<CSoundBuffer*>(self)->Fill(out, static_cast<size_t>(length));
}

// Runs on the audio thread with the device locked.
void CSoundBuffer::Fill(uint8_t* out, size_t length)
{
    while (length > 0) {
        if (!playing_ || samples_.empty()) {
            std::memset(out, silence_, length);
            return;
        }
        const size_t count = std::min(length, samples_.size() - position_);
        std::memcpy(out, samples_.data() + position_, count);
        out += count;
        length -= count;
        position_ += count;
        if (position_ == samples_.size()) {
            // The end: the next Play starts again from the beginning.
            position_ = 0;
            playing_ = looping_;
        }
    }
}

bool CSoundBuffer::ReadStatus(bool& playing)
{
    // A lost output (or none) reports itself as stopped.
    if (device_ == 0 || SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
        ShowSoundError(messenger_, sound_text::kGetStatus);
        return false;
    }
    playing = IsPlaying();
    return true;
}

void CSoundBuffer::SetPlaying(bool playing, bool looping)
{
    SDL_LockAudioDevice(device_);
    playing_ = playing;
    looping_ = looping;
    SDL_UnlockAudioDevice(device_);
}

bool CSoundBuffer::Play(uint32_t flags)
{
    bool playing = false;
    if (!ReadStatus(playing))
        return false;
    if (playing)
        return true;
    SetPlaying(true, (flags & kPlayLooping) != 0);
    SDL_PauseAudioDevice(device_, 0);
    if (SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) {
        SetPlaying(false, false);
        ShowSoundError(messenger_, sound_text::kPlay);
        return false;
    }
    return true;
}

bool CSoundBuffer::Stop()
{
    bool playing = false;
    if (!ReadStatus(playing))
        return false;
    if (!playing)
        return true;
    SetPlaying(false, false);
    SDL_PauseAudioDevice(device_, 1);
    return true;
}

bool CSoundBuffer::IsPlaying() const
{
    if (device_ == 0)
        return false;
    SDL_LockAudioDevice(device_);
    const bool playing = playing_;
    SDL_UnlockAudioDevice(device_);
    return playing;
}

size_t CSoundBuffer::FrameCount() const
{
    return device_ == 0 ? 0 : samples_.size() / FrameBytes();
}

size_t CSoundBuffer::FramePosition() const
{
    if (device_ == 0)
        return 0;
    SDL_LockAudioDevice(device_);
    const size_t position = position_;
    SDL_UnlockAudioDevice(device_);
    return position / FrameBytes();
}

void CSoundBuffer::SetFramePosition(size_t frame)
{
    if (device_ == 0)
        return;
    const size_t position = frame < FrameCount() ? frame * FrameBytes() : 0;
    SDL_LockAudioDevice(device_);
    position_ = position;
    SDL_UnlockAudioDevice(device_);
}

void CSoundBuffer::Destroy()
{
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_); // waits for the audio thread, so nothing plays after this
        device_ = 0;
    }
    samples_.clear();
    samples_.shrink_to_fit();
    playing_ = false;
    looping_ = false;
    position_ = 0;
}

} // namespace vorn
