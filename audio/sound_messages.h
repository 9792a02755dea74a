#pragma once

#include "base/messenger.h"

namespace vorn {

// The sound layer reports its own failures where they happen, in plain
// application message boxes: the application's title, the exclamation icon
// such a box gets, one OK button; each text begins "Error - DS - ".
namespace sound_text {
inline constexpr const char* kCaption = "Vorn";
inline constexpr const char* kCreate = "Error - DS - Create\nAudio cannot be used";
inline constexpr const char* kCooperativeLevel = "Error - DS - SetCooperativeLevel";
inline constexpr const char* kNotInitialized = "Error - DS - Audio not initialized";
inline constexpr const char* kCreateBuffer = "Error - DS - CreateSoundBuffer";
inline constexpr const char* kReadingData = "Error - DS - Reading Data";
inline constexpr const char* kGetStatus = "Error - DS - GetStatus";
inline constexpr const char* kPlay = "Error - DS - Play";
inline constexpr const char* kStop = "Error - DS - Stop";
inline constexpr const char* kInvalidIndex = "Error - DS - Invalid buffer selection index";
} // namespace sound_text

inline void ShowSoundError(Messenger& messenger, const char* text)
{
    messenger.Show(Message{text, sound_text::kCaption, MessageIcon::Warning, MessageButtons::Ok});
}

} // namespace vorn
