#include "cli/cli_app.h"

#include "base/absolute_path.h"
#include "cli/cli_support.h"
#include "cli/command_table.h"
#include "cli/terminal_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

namespace vorn {

namespace {

int UsageError(std::ostream& err, std::string_view problem, const CliCommand* command)
{
    err << "vorn-cli: " << problem << '\n';
    if (command != nullptr)
        err << CommandUsage(*command) << '\n';
    else
        err << "Run \"vorn-cli --help\" for the commands.\n";
    return kExitUsage;
}

// Typed archive names and patterns become archive bytes: the arguments the
// synopsis calls PATH, OLD, NEW, DESTDIR or PATTERN, the value of an option called
// DIR, and the PATH of an INPUT or OUTPUT given as ARCHIVE::PATH. False with
// `problem` set when one holds a character archive names cannot.
bool TypedNamesToArchiveBytes(const TerminalText& terminal, const CommandShape& shape, std::vector<std::string>& args,
                              std::vector<std::string>& options, std::string& problem)
{
    const auto isName = [](std::string_view word) {
        return word == "PATH" || word == "OLD" || word == "NEW" || word == "DESTDIR" || word == "DIR" ||
               word == "PATTERN";
    };
    const auto convert = [&](std::string& text, size_t from) {
        std::optional<std::string> bytes = terminal.ArchiveName(std::string_view(text).substr(from), problem);
        if (bytes)
            text.replace(from, std::string::npos, *bytes);
        return bytes.has_value();
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view word = ArgumentWord(shape, i, args.size());
        const bool entry = (word.starts_with("INPUT") || word == "OUTPUT" || word == "OUTPUT.xa") &&
                           ParseEntryInput(args[i]).entry;
        if ((isName(word) && !convert(args[i], 0)) || (entry && !convert(args[i], args[i].find("::") + 2)))
            return false;
    }
    for (size_t i = 0; i + 1 < options.size(); i += 2) {
        const auto at = std::find(shape.options.begin(), shape.options.end(), options[i]);
        if (at != shape.options.end() && isName(shape.optionValues[static_cast<size_t>(at - shape.options.begin())]) &&
            !convert(options[i + 1], 0))
            return false;
    }
    return true;
}

int Dispatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    bool quick = false;
    bool help = false;
    std::optional<QuestionPolicy> policy;
    std::vector<std::string> positional;
    // The commands' own options, each word followed by its value (empty for
    // a flag; the last word given may lack one).
    std::vector<std::string> options;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        // "-" and "-::PATH" name standard input.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg.starts_with("-::")) {
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
        } else if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos &&
                                                        AnyCommandTakesOption(arg.substr(0, equals))) {
            // "--option=value", as GNU tools take it.
            if (IsFlagOption(arg.substr(0, equals)))
                return UsageError(err, arg.substr(0, equals) + " takes no value", nullptr);
            options.push_back(arg.substr(0, equals));
            options.push_back(arg.substr(equals + 1));
        } else if (AnyCommandTakesOption(arg)) {
            options.push_back(arg);
            if (IsFlagOption(arg))
                options.emplace_back();
            else if (i + 1 < arguments.size())
                options.push_back(arguments[++i]);
        } else {
            return UsageError(err, "unknown option " + arg, nullptr);
        }
    }

    if (positional.empty()) {
        (help ? out : err) << UsageText();
        return help ? kExitSuccess : kExitUsage;
    }
    std::string name = positional.front();
    size_t consumed = 1;
    if (name == "help") {
        out << UsageText();
        return kExitSuccess;
    }
    if (IsCommandGroupWord(name)) {
        if (positional.size() < 2) {
            (help ? out : err) << GroupHelpText(name);
            return help ? kExitSuccess : kExitUsage;
        }
        name += " " + positional[1];
        consumed = 2;
    }
    const CliCommand* command = FindCliCommand(name);
    if (command == nullptr)
        return UsageError(err, "unknown command " + name, nullptr);
    if (help) {
        out << CommandHelpText(*command);
        return kExitSuccess;
    }
    std::vector<std::string> args(positional.begin() + static_cast<std::ptrdiff_t>(consumed), positional.end());
    const CommandShape shape = ShapeOf(command->synopsis);
    if (args.size() < shape.minArgs || args.size() > shape.maxArgs)
        return UsageError(err, "wrong number of arguments for " + name, command);
    for (size_t i = 0; i < options.size(); i += 2) {
        if (!TakesOption(*command, options[i]))
            return UsageError(err, options[i] + " belongs to " + OptionOwners(options[i]), command);
        if (i + 1 == options.size())
            return UsageError(err, options[i] + " needs a value", command);
    }

    const TerminalText terminal = TerminalText::FromLocale();
    std::string problem;
    if (!TypedNamesToArchiveBytes(terminal, shape, args, options, problem)) {
        err << "vorn-cli: " << problem << '\n';
        return kExitFailure;
    }
    ConsoleMessenger messenger(err, policy.value_or(QuestionPolicy::Refuse), terminal);
    // Every command's first argument is its ARCHIVE or INPUT.
    if (!args.empty()) {
        const EntryInput subject = ParseEntryInput(args[0]);
        messenger.SetSubject(args[0], subject.entry ? std::string() : AbsolutePath(subject.file).string());
    }
    CliContext context{out, err, messenger, quick};
    const int status = command->run(context, args, options);
    messenger.ReportRefusals();
    return status;
}

} // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    int status = Dispatch(arguments, out, err);
    // Every command's data, help included, ends here: a full disk or a closed
    // pipe must not pass for success.
    errno = 0;
    out.flush();
    if (!out) {
        const int code = errno;
        err << "vorn-cli: can't write to standard output" << (code != 0 ? std::string(": ") + std::strerror(code) : "")
            << '\n';
        status = std::max(status, kExitFailure);
    }
    return status;
}

} // namespace vorn
