#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

struct CliContext;

// A command's runner gets its positional arguments (the count checked
// against its synopsis) and its options in the order given, each option word
// followed by its value.
using CommandRunner = int (*)(CliContext& context, const std::vector<std::string>& args,
                              const std::vector<std::string>& options);

// The headings the overall usage lists the commands under, in this order.
enum class CommandGroup { Archive, SoundAndObject };

// One vorn-cli command. Usage, help, dispatch, the argument count and the
// options a command accepts all come from here, so a command is added in one
// place.
struct CliCommand {
    CommandGroup group;
    // "info", or a group word and a sub-command: "iff chunks".
    std::string_view name;
    // The arguments as the usage shows them: a word each, "[...]" around what
    // may be left out, "NAME..." for one or more (inside brackets: any
    // number), "--option VALUE" for an option with its value, "[--flag]"
    // for one without.
    std::string_view synopsis;
    // The overall usage's line for it.
    std::string_view summary;
    // `vorn-cli COMMAND --help` after its usage line.
    std::string_view help;
    CommandRunner run;
};

constexpr size_t kAnyNumber = static_cast<size_t>(-1);

// What a synopsis says a command takes.
struct CommandShape {
    size_t minArgs = 0;
    size_t maxArgs = 0; // kAnyNumber: no limit
    std::vector<std::string_view> options; // "--into", in synopsis order
    std::vector<std::string_view> flags;   // those of them without a value: "[--opaque]"
    std::vector<std::string_view> optionValues; // parallel to options: "DIR" for "--into", "" for a flag
    std::vector<std::string_view> words;        // the arguments' words: "ARCHIVE", "PATH" for "[PATH...]"
    size_t repeatedWord = kAnyNumber;           // the index in `words` of the one taking any number
};
CommandShape ShapeOf(std::string_view synopsis);
// The word of the synopsis that argument `index` of `count` given stands for.
std::string_view ArgumentWord(const CommandShape& shape, size_t index, size_t count);

std::span<const CliCommand> CliCommands();
// The command called `name` ("iff chunks"); null when there is none.
const CliCommand* FindCliCommand(std::string_view name);
// True when `word` is the first word of sub-commands ("iff").
bool IsCommandGroupWord(std::string_view word);

// Whether the synopsis of `command` names `option` ("--into"); whether any
// command's does.
bool TakesOption(const CliCommand& command, std::string_view option);
bool AnyCommandTakesOption(std::string_view option);
// Whether `option` is a flag, given without a value.
bool IsFlagOption(std::string_view option);
// The commands that take `option`, for a message: "the add command", "the
// iff export and import commands".
std::string OptionOwners(std::string_view option);

// The texts shown for --help: the overall usage, a command's usage line
// (no line end), a command's own help, and the help of a group word.
std::string UsageText();
std::string CommandUsage(const CliCommand& command);
std::string CommandHelpText(const CliCommand& command);
std::string GroupHelpText(std::string_view word);

} // namespace vorn
