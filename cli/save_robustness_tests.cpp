#include "archive/far_archive.h"
#include "base/file_stream.h"
#include "cli/cli_test_support.h"
#include "testing/archive_contents.h"
#include "testing/far_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <thread>

namespace vorn {
namespace {

using testing::FinishTool;
using testing::MakeFarImage;
using testing::StartTool;
using testing::TempDir;
using testing::WriteFileBytes;

using Contents = testing::ArchiveContents;

// How many runs a loop makes: a few in the ordinary suite, the full count
// when the environment asks for it (bench/save_robustness.sh does).
int Runs(const char* variable, int ordinary)
{
    const char* value = std::getenv(variable);
    return value ? std::max(1, std::atoi(value)) : ordinary;
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteText(const std::filesystem::path& path, const std::string& text)
{
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(SaveRobustness, TwoCreatorsOfOneNewArchiveNeverLoseAFile)
{
    const int runs = Runs("VORN_CREATOR_RUNS", 10);
    int bothAdded = 0;
    int oneRefused = 0;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        TempDir dir;
        std::filesystem::create_directories(dir / "out");
        WriteText(dir / "a.txt", std::string(20000, 'a'));
        WriteText(dir / "b.txt", std::string(20000, 'b'));
        const auto first = StartTool({"add", "out/new.far", "a.txt"}, dir.Path());
        const auto second = StartTool({"add", "out/new.far", "b.txt"}, dir.Path());
        const auto a = FinishTool(first);
        const auto b = FinishTool(second);

        const std::optional<Contents> archive = testing::LoadArchiveContents(dir / "out/new.far");
        ASSERT_TRUE(archive.has_value());
        ASSERT_TRUE(a.status == 0 || b.status == 0) << a.err << b.err;
        // A creator that reported success has its file in the archive; one
        // that did not says why.
        for (const auto& [result, name] : {std::pair{&a, "a.txt"}, std::pair{&b, "b.txt"}}) {
            if (result->status == 0) {
                EXPECT_EQ(archive->count(name), 1u) << name;
            } else {
                EXPECT_EQ(result->status, 1);
                EXPECT_NE(result->err.find("A sharing violation occurred while accessing"), std::string::npos)
                    << result->err;
            }
        }
        EXPECT_EQ(NamesIn(dir / "out"), std::vector<std::string>{"new.far"});
        (a.status == 0 && b.status == 0) ? ++bothAdded : ++oneRefused;
    }
    std::printf("two creators: %d runs, %d with both files added, %d with one refused\n", runs, bothAdded,
                oneRefused);
}

// Kills a save at random moments: the archive must load as it was before or
// as it is after, and nothing may be left beside it.
void KillDuringSaves(bool quick, int runs)
{
    TempDir dir;
    std::vector<testing::FarFixtureFile> files;
    Contents before;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "Objects\\file" + std::to_string(i) + ".bin";
        before[name] = std::string(150000, static_cast<char>('a' + i));
        files.push_back({name, before[name]});
    }
    const std::vector<uint8_t> original = MakeFarImage(files);
    WriteText(dir / "added.bin", std::string(2000000, 'z'));
    Contents after = before;
    after["added.bin"] = std::string(2000000, 'z');
    std::filesystem::create_directories(dir / "out");
    std::vector<std::string> arguments = {"add", "out/one.far", "added.bin"};
    if (quick)
        arguments.insert(arguments.begin(), "--quick");

    // How long one undisturbed save takes sets the range of the kill moments.
    WriteFileBytes(dir / "out/one.far", original);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(FinishTool(StartTool(arguments, dir.Path())).status, 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_EQ(testing::LoadArchiveContents(dir / "out/one.far"), after);

    std::mt19937 random(1234 + quick);
    std::uniform_int_distribution<long> moment(0, took.count() * 6 / 5);
    int killed = 0;
    int leftBehind = 0;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        WriteFileBytes(dir / "out/one.far", original);
        const auto tool = StartTool(arguments, dir.Path());
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(tool.pid, SIGKILL);
        const auto result = FinishTool(tool);
        killed += result.status == 128 + SIGKILL;
        const std::optional<Contents> onDisk = testing::LoadArchiveContents(dir / "out/one.far");
        ASSERT_TRUE(onDisk.has_value());
        EXPECT_TRUE(*onDisk == before || *onDisk == after);
        if (result.status == 0) {
            EXPECT_EQ(*onDisk, after);
        }
        if (NamesIn(dir / "out") != std::vector<std::string>{"one.far"}) {
            // Killed between naming the new file and the rename: the next save
            // in that folder must clear what was left, and lose nothing.
            ++leftBehind;
            ASSERT_EQ(FinishTool(StartTool(arguments, dir.Path())).status, 0);
            ASSERT_EQ(NamesIn(dir / "out"), std::vector<std::string>{"one.far"});
        }
    }
    std::printf("%s save: %d runs, %d killed before the end, %d left a file the next save removed (one save takes "
                "%lld us)\n",
                quick ? "quick" : "full", runs, killed, leftBehind, static_cast<long long>(took.count()));
    EXPECT_GT(killed, 0);
}

TEST(SaveRobustness, AKilledFullSaveLeavesTheOldArchiveOrTheNewOneAndNoDebrisPastTheNextSave)
{
    KillDuringSaves(false, Runs("VORN_KILL_RUNS", 20));
}

TEST(SaveRobustness, AKilledQuickSaveLeavesTheOldArchiveOrTheNewOne)
{
    KillDuringSaves(true, Runs("VORN_KILL_RUNS", 20));
}

} // namespace
} // namespace vorn
