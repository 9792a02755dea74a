// Inputs the fuzzers found faults with, kept so the faults stay mended.
#include "archive/far_archive.h"

#include "base/endian.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

using testing::FarFixtureFile;
using testing::MakeFarImage;
using testing::TempDir;
using testing::WriteFileBytes;

struct Loaded {
    std::unique_ptr<FileStream> file;
    CFarArchive archive;
    bool ok = false;
};

void LoadFile(const std::filesystem::path& path, std::span<const uint8_t> bytes, Loaded& loaded)
{
    WriteFileBytes(path, bytes);
    int error = 0;
    loaded.file = FileStream::Open(path, FileMode::Read, error);
    ASSERT_TRUE(loaded.file);
    loaded.ok = loaded.archive.Load(*loaded.file);
}

// A manifest with 2-byte name lengths whose last record's name is under two
// bytes: its length field leaves no room for a 4-byte read, which made the
// whole archive fail to load (and a save of such an archive unreadable).
TEST(FarFuzzFindings, NarrowManifestEndingInAOneByteNameLoads)
{
    TempDir dir;
    for (const std::vector<FarFixtureFile>& files : std::vector<std::vector<FarFixtureFile>>{
             {{"a", "x"}}, {{"only", "1"}, {"b", "22"}}, {{"c", ""}}}) {
        Loaded loaded;
        LoadFile(dir / "narrow.far", MakeFarImage(files, true), loaded);
        ASSERT_TRUE(loaded.ok) << files.back().name;
        EXPECT_TRUE(loaded.archive.narrowNameLengths());
        ASSERT_EQ(loaded.archive.EntryCount(), files.size());
        for (size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(loaded.archive.Entry(i)->name, files[i].name);
            ASSERT_TRUE(loaded.archive.LoadData(i));
            const auto bytes = loaded.archive.BytesOf(i);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), files[i].bytes);
        }
    }
}

// A wide manifest cut inside its last name length still fails, and a
// 2-byte length that claims more name than is left is no record either.
TEST(FarFuzzFindings, ShortLastLengthFieldIsNoRecordUnlessItsNameFits)
{
    TempDir dir;
    auto image = MakeFarImage({{"first", "1"}, {"second", "2"}});
    image.resize(image.size() - 6 - 2); // the last name and two bytes of its length
    Loaded cut;
    LoadFile(dir / "cut.far", image, cut);
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.archive.EntryCount(), 1u) << "the records before stay";

    auto narrow = MakeFarImage({{"z", "1"}}, true);
    narrow[narrow.size() - 3] = 2; // length 2, one name byte left
    Loaded claimed;
    LoadFile(dir / "claimed.far", narrow, claimed);
    EXPECT_FALSE(claimed.ok);
    EXPECT_EQ(claimed.archive.EntryCount(), 0u);
}

// The fuzzer's input: a damaged narrow archive whose load stops after one
// record with a one-byte name; its full save must load back the same.
TEST(FarFuzzFindings, SaveOfAPartlyLoadedNarrowArchiveLoadsAgain)
{
    const std::vector<uint8_t> input = {
        0x46, 0x41, 0x52, 0x21, 0x62, 0x79, 0x41, 0x5a, 0x01, 0x00, 0x00, 0x00, 0x1f, 0x00, 0x00, 0x00,
        0x31, 0x32, 0x32, 0x33, 0x33, 0x33, 0x61, 0x67, 0x00, 0x00, 0x00, 0x00, 0x61, 0x69, 0x6e, 0x74,
        0x67, 0x61, 0x70, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10,
        0x00, 0x00, 0x00, 0x0b, 0x00, 0x64, 0x69, 0x72, 0x5c, 0x6f, 0x6e, 0x65, 0x2e, 0x74, 0x78, 0x74,
        0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x0f, 0x00, 0x44, 0x49,
        0x52, 0x5c, 0x73, 0x75, 0x62, 0x2e, 0x74, 0x6f, 0x78, 0x77, 0x5c, 0x74, 0x74, 0x03, 0x00, 0x00,
        0x00, 0x03, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x14, 0x00, 0x64, 0x69, 0x72, 0x5c, 0x73,
        0x75, 0x62, 0x5c, 0x64, 0x65, 0x65, 0x70, 0x65, 0x72, 0x5c, 0x74, 0x68, 0x72, 0x65, 0x65, 0x05,
        0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x0b, 0x00, 0x64, 0x69, 0x72,
        0x5c, 0x6f, 0x6e, 0x65, 0x2e, 0x74, 0x78, 0x74, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x1b, 0x00, 0x00, 0x00, 0x07, 0x00, 0x5c, 0x6c, 0x65, 0x61, 0x64, 0x5c, 0x78, 0x01, 0x00, 0x00,
        0x00, 0x01, 0x00, 0x00, 0x00, 0x1b, 0x00, 0x00, 0x00, 0x05, 0x00, 0x29, 0x74, 0x61, 0x69, 0x6c,
        0x5c, 0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x04, 0x00, 0x61,
        0x5c, 0x5c, 0x62,
    };
    TempDir dir;
    Loaded loaded;
    LoadFile(dir / "found.far", input, loaded);
    ASSERT_EQ(loaded.archive.EntryCount(), 1u);
    ASSERT_TRUE(loaded.archive.LoadAllData());
    MemoryStream saved;
    ASSERT_TRUE(loaded.archive.Save(saved));

    Loaded again;
    LoadFile(dir / "saved.far", saved.Bytes(), again);
    ASSERT_TRUE(again.ok);
    ASSERT_EQ(again.archive.EntryCount(), 1u);
    EXPECT_EQ(again.archive.Entry(0)->name, loaded.archive.Entry(0)->name);
    EXPECT_EQ(again.archive.Entry(0)->size1, 7u);
    ASSERT_TRUE(again.archive.LoadData(0));
    EXPECT_EQ(again.archive.BytesOf(0).size(), 1u);
}

// The fuzzer's input: a manifest read from the header's own bytes, whose
// one record has an empty name. Saving it wrote the name from no storage.
TEST(FarFuzzFindings, SaveOfAnEntryWithAnEmptyNameLoadsAgain)
{
    const std::vector<uint8_t> input = {
        0x46, 0x41, 0x52, 0x21, 0x62, 0x79, 0x41, 0x5a, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0xf7, 0xae, 0x5c, 0x62,
    };
    TempDir dir;
    Loaded loaded;
    LoadFile(dir / "found.far", input, loaded);
    ASSERT_EQ(loaded.archive.EntryCount(), 1u);
    ASSERT_TRUE(loaded.archive.narrowNameLengths());
    ASSERT_TRUE(loaded.archive.LoadAllData());
    const uint32_t size2 = loaded.archive.Entry(0)->size2;
    MemoryStream saved;
    ASSERT_TRUE(loaded.archive.Save(saved));
    // Header, the entry's bytes, then the count and one record whose name
    // is only its 2-byte length of 0. (A manifest like that cannot show its
    // width to a reader, so it is not loaded back here.)
    const auto bytes = saved.Bytes();
    ASSERT_EQ(bytes.size(), 16u + size2 + 4 + 12 + 2);
    EXPECT_EQ(LoadLE32(bytes.data() + 12), 16u + size2);
    EXPECT_EQ(LoadLE32(bytes.data() + 16 + size2), 1u);
    EXPECT_EQ(LoadLE16(bytes.data() + bytes.size() - 2), 0u);
}

} // namespace
} // namespace vorn
