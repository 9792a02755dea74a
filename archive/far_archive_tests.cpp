#include "archive/far_archive.h"

#include "base/endian.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

namespace vorn {
namespace {

using testing::BytesOf;
using testing::FarFixtureFile;
using testing::MakeFarImage;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

const std::vector<FarFixtureFile> kFiles = {
    {"readme.txt", "hello"},
    {"Objects\\Chair.iff", std::string("\x01\x02\x03\x00\x04", 5)},
    {"Objects\\Empty.bin", ""},
    {"Sounds\\Deep\\Boom.xa", std::string(300, 'x')},
};

std::unique_ptr<FileStream> OpenFile(const std::filesystem::path& path, FileMode mode = FileMode::ReadWrite)
{
    int error = 0;
    return FileStream::Open(path, mode, error);
}

// Loads `image` from a file in `dir`; the file stays open as the archive's source.
struct LoadedArchive {
    std::filesystem::path path;
    std::unique_ptr<FileStream> file;
    CFarArchive archive;
    bool loaded = false;

    LoadedArchive(const TempDir& dir, const std::vector<uint8_t>& image, const std::string& name = "a.far")
        : path(dir / name)
    {
        WriteFileBytes(path, image);
        file = OpenFile(path);
        loaded = file && archive.Load(*file);
    }
};

std::vector<uint8_t> SaveToFile(CFarArchive& archive, const std::filesystem::path& path)
{
    auto out = OpenFile(path, FileMode::CreateReadWrite);
    EXPECT_TRUE(archive.Save(*out));
    return ReadFileBytes(path);
}

MemoryStream StreamOf(std::string_view text)
{
    return MemoryStream(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string BytesAsText(std::span<const uint8_t> bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TEST(FarArchiveLoad, ReadsWideAndNarrowManifestsAndSavesThemByteForByte)
{
    for (bool narrow : {false, true}) {
        TempDir dir;
        const auto image = MakeFarImage(kFiles, narrow);
        LoadedArchive loaded(dir, image);
        ASSERT_TRUE(loaded.loaded) << narrow;
        EXPECT_EQ(loaded.archive.narrowNameLengths(), narrow);
        ASSERT_EQ(loaded.archive.EntryCount(), kFiles.size());
        for (size_t i = 0; i < kFiles.size(); ++i) {
            const CFarEntry* entry = loaded.archive.Entry(i);
            EXPECT_EQ(entry->name, kFiles[i].name);
            EXPECT_EQ(entry->size1, kFiles[i].bytes.size());
            EXPECT_FALSE(loaded.archive.BlockOf(i).HasBytes()) << "loading reads the manifest only";
        }
        ASSERT_TRUE(loaded.archive.LoadAllData());
        EXPECT_EQ(BytesAsText(loaded.archive.BytesOf(3)), kFiles[3].bytes);
        EXPECT_TRUE(loaded.archive.BlockOf(2).HasBytes()) << "an empty file is present as an empty buffer";
        EXPECT_EQ(SaveToFile(loaded.archive, dir / "copy.far"), image) << narrow;
    }
}

TEST(FarArchiveLoad, SwitchesToNarrowLengthsAtTheFirstRecordThatShowsIt)
{
    TempDir dir;
    // The first record has a 4-byte length below 65536, so it reads as wide;
    // the second length's upper half is non-zero, so from there on the
    // manifest is narrow, and those two bytes start the name.
    std::vector<uint8_t> image = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z', 1, 0, 0, 0, 16, 0, 0, 0};
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            image.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    auto putText = [&](std::string_view text) { image.insert(image.end(), text.begin(), text.end()); };
    put(3, 4);
    put(0, 4), put(0, 4), put(16, 4), put(1, 4), putText("a");  // wide record
    put(0, 4), put(0, 4), put(16, 4), put(2, 2), putText("bc"); // narrow: 'b','c' show as the upper half
    put(0, 4), put(0, 4), put(16, 4), put(1, 2), putText("d");
    LoadedArchive loaded(dir, image);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_TRUE(loaded.archive.narrowNameLengths());
    ASSERT_EQ(loaded.archive.EntryCount(), 3u);
    EXPECT_EQ(loaded.archive.Entry(0)->name, "a");
    EXPECT_EQ(loaded.archive.Entry(1)->name, "bc");
    EXPECT_EQ(loaded.archive.Entry(2)->name, "d");
}

TEST(FarArchiveLoad, HeaderRules)
{
    TempDir dir;
    auto image = MakeFarImage(kFiles);
    for (uint32_t version : {0u, 2u}) {
        auto changed = image;
        StoreLE32(changed.data() + 8, version);
        LoadedArchive loaded(dir, changed);
        EXPECT_TRUE(loaded.loaded) << "any version loads: " << version;
        EXPECT_EQ(loaded.archive.Header().version, version);
    }
    auto wrongCase = image;
    wrongCase[3] = 'r';
    wrongCase[0] = 'f';
    EXPECT_FALSE(LoadedArchive(dir, wrongCase).loaded);
    EXPECT_FALSE(LoadedArchive(dir, std::vector<uint8_t>(image.begin(), image.begin() + 15)).loaded);
    auto pastEnd = image;
    StoreLE32(pastEnd.data() + 12, static_cast<uint32_t>(image.size()) + 100);
    EXPECT_FALSE(LoadedArchive(dir, pastEnd).loaded);
}

TEST(FarArchiveLoad, AnEmptyManifestSavesAsTwentyBytes)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage({}));
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(loaded.archive.EntryCount(), 0u);
    const auto saved = SaveToFile(loaded.archive, dir / "empty.far");
    const std::vector<uint8_t> expected = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z', 1, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(saved, expected);
}

TEST(FarArchiveLoad, AMemoryStreamHasNoSourceAndLoadsEmpty)
{
    const auto image = MakeFarImage(kFiles);
    MemoryStream stream(image);
    CFarArchive archive;
    EXPECT_TRUE(archive.Load(stream));
    EXPECT_FALSE(archive.HasSource());
    EXPECT_EQ(archive.EntryCount(), 0u);
}

TEST(FarArchiveLoad, AShortManifestKeepsTheRecordsReadAndNeverTrustsTheCount)
{
    TempDir dir;
    auto image = MakeFarImage(kFiles);
    const uint32_t manifest = LoadLE32(image.data() + 12);
    StoreLE32(image.data() + manifest, 0xFFFFFFFFu); // claims four billion records
    LoadedArchive loaded(dir, image);
    EXPECT_FALSE(loaded.loaded);
    EXPECT_EQ(loaded.archive.EntryCount(), kFiles.size());
    EXPECT_TRUE(loaded.archive.HasSource());
}

TEST(FarArchiveLoad, EveryTruncationLoadsOrFailsCleanly)
{
    TempDir dir;
    const auto image = MakeFarImage(kFiles, true);
    for (size_t length = 1; length < image.size(); ++length) {
        LoadedArchive loaded(dir, std::vector<uint8_t>(image.begin(), image.begin() + static_cast<ptrdiff_t>(length)));
        EXPECT_FALSE(loaded.loaded) << length;
        // Whatever was read must stay usable: reading bytes fails or succeeds, never crashes.
        for (size_t i = 0; i < loaded.archive.Entries().size(); ++i)
            loaded.archive.LoadData(i);
    }
}

TEST(FarArchiveLoad, RandomManifestsNeverCrash)
{
    TempDir dir;
    std::mt19937 random(1234);
    const auto image = MakeFarImage(kFiles);
    const uint32_t manifest = LoadLE32(image.data() + 12);
    for (int round = 0; round < 400; ++round) {
        auto damaged = image;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int f = 0; f < flips; ++f) {
            const size_t at = manifest + random() % (image.size() - manifest);
            damaged[at] = static_cast<uint8_t>(random());
        }
        if (round % 4 == 0)
            damaged.resize(manifest + random() % (image.size() - manifest));
        LoadedArchive loaded(dir, damaged);
        for (size_t i = 0; i < loaded.archive.Entries().size(); ++i)
            loaded.archive.LoadData(i);
        // A narrow manifest whose first name is shorter than two bytes cannot show
        // its width, so only wide ones are held to the full round trip.
        if (loaded.archive.LoadAllData() && !loaded.archive.narrowNameLengths()) {
            // Whatever loaded in full must save and load back to the same entries.
            const auto saved = SaveToFile(loaded.archive, dir / "resaved.far");
            LoadedArchive again(dir, saved, "again.far");
            ASSERT_TRUE(again.loaded) << round;
            ASSERT_EQ(again.archive.EntryCount(), loaded.archive.EntryCount()) << round;
        }
    }
}

TEST(FarArchiveData, ABadOffsetFailsEveryTimeWithoutHarmingOtherEntries)
{
    TempDir dir;
    auto image = MakeFarImage(kFiles);
    const uint32_t manifest = LoadLE32(image.data() + 12);
    // First record: size2 at +8, offset at +12 from the manifest start (after the count).
    StoreLE32(image.data() + manifest + 4 + 8, 0xFFFFFFF0u); // an absurd size must not be allocated
    StoreLE32(image.data() + manifest + 4 + 12 + 4 + 10 + 8, 0x7FFFFFF0u); // second record's offset
    LoadedArchive loaded(dir, image);
    ASSERT_TRUE(loaded.loaded);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_FALSE(loaded.archive.LoadData(0));
        EXPECT_FALSE(loaded.archive.LoadData(1));
    }
    EXPECT_TRUE(loaded.archive.LoadData(3));
    EXPECT_EQ(BytesAsText(loaded.archive.BytesOf(3)), kFiles[3].bytes);
    EXPECT_FALSE(loaded.archive.LoadAllData());
    EXPECT_FALSE(loaded.archive.LoadData(99));
}

TEST(FarArchiveEntries, AddReplaceFindAndDeleteFollowLetterCaseAndListOrder)
{
    CFarArchive archive;
    auto one = StreamOf("one");
    auto two = StreamOf("second");
    const auto first = archive.AddOrReplace("Dir\\File.txt", one, false);
    ASSERT_TRUE(first);
    EXPECT_FALSE(archive.AddOrReplace("dir\\FILE.TXT", two, false)) << "exists, overwrite not set";
    EXPECT_EQ(BytesAsText(archive.BytesOf(*first)), "one");
    EXPECT_EQ(archive.AddOrReplace("dir\\FILE.TXT", two, true), first);
    const CFarEntry* entry = archive.Entry(*first);
    EXPECT_EQ(entry->name, "Dir\\File.txt") << "a replaced entry keeps its letter case";
    EXPECT_EQ(entry->size1, 6u);
    EXPECT_EQ(entry->size2, 6u);
    EXPECT_EQ(entry->offset, -1);
    EXPECT_TRUE(entry->isNew);
    EXPECT_FALSE(archive.FindEntry("Dir/File.txt")) << "the separator is an ordinary character";

    // Renaming another entry onto the same name makes a duplicate: the first in list order wins,
    // and deleting it uncovers the next.
    auto three = StreamOf("3");
    const auto other = archive.AddOrReplace("other", three, false);
    ASSERT_TRUE(archive.RenameEntry(*other, "DIR\\file.TXT"));
    EXPECT_EQ(archive.FindEntry("dir\\file.txt"), first);
    EXPECT_EQ(archive.EntryCount(), 2u);
    EXPECT_EQ(archive.TotalSize(), 7u);
    ASSERT_TRUE(archive.MarkDeleted(*first));
    EXPECT_FALSE(archive.MarkDeleted(*first));
    EXPECT_EQ(archive.FindEntry("dir\\file.txt"), other);
    EXPECT_EQ(archive.EntryCount(), 1u);
    EXPECT_EQ(archive.TotalSize(), 1u);
    EXPECT_FALSE(archive.FindEntry("other"));
    EXPECT_FALSE(archive.RenameEntry(*first, "x")) << "deleted entries take no part";
}

// The name index of a loaded archive is made on its first lookup; deletes
// and renames made before that must be what the lookup sees.
TEST(FarArchiveEntries, LookupsAfterLoadSeeEditsMadeBeforeTheFirstOne)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage({{"a\\x", "1"}, {"A\\X", "2"}, {"b", "3"}, {"a\\X", "4"}, {"c", "5"}}));
    ASSERT_TRUE(loaded.loaded);
    CFarArchive& archive = loaded.archive;
    ASSERT_TRUE(archive.MarkDeleted(0));
    ASSERT_TRUE(archive.RenameEntry(4, "B"));
    EXPECT_EQ(archive.FindEntry("a\\x"), 1u) << "the first live one of the duplicates";
    EXPECT_EQ(archive.FindEntry("b"), 2u);
    EXPECT_FALSE(archive.FindEntry("c"));
    ASSERT_TRUE(archive.MarkDeleted(1));
    EXPECT_EQ(archive.FindEntry("A\\x"), 3u);
    ASSERT_TRUE(archive.MarkDeleted(2));
    EXPECT_EQ(archive.FindEntry("b"), 4u);
    auto bytes = StreamOf("new");
    EXPECT_EQ(archive.AddOrReplace("C", bytes, false), 5u);
    EXPECT_EQ(archive.FindEntry("c"), 5u);
}

// A stream that claims more bytes than it can deliver.
class ShortStream : public MemoryStream {
public:
    using MemoryStream::MemoryStream;
    int64_t Length() const override { return MemoryStream::Length() + 10; }
};

TEST(FarArchiveEntries, AnUnreadableStreamLeavesNoEntryBehind)
{
    CFarArchive archive;
    auto good = StreamOf("good");
    const auto kept = archive.AddOrReplace("kept", good, false);
    ShortStream broken(BytesOf("abc"));
    EXPECT_FALSE(archive.AddOrReplace("new", broken, true));
    EXPECT_FALSE(archive.FindEntry("new"));
    EXPECT_EQ(archive.EntryCount(), 1u);
    EXPECT_FALSE(archive.AddOrReplace("kept", broken, true));
    EXPECT_EQ(BytesAsText(archive.BytesOf(*kept)), "good") << "a failed replace keeps the old bytes";
    EXPECT_EQ(archive.Entry(*kept)->size2, 4u);
}

TEST(FarArchiveSave, DeletedEntriesLeaveNoTraceAndRenamesAreStored)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage(kFiles));
    ASSERT_TRUE(loaded.loaded);
    ASSERT_TRUE(loaded.archive.MarkDeleted(1));
    ASSERT_TRUE(loaded.archive.RenameEntry(0, "docs\\read me.txt"));
    ASSERT_TRUE(loaded.archive.LoadAllData());
    const auto saved = SaveToFile(loaded.archive, dir / "out.far");
    const auto expected = MakeFarImage({{"docs\\read me.txt", "hello"}, kFiles[2], kFiles[3]});
    EXPECT_EQ(saved, expected);
}

TEST(FarArchiveSave, FailsBeforeWritingWhenBytesAreMissing)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage(kFiles));
    ASSERT_TRUE(loaded.loaded);
    auto target = OpenFile(dir / "target.far", FileMode::CreateReadWrite);
    ASSERT_TRUE(target->Write("previous", 8));
    EXPECT_FALSE(loaded.archive.Save(*target));
    EXPECT_EQ(target->Length(), 8);
}

// Claims gigabytes but never touches the caller's buffer, so the memory
// behind a huge entry is reserved but not used.
class HollowStream : public ByteStream {
public:
    explicit HollowStream(int64_t length) : length_(length) {}
    size_t Read(void*, size_t size) override
    {
        const auto count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), length_ - position_));
        position_ += static_cast<int64_t>(count);
        return count;
    }
    bool Write(const void*, size_t) override { return false; }
    int64_t Seek(int64_t offset, SeekOrigin) override { return position_ = offset; }
    int64_t Position() const override { return position_; }
    int64_t Length() const override { return length_; }
    bool Truncate(int64_t) override { return false; }
    bool Flush() override { return true; }

private:
    int64_t length_;
    int64_t position_ = 0;
};

TEST(FarArchiveSave, OffsetsBeyondThirtyTwoBitsFailBeforeAnythingIsWritten)
{
    TempDir dir;
    CFarArchive archive;
    HollowStream huge(int64_t{0x88000000}); // 2.125 GiB: two of them pass 4 GiB
    ASSERT_TRUE(archive.AddOrReplace("first.bin", huge, false));
    ASSERT_TRUE(archive.AddOrReplace("second.bin", huge, false));
    auto target = OpenFile(dir / "target.far", FileMode::CreateReadWrite);
    ASSERT_TRUE(target->Write("previous", 8));
    EXPECT_FALSE(archive.Save(*target));
    EXPECT_EQ(target->Length(), 8);
    EXPECT_EQ(archive.Entry(1)->offset, -1);
}

TEST(FarArchiveSave, ANameCutAtAZeroByteIsWrittenWithItsOwnLength)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage({{std::string("cut\0tail", 8), "data"}, {"next", "n"}}));
    ASSERT_TRUE(loaded.loaded);
    EXPECT_EQ(loaded.archive.Entry(0)->name, "cut");
    ASSERT_TRUE(loaded.archive.LoadAllData());
    EXPECT_EQ(SaveToFile(loaded.archive, dir / "out.far"), MakeFarImage({{"cut", "data"}, {"next", "n"}}));
}

TEST(FarArchiveQuickSave, AppendsAndReloadsToTheSameEntries)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage(kFiles, true));
    ASSERT_TRUE(loaded.loaded);
    const int64_t before = loaded.file->Length();
    auto replaced = StreamOf("replaced!");
    auto added = StreamOf("brand new");
    ASSERT_TRUE(loaded.archive.AddOrReplace("README.TXT", replaced, true));
    ASSERT_TRUE(loaded.archive.AddOrReplace("New\\added.bin", added, false));
    ASSERT_TRUE(loaded.archive.MarkDeleted(1));
    ASSERT_TRUE(loaded.archive.QuickSave());

    // Narrow manifest: count, then per record 12 + 2 + name bytes.
    int64_t manifest = 4;
    for (const CFarEntry& entry : loaded.archive.Entries())
        if (!entry.isDeleted)
            manifest += 14 + static_cast<int64_t>(entry.name.size());
    EXPECT_EQ(loaded.file->Length(), before + 9 + 9 + manifest);

    CFarArchive reloaded;
    auto again = OpenFile(loaded.path);
    ASSERT_TRUE(reloaded.Load(*again));
    EXPECT_TRUE(reloaded.narrowNameLengths());
    ASSERT_EQ(reloaded.EntryCount(), 4u);
    std::vector<std::string> names;
    for (size_t i = 0; i < reloaded.Entries().size(); ++i) {
        ASSERT_TRUE(reloaded.LoadData(i));
        names.push_back(std::string(reloaded.Entry(i)->name) + "=" + BytesAsText(reloaded.BytesOf(i)));
    }
    const std::vector<std::string> expected = {"readme.txt=replaced!", "Objects\\Empty.bin=",
                                               "Sounds\\Deep\\Boom.xa=" + std::string(300, 'x'),
                                               "New\\added.bin=brand new"};
    EXPECT_EQ(names, expected);
    // Entries stay new, so a second quick save appends their bytes again.
    ASSERT_TRUE(loaded.archive.QuickSave());
    EXPECT_EQ(loaded.file->Length(), before + 2 * (9 + 9 + manifest));
}

TEST(FarArchiveQuickSave, NeedsASource)
{
    CFarArchive archive;
    auto bytes = StreamOf("x");
    archive.AddOrReplace("x", bytes, false);
    EXPECT_FALSE(archive.QuickSave());
}

TEST(FarArchiveQuickSave, RefusesOffsetsBeyondThirtyTwoBitsWithoutTouchingTheFile)
{
    TempDir dir;
    LoadedArchive loaded(dir, MakeFarImage(kFiles));
    ASSERT_TRUE(loaded.loaded);
    // Grow the file (sparsely) to just under 4 GiB, as years of quick saves might.
    const int64_t huge = 0xFFFFFFF0;
    ASSERT_TRUE(loaded.file->Truncate(huge));
    auto bytes = StreamOf(std::string(64, 'z'));
    ASSERT_TRUE(loaded.archive.AddOrReplace("big", bytes, false));
    EXPECT_FALSE(loaded.archive.QuickSave());
    EXPECT_EQ(loaded.file->Length(), huge);
    uint8_t header[16];
    ASSERT_EQ(loaded.file->Seek(0, SeekOrigin::Begin), 0);
    ASSERT_TRUE(loaded.file->ReadExact(header, 16));
    EXPECT_EQ(LoadLE32(header + 12), LoadLE32(MakeFarImage(kFiles).data() + 12)) << "the header is untouched";
}

TEST(FarArchiveQuickSave, AFailedAppendLeavesTheArchiveLoadingAsBefore)
{
    TempDir dir;
    const auto image = MakeFarImage(kFiles);
    LoadedArchive loaded(dir, image);
    ASSERT_TRUE(loaded.loaded);
    auto bytes = StreamOf(std::string(100000, 'q'));
    ASSERT_TRUE(loaded.archive.AddOrReplace("large.bin", bytes, false));

    // Let the file grow only a little: the append runs out of room half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limited = old;
    limited.rlim_cur = image.size() + 5000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved = loaded.archive.QuickSave();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(loaded.path), image);
    EXPECT_EQ(loaded.archive.Entry(4)->offset, -1) << "offsets change only when the save succeeds";
}

} // namespace
} // namespace vorn
