#include "cli/command_table.h"

#include "cli/cli_app.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

namespace vorn {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome RunInProcess(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.status = RunCli(arguments, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

std::vector<std::string> NameWords(const CliCommand& command)
{
    std::vector<std::string> words;
    std::istringstream stream{std::string(command.name)};
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

TEST(CommandTable, SynopsisGivesArgumentCountsAndOptions)
{
    struct Case {
        const char* synopsis;
        size_t minArgs;
        size_t maxArgs;
        std::vector<std::string_view> options;
        std::vector<std::string_view> flags = {};
    };
    const Case cases[] = {
        {"ARCHIVE", 1, 1, {}},
        {"ARCHIVE OLD NEW", 3, 3, {}},
        {"ARCHIVE DEST [PATH...]", 2, kAnyNumber, {}},
        {"ARCHIVE PATH... DESTDIR", 3, kAnyNumber, {}},
        // An option's value is no argument, in brackets or not.
        {"ARCHIVE [--into DIR] SOURCE...", 2, kAnyNumber, {"--into"}},
        {"INPUT OUTPUT --from OUTDIR [--chunk ID]", 2, 2, {"--from", "--chunk"}},
        {"IN [--zoom 1|2|3] [--size WxH]", 1, 1, {"--zoom", "--size"}},
        // A flag closes its brackets at once: the next word is an argument.
        {"IN [--opaque] [OUT]", 1, 2, {"--opaque"}, {"--opaque"}},
        // Brackets nest; what they hold is optional to the last one closed.
        {"A [B [C]] D", 2, 4, {}},
        {"[A] [B...]", 0, kAnyNumber, {}},
        {"", 0, 0, {}},
    };
    for (const Case& c : cases) {
        const CommandShape shape = ShapeOf(c.synopsis);
        EXPECT_EQ(shape.minArgs, c.minArgs) << c.synopsis;
        EXPECT_EQ(shape.maxArgs, c.maxArgs) << c.synopsis;
        EXPECT_EQ(shape.options, c.options) << c.synopsis;
        EXPECT_EQ(shape.flags, c.flags) << c.synopsis;
    }
}

// The completion and the manual page test read the commands from the
// overall usage: the lines indented two spaces under a "... commands"
// heading, "iff chunks" being one command. They must find the table there,
// and nothing else.
TEST(CommandTable, TheUsageListsExactlyTheTablesCommands)
{
    const Outcome help = RunInProcess({"--help"});
    ASSERT_EQ(help.status, 0);
    std::istringstream lines(help.out);
    std::multiset<std::string> listed;
    bool listing = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != ' ') {
            listing = line.find("commands") != std::string::npos;
            continue;
        }
        if (!listing || line.size() < 3 || line.compare(0, 2, "  ") != 0 || !std::islower(line[2]))
            continue;
        std::istringstream words(line);
        std::string first;
        std::string second;
        words >> first >> second;
        listed.insert(IsCommandGroupWord(first) ? first + " " + second : first);
    }
    std::multiset<std::string> table;
    for (const CliCommand& command : CliCommands())
        table.insert(std::string(command.name));
    EXPECT_EQ(listed, table);

    // The completion offers an option's values from "--name VALUE" in the
    // help (a placeholder, or choices of words: "keep|rebuild"); a flag
    // stands alone in its brackets.
    const std::regex optionWithValue("--[a-z][a-z-]* ([A-Z0-9][A-Za-z0-9|]*|[a-z]+(\\|[a-z]+)+)");
    for (const CliCommand& command : CliCommands())
        for (std::string_view option : ShapeOf(command.synopsis).options) {
            const std::string synopsis(command.synopsis);
            if (IsFlagOption(option)) {
                EXPECT_NE(synopsis.find("[" + std::string(option) + "]"), std::string::npos) << command.name;
                continue;
            }
            const size_t at = synopsis.find(std::string(option) + " ");
            ASSERT_NE(at, std::string::npos) << command.name << " " << option;
            EXPECT_TRUE(std::regex_search(synopsis.substr(at), optionWithValue, std::regex_constants::match_continuous))
                << command.name << " " << option;
        }

    // A long synopsis is broken under its own column, the summary after it.
    EXPECT_NE(help.out.find("  iff render     INPUT OUTPUT.png --object CHUNKID [--graphic G] [--direction 0|2|4|6]\n"
                            "                 [--zoom 1|2|3] [--size WxH] [--format 15|16|24|32]   draw an object as "
                            "the preview does\n"),
              std::string::npos)
        << help.out;
    EXPECT_NE(help.out.find("  mv      ARCHIVE PATH... DESTDIR  move"), std::string::npos);
    EXPECT_NE(help.out.find("  add     ARCHIVE [--into DIR] [--update] SOURCE...   files"), std::string::npos);
}

TEST(CommandTable, EveryCommandHasItsHelpAndReachesItsRunner)
{
    testing::TempDir dir;
    for (const CliCommand& command : CliCommands()) {
        const std::vector<std::string> name = NameWords(command);
        std::vector<std::string> helpArguments = name;
        helpArguments.push_back("--help");
        const Outcome help = RunInProcess(helpArguments);
        EXPECT_EQ(help.status, 0) << command.name;
        EXPECT_EQ(help.out, CommandUsage(command) + "\n\n" + std::string(command.help));

        // The fewest arguments the synopsis allows, every one a file that is
        // not there, and its options outside brackets (a number will do for
        // their values): the runner is reached and fails on the input, not on
        // the command line.
        const CommandShape shape = ShapeOf(command.synopsis);
        std::vector<std::string> arguments = name;
        for (size_t i = 0; i < shape.minArgs; ++i)
            arguments.push_back((dir / ("missing" + std::to_string(i))).string());
        const std::string synopsis(command.synopsis);
        for (std::string_view option : shape.options)
            if (synopsis.find("[" + std::string(option)) == std::string::npos) {
                arguments.push_back(std::string(option));
                if (!IsFlagOption(option))
                    arguments.push_back("1");
            }
        const Outcome reached = RunInProcess(arguments);
        EXPECT_EQ(reached.status, 1) << command.name << ": " << reached.err;
        EXPECT_EQ(reached.err.find("Usage:"), std::string::npos) << command.name << ": " << reached.err;

        std::vector<std::string> tooFew(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(
                                                                                    name.size() + shape.minArgs - 1));
        const Outcome few = RunInProcess(tooFew);
        EXPECT_EQ(few.status, 2) << command.name;
        EXPECT_NE(few.err.find("wrong number of arguments for " + std::string(command.name)), std::string::npos);
        if (shape.maxArgs != kAnyNumber) {
            std::vector<std::string> tooMany = arguments;
            for (size_t i = shape.minArgs; i <= shape.maxArgs; ++i)
                tooMany.push_back("extra");
            EXPECT_EQ(RunInProcess(tooMany).status, 2) << command.name;
        }
    }
}

TEST(CommandTable, OptionsAreRefusedByTheCommandsThatDoNotTakeThem)
{
    for (const CliCommand& owner : CliCommands())
        for (std::string_view option : ShapeOf(owner.synopsis).options) {
            const std::string owners = OptionOwners(option);
            EXPECT_NE(owners.find(owner.name.substr(owner.name.rfind(' ') + 1)), std::string::npos) << owners;
            for (const CliCommand& other : CliCommands()) {
                if (TakesOption(other, option))
                    continue;
                std::vector<std::string> arguments = NameWords(other);
                for (size_t i = 0; i < ShapeOf(other.synopsis).minArgs; ++i)
                    arguments.push_back("x");
                arguments.push_back(std::string(option));
                if (!IsFlagOption(option))
                    arguments.push_back("1");
                const Outcome refused = RunInProcess(arguments);
                EXPECT_EQ(refused.status, 2) << other.name << " " << option;
                EXPECT_NE(refused.err.find(std::string(option) + " belongs to " + owners), std::string::npos)
                    << refused.err;
            }
        }
    EXPECT_EQ(OptionOwners("--into"), "the add and sync commands");
    EXPECT_EQ(OptionOwners("--delete"), "the sync command");
    EXPECT_EQ(OptionOwners("--chunk"), "the iff export and import commands");
    EXPECT_EQ(OptionOwners("--from"), "the iff import command");

    // An option given last, without its value, is a usage error of its command.
    const Outcome bare = RunInProcess({"add", "a.far", "source", "--into"});
    EXPECT_EQ(bare.status, 2);
    EXPECT_EQ(bare.err.rfind("vorn-cli: --into needs a value\nUsage: vorn-cli [--quick] [--yes|--no] add ", 0), 0u)
        << bare.err;
    EXPECT_FALSE(std::filesystem::exists("a.far"));
}

} // namespace
} // namespace vorn
