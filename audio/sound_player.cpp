#include "audio/sound_player.h"

#include "audio/sound_messages.h"

#include <SDL.h>

namespace vorn {

CSoundPlayer::CSoundPlayer(Messenger& messenger) : messenger_(messenger) {}

CSoundPlayer::~CSoundPlayer() { Destroy(); }

bool CSoundPlayer::Init()
{
    if (initialised_)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        ShowSoundError(messenger_, sound_text::kCreate);
        return false;
    }
    // A driver that starts but has no output would fail only at the first
    // sound; opening the default output once tells it now.
    SDL_AudioSpec wanted{};
    wanted.freq = 22050;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = 1024;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_ANY_CHANGE);
    if (probe == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        ShowSoundError(messenger_, sound_text::kCreate);
        return false;
    }
    SDL_CloseAudioDevice(probe);
    // SDL outputs are shared with other programs by nature: there is no
    // cooperative level to set.
    initialised_ = true;
    return true;
}

bool CSoundPlayer::AddBuffer(const uint8_t* image, size_t imageLength)
{
    if (!initialised_) {
        ShowSoundError(messenger_, sound_text::kNotInitialized);
        return false;
    }
    auto buffer = std::make_unique<CSoundBuffer>(messenger_);
    if (image == nullptr || !buffer->Create(std::span<const uint8_t>(image, imageLength))) {
        if (image == nullptr)
            ShowSoundError(messenger_, sound_text::kCreateBuffer);
        return false;
    }
    buffers_.push_back(std::move(buffer));
    return true;
}

bool CSoundPlayer::Play(int index, uint32_t flags)
{
    CSoundBuffer* buffer = Buffer(index);
    if (buffer == nullptr) {
        ShowSoundError(messenger_, sound_text::kInvalidIndex);
        return false;
    }
    return buffer->Play(flags);
}

bool CSoundPlayer::StopAll()
{
    for (auto& buffer : buffers_)
        buffer->Stop();
    return true;
}

void CSoundPlayer::Destroy()
{
    // Quietly: the dialog is closing, and a lost output needs no message now.
    for (auto& buffer : buffers_)
        buffer->Destroy();
    buffers_.clear();
    if (initialised_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        initialised_ = false;
    }
}

CSoundBuffer* CSoundPlayer::Buffer(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= buffers_.size())
        return nullptr;
    return buffers_[static_cast<size_t>(index)].get();
}

bool CSoundPlayer::IsPlaying(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= buffers_.size())
        return false;
    return buffers_[static_cast<size_t>(index)]->IsPlaying();
}

} // namespace vorn
