#pragma once

#include "cli/cli_support.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class IffEditService;
class CObjectCatalogue;
struct ObjectEntry;

// One function per command. `args` are the command's own positional
// arguments (without the command name); the count has been checked by the
// dispatcher. Each returns an exit status.

// `options` of info, list and tree: --json, and for list --long.
int RunInfo(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
int RunList(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
int RunTree(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
// test ARCHIVE: every entry read, and IFF, XA and BMP entries checked.
int RunTestArchive(CliContext& context, const std::vector<std::string>& args);
int RunCat(CliContext& context, const std::vector<std::string>& args);
int RunRemove(CliContext& context, const std::vector<std::string>& args);
int RunMove(CliContext& context, const std::vector<std::string>& args);
int RunRename(CliContext& context, const std::vector<std::string>& args);
// find ARCHIVE PATTERN [--strings]
int RunFind(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
int RunExtract(CliContext& context, const std::vector<std::string>& args);
// add ARCHIVE [--into DIR] [--update] SOURCE...
int RunAdd(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
// sync ARCHIVE FOLDER [--into DIR] [--delete]
int RunSync(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);

int RunXaToWav(CliContext& context, const std::vector<std::string>& args);
// thumbnail INPUT OUTPUT.png SIZE
int RunThumbnail(CliContext& context, const std::vector<std::string>& args);
int RunIffChunks(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
int RunIffObjects(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
// iff show INPUT TYPE:ID, iff strings INPUT [TYPE:ID], iff get INPUT TYPE:ID
// OUTPUT, iff pictures INPUT OUTDIR; --json where the table says so.
int RunIffShow(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
int RunIffStrings(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
int RunIffGet(CliContext& context, const std::vector<std::string>& args);
int RunIffPictures(CliContext& context, const std::vector<std::string>& args);
// A chunk as the iff commands name it: "STR#:300", four characters, a
// colon, an id in decimal or 0x-hex; none for anything else.
struct ChunkName {
    uint32_t type = 0;
    uint16_t id = 0;
};
std::optional<ChunkName> ParseChunkName(std::string_view text);
// Opens an input (a file or ARCHIVE::PATH) in `service`; false with "This
// file is not a valid IFF file!" (or the input's own message) shown.
bool OpenIff(CliContext& context, const std::string& argument, IffEditService& service);
// OpenIff, then false with "This file does not contain objects!" shown when
// the service's catalogue is empty.
bool OpenObjects(CliContext& context, const std::string& argument, IffEditService& service);
// Writes a changed IFF to OUTPUT with the tool's save rules: a file (or
// "-"), or ARCHIVE::PATH, replaced as named outputs are. Returns the exit
// status.
int SaveIffOutput(CliContext& context, IffEditService& service, const std::string& outputArgument);
int RunIffFixColors(CliContext& context, const std::vector<std::string>& args);
// The single object or multi-tile leader whose OBJD chunk id is `chunkId`, or null.
const ObjectEntry* FindDisplayable(const CObjectCatalogue& catalogue, uint16_t chunkId);
// `options` holds the option words in the order given, values included:
// --object, --graphic, --direction, --zoom, --size, --format.
int RunIffRender(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);
// `args` are the inputs and, last, the picture; `options` may hold --object.
int RunIffSheet(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);

} // namespace vorn
