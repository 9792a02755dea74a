#include "cli/command_table.h"

#include "cli/cli_commands.h"
#include "cli/iff_edit_commands.h"
#include "cli/modding_commands.h"

#include <algorithm>

namespace vorn {

namespace {

using Words = std::vector<std::string>;

template <int (*Run)(CliContext&, const Words&)>
int WithoutOptions(CliContext& context, const Words& args, const Words&)
{
    return Run(context, args);
}

constexpr CommandGroup kArchive = CommandGroup::Archive;
constexpr CommandGroup kSoundAndObject = CommandGroup::SoundAndObject;

const CliCommand kCommands[] = {
    {kArchive, "info", "ARCHIVE [--json]", "version, manifest offset, entries, total size, name length width",
     "Prints one line each, a TAB between name and value: version, manifest offset,\n"
     "entries (live entries), total size (sum of the first size fields), name length width (2 or 4).\n"
     "--json prints one JSON object instead: archive, version, manifestOffset, entries, totalSize,\n"
     "nameLengthWidth.\n",
     RunInfo},
    {kArchive, "list", "ARCHIVE [PATH...] [--long] [--json]", "size and full name of every entry, in archive order",
     "Prints one line per entry in archive order: its size, a TAB, its full name as stored.\n"
     "With PATHs (or patterns), only the entries they name and those below the directories they name.\n"
     "--long adds, after the size, the chunk and object counts of IFF entries (\"-\" for others or\n"
     "IFF files that do not parse). --json prints one JSON object instead: archive, and entries,\n"
     "each with name (UTF-8), size and with --long chunks and objects (null when not an IFF file).\n",
     RunList},
    {kArchive, "tree", "ARCHIVE [--json]", "the directory tree, two spaces per level",
     "Prints the directories in the editor's order, one per line, indented two spaces per level.\n"
     "--json prints one JSON object instead: archive, and directories, each with name, path and\n"
     "its own directories.\n",
     RunTree},
    {kArchive, "cat", "ARCHIVE PATH", "an entry's bytes to standard output",
     "Writes the bytes of the entry PATH to standard output; a pattern writes every file it\n"
     "matches, in archive order.\n",
     WithoutOptions<RunCat>},
    {kArchive, "extract", "ARCHIVE DEST [PATH...]", "everything, or the named files and directories, into DEST",
     "Extracts everything, or the named files and directories, into the folder DEST.\n"
     "Each named item lands in DEST under its own name, directories with everything below them.\n"
     "Existing files are replaced only with --yes.\n",
     WithoutOptions<RunExtract>},
    {kArchive, "add", "ARCHIVE [--into DIR] [--update] SOURCE...", "files and folders into DIR (creates ARCHIVE)",
     "Adds files and folders (recursively) into the archive directory DIR (default the root),\n"
     "creating ARCHIVE when it does not exist. A folder whose directory the archive has is added\n"
     "into it. Existing files are replaced only with --yes; with --update those whose bytes differ\n"
     "are replaced and the others left, without asking, and what changed is listed as sync lists it.\n"
     "A SOURCE \".\" (or FOLDER/.) adds what the folder holds; an archive is not created when\n"
     "nothing was found to add.\n",
     RunAdd},
    {kArchive, "sync", "ARCHIVE FOLDER [--into DIR] [--delete]", "make directory DIR hold what FOLDER holds",
     "Makes the archive directory DIR (default the root) hold what the folder FOLDER holds, in one\n"
     "save: files it lacks are added, files whose bytes differ replaced, the others left. With\n"
     "--delete the files below DIR that FOLDER lacks are deleted. Prints a line per change (added,\n"
     "replaced or deleted, a TAB, the entry's name) and a count of each. Creates ARCHIVE when it\n"
     "does not exist.\n",
     RunSync},
    {kArchive, "rm", "ARCHIVE PATH...", "delete files or directories",
     "Deletes files, or directories with everything below them.\n", WithoutOptions<RunRemove>},
    {kArchive, "mv", "ARCHIVE PATH... DESTDIR", "move files or directories into DESTDIR (\"\" for the root)",
     "Moves files or directories into the existing directory DESTDIR (\"\" or \"\\\" for the root).\n",
     WithoutOptions<RunMove>},
    {kArchive, "test", "ARCHIVE", "check that every entry reads and decodes",
     "Reads every entry and checks that IFF entries parse, XA entries decode and BMP entries have\n"
     "a whole BMP header, printing one line per entry (OK or what failed) and a summary, as\n"
     "unzip -t does. The exit status is 1 when any entry failed.\n",
     WithoutOptions<RunTestArchive>},
    {kArchive, "rename", "ARCHIVE OLD NEW", "rename a file or directory within its directory",
     "Renames the file or directory OLD to the name NEW within its directory.\n", WithoutOptions<RunRename>},
    {kArchive, "find", "ARCHIVE PATTERN [--strings]", "entries by name, and with --strings by IFF strings",
     "Prints one line per match, TAB-separated: the entry's path, where it matched (\"name\", or the\n"
     "string table chunk and the string's index, such as \"CTSS 2000 #0\") and the name or the string\n"
     "(escaped as iff show does), directory by directory. A PATTERN with \"\\\" or \"/\" matches whole\n"
     "paths as the PATHs of list do; otherwise it matches names, and one without *, ? or [ finds the\n"
     "names that contain it. --strings also searches every string of the STR#, CTSS and TTAs chunks\n"
     "of the IFF entries: a string matches when it contains PATTERN, or, with *, ? or [, when the\n"
     "pattern matches it whole. Letter case is ignored. The exit status is 1 when nothing matched.\n",
     RunFind},
    {kSoundAndObject, "xa2wav", "INPUT OUTPUT", "decode an XA sound to a WAV file",
     "Decodes the XA sound INPUT (a file or ARCHIVE::PATH) into the WAV file OUTPUT (a file,\n"
     "ARCHIVE::PATH, or \"-\": standard output).\n",
     WithoutOptions<RunXaToWav>},
    {kSoundAndObject, "wav2xa", "INPUT.wav OUTPUT.xa", "encode a PCM or float WAV file as an XA sound",
     "Encodes the WAV file INPUT (8-, 16-, 24- or 32-bit integer or 32- or 64-bit float samples; mono,\n"
     "stereo or up to 255 channels, any rate; a file or ARCHIVE::PATH) as the XA sound OUTPUT (a file,\n"
     "ARCHIVE::PATH, or \"-\": standard output). Samples of other widths than 16 bits are rounded to\n"
     "the nearest 16-bit step and clipped at its range, and the tool says so. Each block of 28\n"
     "samples gets the predictor and shift that come closest to the input.\n",
     WithoutOptions<RunWavToXa>},
    {kSoundAndObject, "thumbnail", "INPUT OUTPUT.png SIZE", "a small picture of an object file, BMP or archive",
     "Writes an RGBA PNG at most SIZE pixels a side (1 to 1024), as file managers ask of a thumbnailer.\n"
     "INPUT is an IFF object file (its first object that draws, graphic 0, direction 0, at the largest\n"
     "zoom that fits, else shrunk; transparent around it), a BMP picture (shrunk to fit, keeping its\n"
     "proportions), a FAR archive or ARCHIVE::DIR (the first .iff or .bmp entry that draws, directory\n"
     "by directory) or ARCHIVE::PATH. A disk file is taken for what its first bytes say it is. Nothing\n"
     "is enlarged. The exit status is 1, with nothing written, when there is nothing to show.\n",
     WithoutOptions<RunThumbnail>},
    {kSoundAndObject, "iff chunks", "INPUT [--json]", "type, id, flags, data size and label of every chunk",
     "Prints one line per chunk in container order: TYPE, ID, 0xFLAGS, data size, label (TAB-separated).\n"
     "--json prints one JSON object instead: input, chunks (each with type, id, flags, size and\n"
     "label) and problem (where the chunks stop making sense, or null).\n",
     RunIffChunks},
    {kSoundAndObject, "iff objects", "INPUT [--json]", "the objects of an IFF file",
     "Prints the displayable objects in catalogue order: chunk id, label, graphics,\n"
     "single or leader, tile count (TAB-separated). --json prints one JSON object instead: input,\n"
     "and objects, each with id, label, graphics, kind (single or leader) and tiles.\n",
     RunIffObjects},
    {kSoundAndObject, "iff show", "INPUT TYPE:ID [--json]", "one chunk as its type reads (STR#:300, OBJD:128, ...)",
     "Prints the chunk TYPE:ID (such as STR#:300 or SPR2:0x100) as its type reads, a TAB between\n"
     "name and value: type, id, flags, label, size, then string tables (STR#, CTSS, TTAs) as their\n"
     "layout and one row per string (index, language, text, comment); OBJD as its 16-bit fields by\n"
     "name (index, name, value, hex); SPR2 as its version, palette and frame headers (frame, index,\n"
     "width, height, flags, palette, transparent index, x, y, bytes); PALT as its 256 colours;\n"
     "DGRP as its images and their sprites; BMP_ as its picture's size; any other type as hex with\n"
     "the bytes as text. Text is Latin-1 shown as UTF-8, with TAB, line ends, \\ and other control\n"
     "characters escaped (\\t, \\n, \\r, \\\\, \\xNN). --json prints one JSON object instead: input, the\n"
     "fields above by name, and strings, fields, frameHeaders, colours, imageList or hex.\n",
     RunIffShow},
    {kSoundAndObject, "iff strings", "INPUT [TYPE:ID] [--json]", "every string of the STR#, CTSS and TTAs chunks",
     "Prints every string of every string table (STR#, CTSS, TTAs), or of the chunk TYPE:ID, one\n"
     "per line: type, id, index, language, text, comment (TAB-separated; Latin-1 shown as UTF-8,\n"
     "escaped as iff show does). The language is the one the table stores (1 = the first), 0 for\n"
     "layouts without one. A table that cannot be read is named and the exit status is 1. --json\n"
     "prints one JSON object instead: input, and tables, each with type, id, label, layout,\n"
     "trailingBytes and strings (index, language, text, comment), or problem.\n",
     RunIffStrings},
    {kSoundAndObject, "iff get", "INPUT TYPE:ID OUTPUT", "one chunk's data bytes",
     "Writes the data bytes of the chunk TYPE:ID (without its header) to OUTPUT (\"-\": standard output).\n",
     WithoutOptions<RunIffGet>},
    {kSoundAndObject, "iff pictures", "INPUT OUTDIR", "every BMP_ picture and every SPR2 frame no object draws",
     "Writes every BMP_ chunk as BMP_<id>.png (8-bit RGB) and every SPR2 frame that no object's\n"
     "draw groups place as SPR2_<id>_<frame>.png (RGBA, as iff export draws it) into the folder\n"
     "OUTDIR. Pictures that cannot be read are named and the exit status is 1.\n",
     WithoutOptions<RunIffPictures>},
    {kSoundAndObject, "iff fixcolors", "INPUT OUTPUT", "switch every sprite frame to its sprite's palette",
     "Gives every sprite frame its sprite's own palette and writes the IFF file to OUTPUT:\n"
     "a file, \"-\", or ARCHIVE::PATH (the entry is replaced or added and the archive saved).\n",
     WithoutOptions<RunIffFixColors>},
    {kSoundAndObject, "iff render",
     "INPUT OUTPUT.png --object CHUNKID [--graphic G] [--direction 0|2|4|6] [--zoom 1|2|3] [--size WxH] "
     "[--format 15|16|24|32]",
     "draw an object as the preview does",
     "Draws the object whose OBJD chunk id is CHUNKID as the preview shows it in a client area of\n"
     "W x H pixels (default 512x384; graphic 0, direction 0, zoom 3, format 32): yellow background,\n"
     "centred, and writes it as an 8-bit RGB PNG. --format picks the pixel layout drawn in (15 and\n"
     "16 bits come out with their channels widened). What cannot be drawn is left out and named\n"
     "(\"Not drawn: sprite 0 frame 0\"); the picture is still written, and the exit status is 1.\n",
     RunIffRender},
    {kSoundAndObject, "iff sheet", "INPUT... OUT.png [--object CHUNKID]", "every object in its 12 views on one picture",
     "Draws every object of every INPUT (or only those whose OBJD chunk id is CHUNKID) into one\n"
     "8-bit RGB PNG, a band per graphic: a title (input, label, OBJD id, graphic), a line naming what\n"
     "could not be drawn, and the 12 views (directions 0, 2, 4, 6 at zooms 1, 2, 3) as the preview\n"
     "draws them, each centred on yellow in a cell of its own size (at most 1024 pixels a side), framed\n"
     "in red when not drawn completely. INPUT is an IFF file, a FAR archive (all its .iff entries),\n"
     "ARCHIVE::DIR (the .iff entries below DIR) or ARCHIVE::PATH. Prints how many objects were drawn\n"
     "completely, partly and not at all; the exit status is 1 when any view was not drawn completely.\n",
     RunIffSheet},
    {kSoundAndObject, "iff export", "INPUT OUTDIR [--chunk ID]", "every SPR2 frame as colour and depth PNGs",
     "Writes every frame of every SPR2 chunk (or of the chunk ID) into the folder OUTDIR as\n"
     "<chunkid>_<frame>.png (RGBA: the palette colour; alpha 255 for opaque pixels, the blend's\n"
     "opacity for blended ones, 0 where nothing is drawn) and <chunkid>_<frame>_depth.png (8-bit\n"
     "grey, 255 where nothing is drawn), plus sprites.json with each sprite's chunk flags and\n"
     "palette id and each frame's size, palette id and header fields. Files already in OUTDIR\n"
     "are replaced only with --yes.\n",
     RunIffExport},
    {kSoundAndObject, "iff import", "INPUT OUTPUT --from OUTDIR [--chunk ID] [--opaque] [--palette keep|rebuild]",
     "the PNGs back into the SPR2 frames",
     "Reads the pictures of OUTDIR back into the SPR2 frames of INPUT (any size up to 65535 x 65535;\n"
     "grey, indexed and 16-bit PNGs are converted), mapping each colour to the nearest colour of\n"
     "the frame's palette (exact colours exactly), and writes the IFF file to OUTPUT: a file, \"-\",\n"
     "or ARCHIVE::PATH. Labels, flags, palette ids and frame header fields come from OUTDIR's\n"
     "sprites.json when there is one (fields left out stay). Frames without a picture keep their\n"
     "pixels; on any error, a sprites.json that cannot be read included, nothing is written.\n"
     "A picture without alpha for a frame with pixels that are not opaque is refused unless\n"
     "--opaque is given (every pixel is then drawn opaque). A missing depth picture and pictures\n"
     "no frame reads are reported. A frame whose pixels are drawn more than 8 off their colour\n"
     "(distance in RGB) gets a warning line with their count and the farthest: the palette lacks\n"
     "those colours. --palette rebuild (rather than keep) builds each palette the pictures are\n"
     "drawn with from them and from the other frames drawn with it (at most 256 colours, chosen by\n"
     "libimagequant when there are more), so a recolour keeps its colours; those frames are drawn\n"
     "again with the new palette.\n",
     RunIffImport},
    {kSoundAndObject, "iff palette-export", "INPUT ID OUTPUT", "a PALT palette as a PNG swatch or a GIMP palette",
     "Writes the 256 colours of the PALT chunk ID (or PALT:ID) to OUTPUT (\"-\": standard output):\n"
     "a GIMP palette when its name ends in .gpl, else a 256 x 256 PNG swatch of 16 x 16 cells,\n"
     "colour 0 top left, row by row.\n",
     WithoutOptions<RunIffPaletteExport>},
    {kSoundAndObject, "iff palette-import", "INPUT OUTPUT ID FILE", "a PNG swatch or a GIMP palette into a PALT",
     "Sets the colours of the PALT chunk ID (or PALT:ID) from FILE (a GIMP palette when its name\n"
     "ends in .gpl, else a PNG swatch of 16 x 16 square cells, each read at its centre) and writes\n"
     "the IFF file to OUTPUT: a file, \"-\", or ARCHIVE::PATH. A palette of fewer than 256 colours\n"
     "sets the first ones, and the others keep theirs. A file that is no palette is refused, naming\n"
     "the line, and nothing is written.\n",
     WithoutOptions<RunIffPaletteImport>},
    {kSoundAndObject, "iff set", "INPUT OUTPUT TYPE:ID NAME=VALUE...", "set OBJD fields by name, or strings",
     "Changes the chunk TYPE:ID and writes the IFF file to OUTPUT: a file, \"-\", or ARCHIVE::PATH.\n"
     "For an OBJD, NAME is a field as iff show names it (\"price\", \"guid\", \"field 23\"; _ for a\n"
     "space), VALUE a number within the field's range (the sub index signed, the GUID in hexadecimal).\n"
     "A multi-tile object's tiles change together for the fields of the whole object (master id,\n"
     "price, sale price, the depreciation fields, catalogue disabled, catalogue strings id, room\n"
     "and function flags). An OBJD too short for the field grows, and says so. For STR#, CTSS and\n"
     "TTAs, N=TEXT sets string N's text, N.comment=TEXT its comment and N.lang=L its language\n"
     "(as iff strings numbers them); N one past the last adds a string. TEXT is UTF-8 with the\n"
     "escapes iff strings shows (\\t, \\n, \\r, \\\\, \\xNN). What the table's layout or Latin-1\n"
     "cannot hold is refused, and nothing is written.\n",
     WithoutOptions<RunIffSet>},
    {kSoundAndObject, "iff put", "INPUT OUTPUT TYPE:ID FILE", "replace one chunk's data bytes from a file",
     "Gives the chunk TYPE:ID the bytes of FILE (a file or ARCHIVE::PATH) as its data, adding the\n"
     "chunk when INPUT has none, and writes the IFF file to OUTPUT. Every other chunk keeps its bytes.\n",
     WithoutOptions<RunIffPut>},
    {kSoundAndObject, "iff rm-chunk", "INPUT OUTPUT TYPE:ID...", "delete chunks",
     "Deletes the chunks TYPE:ID and writes the IFF file to OUTPUT; a chunk INPUT lacks is an error\n"
     "and nothing is written. References to them (an OBJD's draw groups) are not changed.\n",
     WithoutOptions<RunIffRemoveChunks>},
    {kSoundAndObject, "iff clone",
     "INPUT OUTPUT [--name TEXT] [--price N] [--description TEXT] [--guid HEX]", "a new object from an old one",
     "Writes a copy of INPUT to OUTPUT (a file or ARCHIVE::PATH) in which every OBJD has a new random\n"
     "GUID that no OBJD of INPUT, of INPUT's archive or of OUTPUT's archive uses, and prints one line\n"
     "per OBJD: OBJD, its id, the new GUID, its label. --guid gives the first OBJD that GUID instead.\n"
     "--name and --description set the catalogue text (strings 0 and 1 of the CTSS chunk that an\n"
     "OBJD's catalogue strings id names, in every language it holds), --price the price of every\n"
     "OBJD. INPUT stays as it is.\n",
     RunIffClone},
};

struct GroupHeading {
    CommandGroup group;
    std::string_view heading;
};
constexpr GroupHeading kGroups[] = {
    {CommandGroup::Archive, "Archive commands:"},
    {CommandGroup::SoundAndObject, "Sound and object commands (INPUT is a file or ARCHIVE::PATH):"},
};

constexpr std::string_view kUsageLead = "Usage: vorn-cli [--quick] [--yes|--no] ";
constexpr std::string_view kGlobalOptions =
    "Options:\n"
    "  --quick       save changes by appending to the archive instead of rewriting it\n"
    "  --yes, --no   replace, or keep, what a command finds in its way (see Overwriting)\n"
    "  --help        this text, or a command's own (vorn-cli COMMAND --help)\n"
    "\n"
    "A command's options take their value as --option VALUE or --option=VALUE, numbers in\n"
    "decimal or 0x-hex (--chunk 0x101).\n"
    "Archive paths use \"\\\" or \"/\" between directories. OUTPUT \"-\" is standard output. An ARCHIVE\n"
    "or INPUT \"-\" is read from standard input (\"-::PATH\": an entry of the archive it gives); commands\n"
    "that change an archive need its file.\n"
    "The PATHs of extract, cat, rm, mv and list may be shell-style patterns, quoted from the shell:\n"
    "* and ? within a name, [a-z] a set, ** any number of directories ('Objects/*.iff',\n"
    "'**/thief.iff'); letter case is ignored, and a pattern that matches nothing is an error.\n"
    "Archive names are Latin-1, printed and typed in the locale's encoding (UTF-8; --json always).\n"
    "Overwriting: an OUTPUT (a file or ARCHIVE::PATH) is replaced, as a shell redirection replaces\n"
    "a file. Files and entries a command finds in its way (extract in DEST, add in ARCHIVE, iff\n"
    "export in OUTDIR) are replaced only with --yes and kept with --no; without either none is\n"
    "replaced, one line names them and the exit status is 1.\n"
    "Exit status: 0 success, 1 failure (standard output that cannot be written included), 2 usage error.\n";

// The overall usage's columns: the synopsis after the name (further right
// for sub-commands), the summary after the synopsis, lines of a long
// synopsis broken before a word that would end past kLineWidth.
constexpr size_t kSynopsisColumn = 10;
constexpr size_t kSubCommandSynopsisColumn = 17;
constexpr size_t kSummaryColumn = 35;
constexpr size_t kLineWidth = 90;

std::vector<std::string_view> SplitWords(std::string_view text)
{
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// True when `command` is a sub-command of the group word `word`.
bool InGroup(const CliCommand& command, std::string_view word)
{
    return command.name.size() > word.size() && command.name.starts_with(word) && command.name[word.size()] == ' ';
}

void PadTo(std::string& line, size_t column)
{
    if (line.size() < column)
        line.append(column - line.size(), ' ');
}

std::string OverviewLines(const CliCommand& command)
{
    const size_t column =
        command.name.find(' ') == std::string_view::npos ? kSynopsisColumn : kSubCommandSynopsisColumn;
    std::string text;
    std::string line = "  ";
    line += command.name;
    line += ' ';
    PadTo(line, column);
    bool lineHasWords = false;
    // An option stays on one line with its value ("[--zoom 1|2|3]"), which
    // the completion reads from this text.
    std::vector<std::string> words;
    bool inOption = false;
    for (std::string_view word : SplitWords(command.synopsis)) {
        if (inOption)
            words.back() += " " + std::string(word);
        else
            words.emplace_back(word);
        inOption = word.starts_with("[--") ? !word.ends_with(']') : inOption && !word.ends_with(']');
    }
    for (const std::string& word : words) {
        if (lineHasWords && line.size() + 1 + word.size() > kLineWidth) {
            text += line + '\n';
            line.assign(column, ' ');
            lineHasWords = false;
        }
        if (lineHasWords)
            line += ' ';
        line += word;
        lineHasWords = true;
    }
    // Two spaces at the least between synopsis and summary; past the
    // summary's column, three, so the summary still stands apart.
    if (line.size() + 2 <= kSummaryColumn)
        PadTo(line, kSummaryColumn);
    else
        line += "   ";
    line += command.summary;
    return text + line + '\n';
}

} // namespace

CommandShape ShapeOf(std::string_view synopsis)
{
    CommandShape shape;
    int depth = 0; // inside how many brackets
    bool optionValueNext = false;
    for (std::string_view word : SplitWords(synopsis)) {
        while (word.starts_with('[')) {
            ++depth;
            word.remove_prefix(1);
        }
        int closing = 0;
        while (word.ends_with(']')) {
            ++closing;
            word.remove_suffix(1);
        }
        if (optionValueNext) {
            optionValueNext = false;
            shape.optionValues.back() = word;
        } else if (word.starts_with("--")) {
            shape.options.push_back(word);
            shape.optionValues.emplace_back();
            if (closing > 0)
                shape.flags.push_back(word);
            else
                optionValueNext = true;
        } else if (!word.empty()) {
            const bool repeated = word.ends_with("...");
            if (repeated)
                shape.repeatedWord = shape.words.size();
            shape.words.push_back(repeated ? word.substr(0, word.size() - 3) : word);
            if (depth == 0)
                ++shape.minArgs;
            if (repeated)
                shape.maxArgs = kAnyNumber;
            else if (shape.maxArgs != kAnyNumber)
                ++shape.maxArgs;
        }
        depth -= closing;
    }
    return shape;
}

std::string_view ArgumentWord(const CommandShape& shape, size_t index, size_t count)
{
    const size_t words = shape.words.size();
    if (shape.repeatedWord == kAnyNumber)
        return index < words ? shape.words[index] : std::string_view();
    // Words after the repeated one take the last arguments.
    const size_t after = words - shape.repeatedWord - 1;
    if (index < shape.repeatedWord)
        return shape.words[index];
    if (count >= after && index >= count - after && index < count)
        return shape.words[words - (count - index)];
    return shape.words[shape.repeatedWord];
}

std::span<const CliCommand> CliCommands() { return kCommands; }

const CliCommand* FindCliCommand(std::string_view name)
{
    for (const CliCommand& command : kCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

bool IsCommandGroupWord(std::string_view word)
{
    for (const CliCommand& command : kCommands)
        if (InGroup(command, word))
            return true;
    return false;
}

bool TakesOption(const CliCommand& command, std::string_view option)
{
    const std::vector<std::string_view> options = ShapeOf(command.synopsis).options;
    return std::find(options.begin(), options.end(), option) != options.end();
}

bool AnyCommandTakesOption(std::string_view option)
{
    for (const CliCommand& command : kCommands)
        if (TakesOption(command, option))
            return true;
    return false;
}

bool IsFlagOption(std::string_view option)
{
    for (const CliCommand& command : kCommands) {
        const std::vector<std::string_view> flags = ShapeOf(command.synopsis).flags;
        if (std::find(flags.begin(), flags.end(), option) != flags.end())
            return true;
    }
    return false;
}

std::string OptionOwners(std::string_view option)
{
    std::vector<const CliCommand*> owners;
    for (const CliCommand& command : kCommands)
        if (TakesOption(command, option))
            owners.push_back(&command);
    if (owners.empty())
        return "no command";
    // Sub-commands of one group word name it once.
    const std::string_view first = owners.front()->name;
    std::string_view group = first.substr(0, first.find(' '));
    for (const CliCommand* owner : owners)
        if (!InGroup(*owner, group))
            group = {};
    std::string text = "the ";
    if (!group.empty()) {
        text += group;
        text += ' ';
    }
    for (size_t i = 0; i < owners.size(); ++i) {
        if (i > 0)
            text += i + 1 == owners.size() ? " and " : ", ";
        text += group.empty() ? owners[i]->name : owners[i]->name.substr(group.size() + 1);
    }
    return text + (owners.size() == 1 ? " command" : " commands");
}

std::string UsageText()
{
    std::string text(kUsageLead);
    text += "COMMAND ARGS...\n";
    for (const GroupHeading& group : kGroups) {
        text += '\n';
        text += group.heading;
        text += '\n';
        for (const CliCommand& command : kCommands)
            if (command.group == group.group)
                text += OverviewLines(command);
    }
    text += '\n';
    text += kGlobalOptions;
    return text;
}

std::string CommandUsage(const CliCommand& command)
{
    std::string text(kUsageLead);
    text += command.name;
    text += ' ';
    text += command.synopsis;
    return text;
}

std::string CommandHelpText(const CliCommand& command)
{
    return CommandUsage(command) + "\n\n" + std::string(command.help);
}

std::string GroupHelpText(std::string_view word)
{
    std::string subCommands;
    std::string lines;
    for (const CliCommand& command : kCommands) {
        if (!InGroup(command, word))
            continue;
        if (!subCommands.empty())
            subCommands += '|';
        subCommands += command.name.substr(word.size() + 1);
        lines += "  vorn-cli ";
        lines += command.name;
        lines += ' ';
        lines += command.synopsis;
        lines += '\n';
    }
    return "Usage: vorn-cli " + std::string(word) + ' ' + subCommands + " INPUT [OUTPUT]\n\n" + lines;
}

} // namespace vorn
