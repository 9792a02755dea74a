#include "archive/vorn_doc.h"

#include "base/fault_point.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "testing/archive_contents.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <map>

namespace vorn {
namespace {

using testing::MakeFarImage;
using testing::TempDir;
using testing::WriteFileBytes;

using Contents = testing::ArchiveContents;

size_t FilesIn(const std::filesystem::path& folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// The fault plan: which steps count, and whether the failure persists (a
// full disk) or hits one step only (a passing error).
struct Plan {
    bool writes = true;
    bool persistent = true;
    int failAt = 0;
    int seen = 0;
};
Plan plan;

bool Injected(FaultPoint point)
{
    const bool counted = plan.writes ? point == FaultPoint::Write
                                     : point == FaultPoint::Sync || point == FaultPoint::Rename;
    if (!counted)
        return false;
    ++plan.seen;
    return plan.persistent ? plan.seen >= plan.failAt : plan.seen == plan.failAt;
}

// Large entries go to the file in writes of their own, small ones share one,
// so a save meets many write steps.
std::string Filler(char seed, size_t size)
{
    std::string bytes(size, seed);
    for (size_t i = 0; i < size; i += 97)
        bytes[i] = static_cast<char>(seed + i % 13);
    return bytes;
}

Contents Before()
{
    Contents contents = {{"readme.txt", "hello"}, {"Objects\\Chair.iff", "chair"}};
    for (char c = 'A'; c <= 'E'; ++c)
        contents[std::string("Objects\\Big") + c + ".iff"] = Filler(c, 70000 + 1000 * (c - 'A'));
    return contents;
}

Contents After()
{
    Contents contents = Before();
    contents.erase("readme.txt");
    contents["new.txt"] = Filler('n', 90000);
    contents["tiny.txt"] = "t";
    return contents;
}

enum class SaveKind { Full, Quick };

// Saves the same edit under a failure at step k of the plan, for every k
// until a save sees fewer than k steps, and checks each outcome.
void SaveUnderEveryFault(SaveKind kind, bool writes, bool persistent)
{
    int k = 1;
    for (;; ++k) {
        SCOPED_TRACE("step " + std::to_string(k));
        TempDir dir;
        const std::filesystem::path path = dir / "one.far";
        std::vector<testing::FarFixtureFile> files;
        const Contents before = Before();
        const Contents after = After();
        for (const auto& [name, bytes] : before)
            files.push_back({name, bytes});
        WriteFileBytes(path, MakeFarImage(files));

        RecordingMessenger messenger;
        CVornDoc doc(messenger);
        ASSERT_TRUE(doc.OpenDocument(path));
        ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
        for (const char* name : {"new.txt", "tiny.txt"}) {
            MemoryStream added;
            added.Write(after.at(name).data(), after.at(name).size());
            ASSERT_TRUE(doc.Tree().AddFile(name, added, false));
        }
        doc.SetModified(true);

        plan = Plan{writes, persistent, k, 0};
        SetFaultHook(Injected);
        const bool saved = kind == SaveKind::Full ? doc.SaveDocument(path) : doc.QuickSave();
        SetFaultHook(nullptr);
        const int seen = plan.seen;

        const std::optional<Contents> onDisk = testing::LoadArchiveContents(path);
        ASSERT_TRUE(onDisk.has_value());
        EXPECT_EQ(*onDisk, saved ? after : before);
        EXPECT_EQ(FilesIn(dir.Path()), 1u); // nothing left beside the archive
        EXPECT_EQ(doc.IsModified(), !saved);
        if (!saved && kind == SaveKind::Full) {
            ASSERT_EQ(messenger.Count(), 1u);
            const std::string text = messenger.Messages().back().text;
            EXPECT_TRUE(text == CVornDoc::kSaveError || text == "Failed to save document.") << text;
        }
        if (saved) {
            EXPECT_EQ(messenger.Count(), 0u);
        } else {
            // The document still holds the edit and saves it once the disk recovers.
            EXPECT_TRUE(doc.SaveDocument(path));
            EXPECT_EQ(testing::LoadArchiveContents(path), after);
        }
        if (seen < k)
            break;
        ASSERT_LT(k, 200) << "the save never stops meeting steps";
    }
    EXPECT_GT(k, 1);
}

TEST(SaveFaults, AFullSaveFailingAtAnyWriteLeavesTheOldFileOrTheNewOne)
{
    SaveUnderEveryFault(SaveKind::Full, true, true);
    SaveUnderEveryFault(SaveKind::Full, true, false);
}

TEST(SaveFaults, AFullSaveFailingAtAnySyncOrRenameLeavesTheOldFileOrTheNewOne)
{
    SaveUnderEveryFault(SaveKind::Full, false, true);
    SaveUnderEveryFault(SaveKind::Full, false, false);
}

TEST(SaveFaults, AQuickSaveFailingAtAnyWriteLeavesTheOldFileOrTheNewOne)
{
    SaveUnderEveryFault(SaveKind::Quick, true, true);
    SaveUnderEveryFault(SaveKind::Quick, true, false);
}

TEST(SaveFaults, AQuickSaveFailingAtAnySyncLeavesTheOldFileOrTheNewOne)
{
    SaveUnderEveryFault(SaveKind::Quick, false, true);
    SaveUnderEveryFault(SaveKind::Quick, false, false);
}

TEST(SaveFaults, AFullDiskIsNamedAndTheOldFileStays)
{
    TempDir dir;
    const std::filesystem::path path = dir / "one.far";
    WriteFileBytes(path, MakeFarImage({{"readme.txt", "hello"}}));
    RecordingMessenger messenger;
    CVornDoc doc(messenger);
    ASSERT_TRUE(doc.OpenDocument(path));
    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);
    SetFaultHook([](FaultPoint point) { return point == FaultPoint::DiskFull; });
    const bool saved = doc.SaveDocument(path);
    SetFaultHook(nullptr);
    EXPECT_FALSE(saved);
    ASSERT_EQ(messenger.Count(), 1u);
    EXPECT_EQ(messenger.Messages()[0].text, "Disk full while accessing " + path.string() + ".");
    EXPECT_EQ(testing::LoadArchiveContents(path), (Contents{{"readme.txt", "hello"}}));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    EXPECT_TRUE(doc.IsModified());
}

} // namespace
} // namespace vorn
