#include "cli/cli_test_support.h"
#include "cli/png_row_writer.h"
#include "cli/png_writer.h"
#include "iff/iff_file_ref.h"
#include "iff/type_codes.h"
#include "testing/far_fixture.h"
#include "testing/object_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vorn {
namespace {

using testing::Chunk;
using testing::DgrpChunk;
using testing::ObjdChunk;
using testing::Picture;
using testing::Placement;
using testing::ReadFileBytes;
using testing::ReadPng;
using testing::RunTool;
using testing::SolidFrame;
using testing::WriteFileBytes;

size_t Count(const Picture& picture, uint32_t colour)
{
    size_t n = 0;
    for (size_t p = 0; p + 2 < picture.rgb.size(); p += 3)
        n += ((uint32_t{picture.rgb[p]} << 16) | (uint32_t{picture.rgb[p + 1]} << 8) | picture.rgb[p + 2]) == colour ? 1 : 0;
    return n;
}

// An object file with one single object `id` whose 12 views are each a 3x2
// block of colour 1 (red); with `broken`, direction 2 at zoom 1 also places
// a sprite the file lacks.
std::vector<uint8_t> ObjectFile(uint16_t id, const std::string& label, bool broken = false)
{
    std::vector<testing::DgrpImageDesc> images;
    for (uint32_t zoom = 1; zoom <= 3; ++zoom)
        images.push_back({0x55, zoom, {Placement(300, 0, 0, 0)}});
    if (broken)
        images.insert(images.begin(), {0x04, 1, {Placement(300, 0, 0, 0), Placement(999, 2, 0, 0)}});
    testing::IffFileLayout layout;
    layout.chunks = {
        ObjdChunk(id, label, 2000, 1),
        Chunk("DGRP", 2000, testing::BuildDgrp(20004, images)),
        Chunk("SPR2", 300, testing::BuildSpr2Sequential(1, {SolidFrame(3, 2, 1, 40)})),
        Chunk("PALT", 1, testing::BuildPalt({0, 0, 0, 255, 0, 0}, 0)),
    };
    return testing::BuildIffFile(layout);
}

class SheetCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto text = [](const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
        WriteFileBytes(dir_ / "game.far",
                       testing::MakeFarImage({{"Objects\\Chair.iff", text(ObjectFile(128, "Chair"))},
                                              {"Objects\\Old\\Lamp.IFF", text(ObjectFile(129, "Lamp", true))},
                                              {"Objects\\readme.txt", "not an object"},
                                              {"Sounds\\Stool.iff", text(ObjectFile(130, "Stool"))}}));
    }
    testing::ToolResult Run(const std::vector<std::string>& args) { return RunTool(args, dir_.Path()); }

    testing::TempDir dir_;
};

TEST_F(SheetCommand, DrawsEveryObjectOfAnArchiveAndCountsWhatCameOutWhole)
{
    const auto result = Run({"iff", "sheet", "game.far", "sheet.png"});
    EXPECT_EQ(result.status, 1) << "a view was not drawn completely";
    EXPECT_EQ(result.out, "3 files, 3 objects (3 with graphics): 2 drawn completely in all 12 views of every graphic, "
                          "1 partly, 0 not drawn\n");
    const Picture sheet = ReadPng(ReadFileBytes(dir_ / "sheet.png"));
    // Three bands of 12 views, each view's 3x2 red block drawn once.
    EXPECT_EQ(Count(sheet, 0xFF0000), 3u * 12 * 6);
    EXPECT_GT(Count(sheet, 0xFFFF00), 0u);
    EXPECT_GT(Count(sheet, 0xD00000), 0u) << "the broken view is framed";

    // ARCHIVE::DIR takes the entries below DIR, --object one object, and an
    // object file on disk counts as well.
    WriteFileBytes(dir_ / "Bench.iff", ObjectFile(131, "Bench"));
    const auto some = Run({"--yes", "iff", "sheet", "game.far::Objects", "Bench.iff", "sheet.png", "--object", "131"});
    EXPECT_EQ(some.status, 0) << some.err;
    EXPECT_EQ(some.out, "3 files, 1 objects (1 with graphics): 1 drawn completely in all 12 views of every graphic, "
                        "0 partly, 0 not drawn\n");
    EXPECT_EQ(Count(ReadPng(ReadFileBytes(dir_ / "sheet.png")), 0xFF0000), 12u * 6);
}

TEST_F(SheetCommand, RefusesWhatItCannotDrawAndKeepsAnExistingPicture)
{
    const std::vector<uint8_t> old = {1, 2, 3};
    WriteFileBytes(dir_ / "sheet.png", old);
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--yes", "iff", "sheet", "game.far", "sheet.png", "--object", "77"}, 1, "No object to draw!"},
        {{"--yes", "iff", "sheet", "game.far::Nowhere", "sheet.png"}, 1, "names nothing in the archive!"},
        {{"--yes", "iff", "sheet", "missing.iff", "sheet.png"}, 1, "missing.iff"},
        {{"iff", "sheet", "game.far", "."}, 1, "A directory with that name already exists!"},
        {{"iff", "sheet", "game.far", "sheet.png", "--object", "x"}, 2, "bad value \"x\" for --object"},
        {{"iff", "sheet", "sheet.png"}, 2, "wrong number of arguments"},
    };
    for (const Case& c : cases) {
        const auto result = Run(c.args);
        EXPECT_EQ(result.status, c.status) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(ReadFileBytes(dir_ / "sheet.png"), old) << c.message;
    }
    // A file that is no IFF file, or holds no object, is named and left out.
    WriteFileBytes(dir_ / "junk.iff", old);
    const auto result = Run({"--yes", "iff", "sheet", "junk.iff", "game.far::Sounds", "sheet.png"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("junk.iff: This file is not a valid IFF file!"), std::string::npos) << result.err;
    EXPECT_EQ(Count(ReadPng(ReadFileBytes(dir_ / "sheet.png")), 0xFF0000), 12u * 6);
}

TEST(PngRowWriter, RowsWrittenInPiecesMakeThePictureWrittenWhole)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 5 * 4 * 3; ++i)
        rgb.push_back(static_cast<uint8_t>(i * 37));
    std::vector<uint8_t> bytes;
    PngRowWriter writer([&](std::span<const uint8_t> data) {
        bytes.insert(bytes.end(), data.begin(), data.end());
        return true;
    });
    ASSERT_TRUE(writer.Begin(5, 4));
    EXPECT_FALSE(PngRowWriter([](std::span<const uint8_t>) { return true; }).Begin(0, 4));
    ASSERT_TRUE(writer.WriteRows(std::span(rgb).first(15)));
    ASSERT_TRUE(writer.WriteRows(std::span(rgb).subspan(15, 30)));
    ASSERT_TRUE(writer.WriteRows(std::span(rgb).subspan(45)));
    ASSERT_TRUE(writer.Finish());
    const Picture picture = ReadPng(bytes);
    EXPECT_EQ(picture.width, 5u);
    EXPECT_EQ(picture.height, 4u);
    EXPECT_EQ(picture.rgb, rgb);
    EXPECT_EQ(ReadPng(EncodeRgbPng(rgb, 5, 4)).rgb, picture.rgb);

    // Too many rows, too few, part of a row, or a sink that fails: the writer fails for good.
    PngRowWriter extra([](std::span<const uint8_t>) { return true; });
    ASSERT_TRUE(extra.Begin(5, 1));
    EXPECT_FALSE(extra.WriteRows(std::span(rgb).first(30)));
    EXPECT_FALSE(extra.Finish());
    PngRowWriter few([](std::span<const uint8_t>) { return true; });
    ASSERT_TRUE(few.Begin(5, 2));
    EXPECT_FALSE(few.WriteRows(std::span(rgb).first(14)));
    PngRowWriter short_([](std::span<const uint8_t>) { return true; });
    ASSERT_TRUE(short_.Begin(5, 2));
    ASSERT_TRUE(short_.WriteRows(std::span(rgb).first(15)));
    EXPECT_FALSE(short_.Finish());
    PngRowWriter refused([](std::span<const uint8_t>) { return false; });
    EXPECT_FALSE(refused.Begin(5, 4) && refused.WriteRows(rgb) && refused.Finish());
}

// The shared real object files, when they are there.
std::vector<std::filesystem::path> RealObjects()
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(VORN_REALDATA_DIR "/objects", error))
        if (item.path().extension() == ".iff")
            files.push_back(item.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(RealObjects, EverySpriteChunkComesBackByteForByteFromAnUnchangedExport)
{
    const auto files = RealObjects();
    if (files.empty())
        GTEST_SKIP() << "no object files in " VORN_REALDATA_DIR "/objects";
    testing::TempDir dir;
    size_t sprites = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto exported = RunTool({"iff", "export", file.string(), "out"}, dir.Path());
        ASSERT_EQ(exported.status, 0) << exported.err;
        const auto imported = RunTool({"iff", "import", file.string(), "new.iff", "--from", "out"}, dir.Path());
        ASSERT_EQ(imported.status, 0) << imported.err;
        CIffFileRef before;
        CIffFileRef after;
        IffParseError error{};
        ASSERT_TRUE(before.Open(ReadFileBytes(file), error, true));
        ASSERT_TRUE(after.Open(ReadFileBytes(dir / "new.iff"), error, true));
        for (CIffChunk* chunk : before.ChunksOfType(kTypeSpr2)) {
            CIffChunk* again = after.Find(kTypeSpr2, chunk->Id());
            ASSERT_NE(again, nullptr);
            ASSERT_TRUE(before.LoadChunk(*chunk) && after.LoadChunk(*again));
            EXPECT_TRUE(std::ranges::equal(chunk->Bytes(), again->Bytes())) << "SPR2 " << chunk->Id();
            ++sprites;
        }
        std::filesystem::remove_all(dir / "out");
        std::filesystem::remove(dir / "new.iff");
    }
    EXPECT_GT(sprites, 0u);
}

TEST(RealObjects, EveryObjectIsListedAndDrawsOnTheSheet)
{
    const auto files = RealObjects();
    if (files.empty())
        GTEST_SKIP() << "no object files in " VORN_REALDATA_DIR "/objects";
    testing::TempDir dir;
    std::vector<std::string> args = {"iff", "sheet"};
    for (const auto& file : files)
        args.push_back(file.string());
    args.push_back("sheet.png");
    const auto result = RunTool(args, dir.Path());
    // One object names 200 graphics its file has no draw groups for; every
    // other object draws completely in every view of every graphic.
    EXPECT_EQ(result.out, std::to_string(files.size()) + " files, " + std::to_string(files.size()) + " objects (" +
                              std::to_string(files.size()) + " with graphics): " + std::to_string(files.size() - 1) +
                              " drawn completely in all 12 views of every graphic, 1 partly, 0 not drawn\n")
        << result.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "sheet.png"));
}

} // namespace
} // namespace vorn
