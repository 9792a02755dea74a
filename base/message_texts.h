#pragma once

// Texts of messages that more than one place shows (the editor's viewers and
// previewer, the document, vorn-cli), each defined once.

namespace vorn::texts {

inline constexpr const char* kCantLoadFile = "Can't load file!";
inline constexpr const char* kCantDecompressXa = "Can't decompress XA file!";
inline constexpr const char* kNotIff = "This file is not a valid IFF file!";
inline constexpr const char* kNoObjects = "This file does not contain objects!";
inline constexpr const char* kCantLoadSprite = "Can't load one of the SPR2 resources!";
inline constexpr const char* kCantLoadAll = "File I/O error while trying to load all resources!";
inline constexpr const char* kCantEncodePicture = "Can't encode the picture!";
inline constexpr const char* kFailedToOpenDocument = "Failed to open document.";

} // namespace vorn::texts
