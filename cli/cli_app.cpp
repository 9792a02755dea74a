#include "cli/cli_app.h"

#include "cli/cli_commands.h"
#include "cli/modding_commands.h"

#include <functional>
#include <optional>
#include <string_view>

namespace vorn {

namespace {

constexpr const char* kUsage =
    "Usage: vorn-cli [--quick] [--yes|--no] COMMAND ARGS...\n"
    "\n"
    "Archive commands:\n"
    "  info    ARCHIVE                  version, manifest offset, entries, total size, name length width\n"
    "  list    ARCHIVE                  size and full name of every entry, in archive order\n"
    "  tree    ARCHIVE                  the directory tree, two spaces per level\n"
    "  cat     ARCHIVE PATH             an entry's bytes to standard output\n"
    "  extract ARCHIVE DEST [PATH...]   everything, or the named files and directories, into DEST\n"
    "  add     ARCHIVE [--into DIR] SOURCE...   files and folders into DIR (creates ARCHIVE)\n"
    "  rm      ARCHIVE PATH...          delete files or directories\n"
    "  mv      ARCHIVE PATH... DESTDIR  move files or directories into DESTDIR (\"\" for the root)\n"
    "  rename  ARCHIVE OLD NEW          rename a file or directory within its directory\n"
    "\n"
    "Sound and object commands (INPUT is a file or ARCHIVE::PATH):\n"
    "  xa2wav  INPUT OUTPUT             decode an XA sound to a WAV file\n"
    "  wav2xa  INPUT.wav OUTPUT.xa      encode a 16-bit PCM WAV file as an XA sound\n"
    "  iff chunks     INPUT             type, id, flags, data size and label of every chunk\n"
    "  iff objects    INPUT             the objects of an IFF file\n"
    "  iff fixcolors  INPUT OUTPUT      switch every sprite frame to its sprite's palette\n"
    "  iff render     INPUT OUTPUT.png --object CHUNKID [--graphic G] [--direction 0|2|4|6]\n"
    "                 [--zoom 1|2|3] [--size WxH] [--format 15|16|24|32]   draw an object as the preview does\n"
    "  iff export     INPUT OUTDIR [--chunk ID]   every SPR2 frame as colour and depth PNGs\n"
    "  iff import     INPUT OUTPUT --from OUTDIR [--chunk ID]   the PNGs back into the SPR2 frames\n"
    "\n"
    "Options:\n"
    "  --quick       save changes by appending to the archive instead of rewriting it\n"
    "  --yes, --no   answer overwrite questions; without either nothing is overwritten\n"
    "  --help        this text, or a command's own (vorn-cli COMMAND --help)\n"
    "\n"
    "Archive paths use \"\\\" or \"/\" between directories. OUTPUT \"-\" is standard output.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

struct CommandInfo {
    std::string_view name;
    size_t minArgs;
    size_t maxArgs; // SIZE_MAX: any number
    std::string_view usage;
    std::string_view help;
};

constexpr size_t kMany = static_cast<size_t>(-1);

const CommandInfo kCommands[] = {
    {"info", 1, 1, "info ARCHIVE",
     "Prints one line each, a TAB between name and value: version, manifest offset,\n"
     "entries (live entries), total size (sum of the first size fields), name length width (2 or 4).\n"},
    {"list", 1, 1, "list ARCHIVE",
     "Prints one line per entry in archive order: its size, a TAB, its full name as stored.\n"},
    {"tree", 1, 1, "tree ARCHIVE",
     "Prints the directories in the editor's order, one per line, indented two spaces per level.\n"},
    {"cat", 2, 2, "cat ARCHIVE PATH", "Writes the bytes of the entry PATH to standard output.\n"},
    {"extract", 2, kMany, "extract ARCHIVE DEST [PATH...]",
     "Extracts everything, or the named files and directories, into the folder DEST.\n"
     "Each named item lands in DEST under its own name, directories with everything below them.\n"
     "Existing files are replaced only with --yes.\n"},
    {"add", 2, kMany, "add ARCHIVE [--into DIR] SOURCE...",
     "Adds files and folders (recursively) into the archive directory DIR (default the root),\n"
     "creating ARCHIVE when it does not exist. Existing files are replaced only with --yes;\n"
     "a folder whose directory already exists in the archive is refused.\n"},
    {"rm", 2, kMany, "rm ARCHIVE PATH...", "Deletes files, or directories with everything below them.\n"},
    {"mv", 3, kMany, "mv ARCHIVE PATH... DESTDIR",
     "Moves files or directories into the existing directory DESTDIR (\"\" or \"\\\" for the root).\n"},
    {"rename", 3, 3, "rename ARCHIVE OLD NEW",
     "Renames the file or directory OLD to the name NEW within its directory.\n"},
    {"xa2wav", 2, 2, "xa2wav INPUT OUTPUT",
     "Decodes the XA sound INPUT (a file or ARCHIVE::PATH) into the WAV file OUTPUT (\"-\": standard output).\n"},
    {"wav2xa", 2, 2, "wav2xa INPUT.wav OUTPUT.xa",
     "Encodes the 16-bit PCM WAV file INPUT (mono, stereo or up to 255 channels, any rate; a file or\n"
     "ARCHIVE::PATH) as the XA sound OUTPUT (\"-\": standard output). Each block of 28 samples gets\n"
     "the predictor and shift that come closest to the input.\n"},
    {"iff chunks", 1, 1, "iff chunks INPUT",
     "Prints one line per chunk in container order: TYPE, ID, 0xFLAGS, data size, label (TAB-separated).\n"},
    {"iff objects", 1, 1, "iff objects INPUT",
     "Prints the displayable objects in catalogue order: chunk id, label, graphics,\n"
     "single or leader, tile count (TAB-separated).\n"},
    {"iff fixcolors", 2, 2, "iff fixcolors INPUT OUTPUT",
     "Gives every sprite frame its sprite's own palette and writes the IFF file to OUTPUT:\n"
     "a file, \"-\", or ARCHIVE::PATH (the entry is replaced or added and the archive saved).\n"},
    {"iff render", 2, 2,
     "iff render INPUT OUTPUT.png --object CHUNKID [--graphic G] [--direction 0|2|4|6] [--zoom 1|2|3] "
     "[--size WxH] [--format 15|16|24|32]",
     "Draws the object whose OBJD chunk id is CHUNKID as the preview shows it in a client area of\n"
     "W x H pixels (default 512x384; graphic 0, direction 0, zoom 3, format 32): yellow background,\n"
     "centred, and writes it as an 8-bit RGB PNG. --format picks the pixel layout drawn in (15 and\n"
     "16 bits come out with their channels widened). A drawing that fails part-way is still written,\n"
     "and the exit status is 1.\n"},
    {"iff export", 2, 2, "iff export INPUT OUTDIR [--chunk ID]",
     "Writes every frame of every SPR2 chunk (or of the chunk ID) into the folder OUTDIR as\n"
     "<chunkid>_<frame>.png (RGBA: the palette colour; alpha 255 for opaque pixels, the blend's\n"
     "opacity for blended ones, 0 where nothing is drawn) and <chunkid>_<frame>_depth.png (8-bit\n"
     "grey, 255 where nothing is drawn), plus sprites.json with each sprite's chunk flags and\n"
     "palette id and each frame's size, palette id and header fields.\n"},
    {"iff import", 2, 2, "iff import INPUT OUTPUT --from OUTDIR [--chunk ID]",
     "Reads the pictures of OUTDIR back into the SPR2 frames of INPUT (any size up to 65535 x 65535;\n"
     "grey, indexed and 16-bit PNGs are converted), mapping each colour to the nearest colour of\n"
     "the frame's palette (exact colours exactly), and writes the IFF file to OUTPUT: a file, \"-\",\n"
     "or ARCHIVE::PATH. Frames without a picture stay as they are; on any error nothing is written.\n"},
};

const CommandInfo* FindCommand(std::string_view name)
{
    for (const CommandInfo& command : kCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

int UsageError(std::ostream& err, std::string_view problem, const CommandInfo* command)
{
    err << "vorn-cli: " << problem << '\n';
    if (command != nullptr)
        err << "Usage: vorn-cli [--quick] [--yes|--no] " << command->usage << '\n';
    else
        err << "Run \"vorn-cli --help\" for the commands.\n";
    return kExitUsage;
}

void PrintIffHelp(std::ostream& out)
{
    out << "Usage: vorn-cli iff chunks|objects|fixcolors|render|export|import INPUT [OUTPUT]\n\n";
    for (const CommandInfo& command : kCommands)
        if (command.name.starts_with("iff "))
            out << "  vorn-cli " << command.usage << '\n';
}

} // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    bool quick = false;
    bool help = false;
    std::optional<QuestionPolicy> policy;
    std::optional<std::string> into;
    std::vector<std::string> positional;
    std::vector<std::string> renderOptions;
    std::vector<std::string> spriteOptions;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--quick") {
            quick = true;
        } else if (arg == "--yes" || arg == "--no") {
            const QuestionPolicy asked = arg == "--yes" ? QuestionPolicy::Yes : QuestionPolicy::No;
            if (policy && *policy != asked)
                return UsageError(err, "--yes and --no exclude each other", nullptr);
            policy = asked;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--into") {
            if (i + 1 == arguments.size())
                return UsageError(err, "--into needs a directory", FindCommand("add"));
            into = arguments[++i];
        } else if (IsSpriteOption(arg)) {
            spriteOptions.push_back(arg);
            if (i + 1 < arguments.size())
                spriteOptions.push_back(arguments[++i]);
        } else if (IsRenderOption(arg)) {
            renderOptions.push_back(arg);
            if (i + 1 < arguments.size())
                renderOptions.push_back(arguments[++i]);
        } else {
            return UsageError(err, "unknown option " + arg, nullptr);
        }
    }

    if (positional.empty()) {
        if (help) {
            out << kUsage;
            return kExitSuccess;
        }
        err << kUsage;
        return kExitUsage;
    }
    std::string name = positional.front();
    size_t consumed = 1;
    if (name == "help") {
        out << kUsage;
        return kExitSuccess;
    }
    if (name == "iff") {
        if (positional.size() < 2) {
            PrintIffHelp(help ? out : err);
            return help ? kExitSuccess : kExitUsage;
        }
        name += " " + positional[1];
        consumed = 2;
    }
    const CommandInfo* command = FindCommand(name);
    if (command == nullptr)
        return UsageError(err, "unknown command " + name, nullptr);
    if (help) {
        out << "Usage: vorn-cli [--quick] [--yes|--no] " << command->usage << "\n\n" << command->help;
        return kExitSuccess;
    }
    const std::vector<std::string> args(positional.begin() + static_cast<std::ptrdiff_t>(consumed), positional.end());
    if (args.size() < command->minArgs || args.size() > command->maxArgs)
        return UsageError(err, "wrong number of arguments for " + name, command);
    if (into && name != "add")
        return UsageError(err, "--into belongs to the add command", command);
    if (!renderOptions.empty() && name != "iff render")
        return UsageError(err, renderOptions.front() + " belongs to the iff render command", command);
    if (!spriteOptions.empty() && name != "iff export" && name != "iff import")
        return UsageError(err, spriteOptions.front() + " belongs to the iff export and import commands", command);

    CConsoleMessenger messenger(err, policy.value_or(QuestionPolicy::Refuse));
    CliContext context{out, err, messenger, quick};
    using Runner = std::function<int(CliContext&, const std::vector<std::string>&)>;
    const std::pair<std::string_view, Runner> runners[] = {
        {"info", RunInfo},
        {"list", RunList},
        {"tree", RunTree},
        {"cat", RunCat},
        {"extract", RunExtract},
        {"add", [&](CliContext& c, const std::vector<std::string>& a) { return RunAdd(c, a, into.value_or("")); }},
        {"rm", RunRemove},
        {"mv", RunMove},
        {"rename", RunRename},
        {"xa2wav", RunXaToWav},
        {"wav2xa", RunWavToXa},
        {"iff chunks", RunIffChunks},
        {"iff objects", RunIffObjects},
        {"iff fixcolors", RunIffFixColors},
        {"iff export", [&](CliContext& c, const std::vector<std::string>& a) { return RunIffExport(c, a, spriteOptions); }},
        {"iff import", [&](CliContext& c, const std::vector<std::string>& a) { return RunIffImport(c, a, spriteOptions); }},
        {"iff render", [&](CliContext& c, const std::vector<std::string>& a) { return RunIffRender(c, a, renderOptions); }},
    };
    for (const auto& [runnerName, run] : runners)
        if (runnerName == name)
            return run(context, args);
    return kExitUsage;
}

} // namespace vorn
