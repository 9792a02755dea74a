#pragma once

#include "cli/cli_support.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The modding round trip: sprites out to PNG files and back, WAV to XA.

// wav2xa INPUT.wav OUTPUT.xa
int RunWavToXa(CliContext& context, const std::vector<std::string>& args);

// iff export INPUT OUTDIR [--chunk ID]; `options` holds the option words and values.
int RunIffExport(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
// iff import INPUT OUTPUT --from OUTDIR [--chunk ID] [--opaque] [--palette keep|rebuild]
int RunIffImport(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
// iff palette-export INPUT ID OUTPUT (.gpl: a GIMP palette, else a PNG swatch)
int RunIffPaletteExport(CliContext& context, const std::vector<std::string>& args);
// iff palette-import INPUT OUTPUT ID FILE
int RunIffPaletteImport(CliContext& context, const std::vector<std::string>& args);

} // namespace vorn
