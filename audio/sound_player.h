#pragma once

#include "audio/sound_buffer.h"
#include "base/messenger.h"

#include <memory>
#include <span>
#include <vector>

namespace vorn {

// Opens the sound output and plays WAV images through it. Every failure is
// shown at once through the messenger ("Error - DS - ...", caption "Vorn")
// and reported as false.
class CSoundPlayer {
public:
    explicit CSoundPlayer(Messenger& messenger);
    ~CSoundPlayer();
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Starts the audio subsystem and checks that a default output opens.
    bool Init();
    bool IsInitialised() const { return initialised_; }

    // Makes a buffer from the image and appends it (index 0 is the first added).
    // The image is copied; it may be released afterwards.
    bool AddBuffer(const uint8_t* image, size_t imageLength);
    bool AddBuffer(std::span<const uint8_t> image) { return AddBuffer(image.data(), image.size()); }

    // Plays the buffer at `index` with the play flags (0 = once).
    bool Play(int index, uint32_t flags);
    // Stops every buffer in list order; true.
    bool StopAll();
    // Stops and releases every buffer and the output; Init may be called again.
    void Destroy();

    size_t BufferCount() const { return buffers_.size(); }
    CSoundBuffer* Buffer(int index);
    // Quiet status: false for an index without a buffer.
    bool IsPlaying(int index) const;

private:
    Messenger& messenger_;
    bool initialised_ = false;
    std::vector<std::unique_ptr<CSoundBuffer>> buffers_;
};

} // namespace vorn
