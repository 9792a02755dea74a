#include "archive/far_archive.h"
#include "base/fault_point.h"
#include "base/file_replacement.h"
#include "base/file_stream.h"
#include "cli/cli_app.h"
#include "cli/cli_test_support.h"
#include "testing/archive_contents.h"
#include "testing/far_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
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

// ---- two writers of one archive -------------------------------------------

// The second writer has opened the archive and not yet locked it when the
// fault point runs the first writer's whole command: the first renames its
// new file over the name, so the second holds the replaced file unless it
// looks again after its lock.
struct Race {
    std::vector<std::string> first;
    bool ran = false;
    int firstStatus = -1;
    std::string firstErr;
};
Race race;

bool RunTheFirstWriterBeforeTheLock(FaultPoint point)
{
    if (point != FaultPoint::Lock || race.ran)
        return false;
    race.ran = true;
    std::ostringstream out, err;
    race.firstStatus = RunCli(race.first, out, err);
    race.firstErr = err.str();
    return false;
}

TEST(SaveRobustness, TwoWritersOfOneArchiveBothKeepTheirChange)
{
    TempDir dir;
    const std::string archive = (dir / "A.far").string();
    WriteText(dir / "a.txt", "from the first");
    WriteText(dir / "b.txt", "from the second");
    const Contents before = {{"old.txt", "old"}};
    Contents after = before;
    after["a.txt"] = "from the first";
    after["b.txt"] = "from the second";
    for (const bool firstQuick : {false, true}) {
        for (const bool secondQuick : {false, true}) {
            SCOPED_TRACE(std::string(firstQuick ? "quick" : "full") + " first, " + (secondQuick ? "quick" : "full") +
                         " second");
            WriteFileBytes(archive, MakeFarImage({{"old.txt", "old"}}));
            race = Race{};
            race.first = {"add", archive, (dir / "a.txt").string()};
            std::vector<std::string> second = {"add", archive, (dir / "b.txt").string()};
            if (firstQuick)
                race.first.insert(race.first.begin(), "--quick");
            if (secondQuick)
                second.insert(second.begin(), "--quick");
            std::ostringstream out, err;
            SetFaultHook(RunTheFirstWriterBeforeTheLock);
            const int secondStatus = RunCli(second, out, err);
            SetFaultHook(nullptr);
            ASSERT_TRUE(race.ran);
            EXPECT_EQ(race.firstStatus, 0) << race.firstErr;
            EXPECT_EQ(secondStatus, 0) << err.str();
            EXPECT_EQ(testing::LoadArchiveContents(archive), after);
            EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{"A.far", "a.txt", "b.txt"}));
        }
    }
}

// ---- a save killed at its rename ---------------------------------------------

bool namedNewFiles = false;

bool KillAtTheRename(FaultPoint point)
{
    if (point == FaultPoint::Rename)
        ::kill(::getpid(), SIGKILL);
    return point == FaultPoint::UnnamedCreate && namedNewFiles;
}

// The files of the temporary shape in `folder`, other than the user's own.
size_t TemporariesIn(const std::filesystem::path& folder, const std::map<std::string, std::string>& userFiles)
{
    size_t count = 0;
    for (const std::string& name : NamesIn(folder))
        count += IsTemporaryName(name) && !userFiles.contains(name);
    return count;
}

TEST(SaveRobustness, ASaveKilledAtItsRenameLeavesNothingPastTheNextWriterAndNoUserFileGoes)
{
    const int runs = Runs("VORN_RENAME_KILL_RUNS", 20);
    TempDir dir;
    std::filesystem::create_directories(dir / "out");
    const std::string archive = (dir / "out/one.far").string();
    WriteText(dir / "added.bin", std::string(100000, 'z'));
    // A user's own files beside the archive, some of them in the shapes a
    // careless clean-up would take: the old temporary pattern, archive bytes,
    // the new pattern with other contents.
    const std::map<std::string, std::string> userFiles = {
        {".vorn-notes1", "my notes"},
        {".vorn-Abc123", "FAR!byAZ a copy I keep"},
        {".vorn-save-1-notes1notes1.tmp", "not an archive"},
        {".vorn-save-77-Abc123Def456.tmp~", "FAR!byAZ backup"},
        {"keep.far", "FAR!byAZ"}};
    const Contents before = {{"old.txt", "old"}};
    Contents after = before;
    after["added.bin"] = std::string(100000, 'z');

    int killed = 0;
    int leftByKill = 0;
    int leftAfterRead = 0;
    int leftAfterNext = 0;
    int userFilesRemoved = 0;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        WriteFileBytes(archive, MakeFarImage({{"old.txt", "old"}}));
        for (const auto& [name, text] : userFiles)
            WriteText(dir / "out" / name, text);
        namedNewFiles = run % 2 == 1;
        const pid_t child = ::fork();
        if (child == 0) {
            SetFaultHook(KillAtTheRename);
            std::ostringstream out, err;
            RunCli({"add", archive, (dir / "added.bin").string()}, out, err);
            ::_exit(0); // not reached when the save came to its rename
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        killed += WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        leftByKill += static_cast<int>(TemporariesIn(dir / "out", userFiles));
        EXPECT_EQ(testing::LoadArchiveContents(archive), before);

        // Commands that only read leave it; the next one that writes there clears it.
        std::ostringstream out, err;
        EXPECT_EQ(RunCli({"list", archive}, out, err), 0) << err.str();
        leftAfterRead += static_cast<int>(TemporariesIn(dir / "out", userFiles));
        std::vector<std::string> next = {"add", archive, (dir / "added.bin").string()};
        if (run % 4 >= 2)
            next.insert(next.begin(), "--quick");
        EXPECT_EQ(RunCli(next, out, err), 0) << err.str();
        EXPECT_EQ(testing::LoadArchiveContents(archive), after);
        leftAfterNext += static_cast<int>(TemporariesIn(dir / "out", userFiles));
        for (const auto& [name, text] : userFiles) {
            const bool kept = std::filesystem::exists(dir / "out" / name) &&
                              testing::ReadText(dir / "out" / name) == text;
            userFilesRemoved += !kept;
        }
    }
    std::printf("save killed at its rename: %d runs, %d killed, %d temporaries left by the kills, %d still there "
                "after a read-only command, %d after the next writer, %d of %zu user files removed or changed\n",
                runs, killed, leftByKill, leftAfterRead, leftAfterNext, userFilesRemoved,
                userFiles.size() * static_cast<size_t>(runs));
    EXPECT_EQ(killed, runs);
    EXPECT_EQ(leftByKill, runs);
    EXPECT_EQ(leftAfterRead, runs);
    EXPECT_EQ(leftAfterNext, 0);
    EXPECT_EQ(userFilesRemoved, 0);
}

} // namespace
} // namespace vorn
