// The shared real object files, when they are there: every string table
// reads to its last byte and writes back the same, every BMP_ either decodes
// or is known to be invalid, and every SPR2 frame draws.
#include "archive/vorn_doc.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "iff/palt_palette.h"
#include "iff/spr2_sprite.h"
#include "iff/string_table.h"
#include "iff/type_codes.h"
#include "sprites/bmp_decoder.h"
#include "sprites/entry_thumbnail.h"
#include "sprites/frame_export.h"
#include "sprites/iff_edit_service.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace vorn {
namespace {

struct Tally {
    std::map<std::string, size_t> tables; // by type
    size_t bitmaps = 0;
    size_t invalidBitmaps = 0;
    size_t frames = 0;
};

void Check(const std::string& name, std::span<const uint8_t> bytes, Tally& tally)
{
    SCOPED_TRACE(name);
    IffEditService service;
    ASSERT_EQ(service.Open(bytes), IffOpenResult::Opened);
    for (const auto& chunk : service.Chunks()) {
        const std::optional<std::span<const uint8_t>> data = service.Data(*chunk);
        ASSERT_TRUE(data.has_value());
        const std::string where = TypeCodeText(chunk->Type()) + " " + std::to_string(chunk->Id());
        if (StringTable::IsStringTableType(chunk->Type())) {
            StringTable table;
            ASSERT_EQ(table.Parse(*data), StringTableProblem::None) << where;
            EXPECT_EQ(table.Serialise(), std::vector<uint8_t>(data->begin(), data->end())) << where;
            ++tally.tables[TypeCodeText(chunk->Type())];
        } else if (chunk->Type() == MakeTypeCode("BMP_")) {
            ++tally.bitmaps;
            tally.invalidBitmaps += DecodeBmp(*data) ? 0 : 1;
        } else if (chunk->Type() == kTypeSpr2) {
            CSpr2Sprite sprite;
            ASSERT_TRUE(sprite.Load(*service.File(), chunk.get())) << where;
            Spr2Frame frame;
            for (int i = 0; sprite.GetFrame(i, frame); ++i) {
                if (frame.width == 0 || frame.height == 0)
                    continue;
                CIffChunk* palette = PaltPalette::FindChunk(*service.File(), frame.paletteId, sprite.PaletteId());
                ASSERT_NE(palette, nullptr) << where << " frame " << i;
                const uint8_t* colours = PaltPalette::Colours(*palette);
                ASSERT_NE(colours, nullptr) << where << " frame " << i;
                ExportedFrame pictures;
                EXPECT_EQ(ExportFrame(frame, PaletteColours(colours, 768), pictures), FrameExportResult::Complete)
                    << where << " frame " << i;
                ++tally.frames;
            }
        }
    }
}

TEST(RealFiles, StringTablesRoundTripBitmapsDecodeAndFramesDraw)
{
    const std::filesystem::path folder = VORN_REALDATA_DIR;
    if (!std::filesystem::is_directory(folder / "objects"))
        GTEST_SKIP() << "no real files in " << folder.string();
    Tally tally;
    size_t files = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder / "objects")) {
        Check(item.path().filename().string(), testing::ReadFileBytes(item.path()), tally);
        ++files;
    }
    RecordingMessenger messenger;
    CVornDoc doc(messenger);
    ASSERT_TRUE(doc.OpenDocument(folder / "npcs.far", OpenAccess::ReadOnly, TreeUse::CheckOnly));
    for (size_t i = 0; i < doc.Archive().Entries().size(); ++i) {
        const std::optional<std::span<const uint8_t>> bytes = doc.Archive().LoadedBytes(i);
        ASSERT_TRUE(bytes.has_value());
        Check(doc.Archive().Entries()[i].name, *bytes, tally);
        ++files;
    }
    std::string counts = std::to_string(files) + " files:";
    for (const auto& [type, count] : tally.tables)
        counts += " " + std::to_string(count) + " " + type;
    counts += ", " + std::to_string(tally.bitmaps) + " BMP_ (" + std::to_string(tally.invalidBitmaps) + " invalid), " +
              std::to_string(tally.frames) + " SPR2 frames";
    std::printf("%s\n", counts.c_str());
    EXPECT_GT(tally.frames, 0u);
    EXPECT_GT(tally.tables["STR#"], 0u);
}

// The skateboard and the ironing board mark a floor square under them with
// their frames' transparent index, pure yellow in their palettes, blended at
// alpha 0; their thumbnails leave it out. (Other objects may draw yellow.)
TEST(RealFiles, ThumbnailsLeaveOutTheFloorMarkedInTheTransparentIndex)
{
    const std::filesystem::path folder = VORN_REALDATA_DIR;
    if (!std::filesystem::is_directory(folder / "objects"))
        GTEST_SKIP() << "no real files in " << folder.string();
    for (const char* name : {"k8esshallskateboardss.iff", "k8esskitchenironingboard2ts.iff"}) {
        RgbaImage picture;
        ASSERT_EQ(DrawEntryThumbnail(name, testing::ReadFileBytes(folder / "objects" / name), 256, picture),
                  ThumbnailResult::Drawn);
        size_t yellow = 0;
        for (size_t i = 0; i < picture.rgba.size(); i += 4)
            yellow += picture.rgba[i] == 255 && picture.rgba[i + 1] == 255 && picture.rgba[i + 2] == 0 && picture.rgba[i + 3] != 0;
        EXPECT_EQ(yellow, 0u) << name;
    }
}

TEST(RealFiles, EveryObjectFileAndTheNeighbourhoodPictureHaveAThumbnail)
{
    const std::filesystem::path folder = VORN_REALDATA_DIR;
    if (!std::filesystem::is_directory(folder / "objects"))
        GTEST_SKIP() << "no real files in " << folder.string();
    const auto check = [](const std::filesystem::path& path, int32_t size) {
        SCOPED_TRACE(path.filename().string());
        RgbaImage picture;
        ASSERT_EQ(DrawEntryThumbnail(path.filename().string(), testing::ReadFileBytes(path), size, picture),
                  ThumbnailResult::Drawn);
        EXPECT_LE(std::max(picture.width, picture.height), size);
        // Cropped to the object: something shows on each edge.
        const auto shows = [&](int32_t x, int32_t y) {
            return picture.rgba[4 * (static_cast<size_t>(y) * static_cast<size_t>(picture.width) +
                                     static_cast<size_t>(x)) + 3] != 0;
        };
        bool top = false, bottom = false, left = false, right = false;
        for (int32_t x = 0; x < picture.width; ++x) {
            top = top || shows(x, 0);
            bottom = bottom || shows(x, picture.height - 1);
        }
        for (int32_t y = 0; y < picture.height; ++y) {
            left = left || shows(0, y);
            right = right || shows(picture.width - 1, y);
        }
        EXPECT_TRUE(top && bottom && left && right) << picture.width << " x " << picture.height;
    };
    for (const auto& item : std::filesystem::directory_iterator(folder / "objects"))
        for (int32_t size : {128, 256})
            check(item.path(), size);
    RgbaImage picture;
    check(folder / "nhood.BMP", 128);
    ASSERT_EQ(DrawEntryThumbnail("nhood.BMP", testing::ReadFileBytes(folder / "nhood.BMP"), 128, picture),
              ThumbnailResult::Drawn);
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.height, 96);
}

struct ChunkContent {
    uint32_t type;
    uint16_t id;
    uint16_t flags;
    std::string label;
    std::vector<uint8_t> data;
    bool operator==(const ChunkContent&) const = default;
};

// Every chunk but the map, in file order, with its bytes.
std::vector<ChunkContent> Contents(std::span<const uint8_t> file)
{
    IffEditService service;
    EXPECT_EQ(service.Open(file), IffOpenResult::Opened);
    std::vector<ChunkContent> contents;
    for (const auto& chunk : service.Chunks()) {
        if (chunk->Type() == kTypeRsmp)
            continue;
        const std::optional<std::span<const uint8_t>> data = service.Data(*chunk);
        EXPECT_TRUE(data.has_value());
        contents.push_back({chunk->Type(), chunk->Id(), chunk->Flags(), chunk->Label(),
                            data ? std::vector<uint8_t>(data->begin(), data->end()) : std::vector<uint8_t>{}});
    }
    return contents;
}

TEST(RealFiles, SavedUnchangedTheyKeepEveryByteAndAStringEditChangesOnlyItsChunk)
{
    const std::filesystem::path folder = VORN_REALDATA_DIR;
    if (!std::filesystem::is_directory(folder / "objects"))
        GTEST_SKIP() << "no real files in " << folder.string();
    size_t files = 0, edited = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder / "objects")) {
        SCOPED_TRACE(item.path().filename().string());
        const std::vector<uint8_t> original = testing::ReadFileBytes(item.path());
        IffEditService service;
        ASSERT_EQ(service.Open(original), IffOpenResult::Opened);
        MemoryStream unchanged(1024);
        ASSERT_EQ(service.WriteImage(unchanged), IffSaveResult::Saved);
        EXPECT_TRUE(std::ranges::equal(unchanged.Bytes(), original));
        ++files;

        // The first table with a string to edit.
        std::optional<uint16_t> found;
        for (CIffChunk* chunk : service.ChunksOfType(MakeTypeCode("STR#"))) {
            StringTable table;
            if (!found && table.Parse(*service.Data(*chunk)) == StringTableProblem::None && !table.Strings().empty())
                found = chunk->Id();
        }
        if (!found)
            continue;
        const uint16_t id = *found;
        const IffEditResult set = service.SetString(MakeTypeCode("STR#"), id, 0, StringPart::Text, "Vorn was here");
        ASSERT_TRUE(set.done) << set.message;
        MemoryStream changed(1024);
        ASSERT_EQ(service.WriteImage(changed), IffSaveResult::Saved);
        std::vector<ChunkContent> before = Contents(original);
        const std::vector<ChunkContent> after = Contents(changed.Bytes());
        ASSERT_EQ(after.size(), before.size());
        size_t differing = 0;
        for (size_t i = 0; i < before.size(); ++i) {
            if (before[i].type == MakeTypeCode("STR#") && before[i].id == id) {
                StringTable table;
                ASSERT_EQ(table.Parse(before[i].data), StringTableProblem::None);
                ASSERT_EQ(table.SetText(0, "Vorn was here"), StringEdit::Done);
                before[i].data = table.Serialise();
            }
            differing += before[i] == after[i] ? 0 : 1;
        }
        EXPECT_EQ(differing, 0u);
        // The header is the writer's, the rest is the chunks and a fresh map.
        EXPECT_TRUE(std::equal(CIffFile::WriterHeader().begin(), CIffFile::WriterHeader().begin() + 60, changed.Bytes().begin()));
        ++edited;
    }
    std::printf("%zu files saved unchanged byte for byte, %zu with one string edited\n", files, edited);
    EXPECT_GT(edited, 0u);
}

TEST(RealFiles, LanguageNumbersNameTheLanguageTheTextIsIn)
{
    const std::filesystem::path file = std::filesystem::path(VORN_REALDATA_DIR) / "objects" / "k8esshallskateboardss.iff";
    if (!std::filesystem::is_regular_file(file))
        GTEST_SKIP() << "no real file " << file.string();
    IffEditService service;
    ASSERT_EQ(service.Open(testing::ReadFileBytes(file)), IffOpenResult::Opened);
    CIffChunk* chunk = service.Find(MakeTypeCode("TTAs"), 130);
    ASSERT_NE(chunk, nullptr);
    StringTable table;
    ASSERT_EQ(table.Parse(*service.Data(*chunk)), StringTableProblem::None);
    // The first interaction's name, as each translation of the game gives it.
    std::map<std::string, std::string> byLanguage;
    for (const StringTableEntry& entry : table.Strings())
        if (const char* name = StringTable::LanguageName(StringTable::ShownLanguage(table.Layout(), entry)))
            byLanguage.emplace(name, entry.text);
    EXPECT_EQ(byLanguage["English (US)"], "View");
    EXPECT_EQ(byLanguage["French"], "Regarder");
    EXPECT_EQ(byLanguage["German"], "Betrachten");
    EXPECT_EQ(byLanguage["Italian"], "Osserva");
    EXPECT_EQ(byLanguage["Dutch"], "Bekijken");
    EXPECT_EQ(byLanguage["Swedish"], "Titta p\xE5");
    EXPECT_EQ(byLanguage["Finnish"], "Katsele");
    EXPECT_EQ(byLanguage["Portuguese"], "Observar");
    EXPECT_EQ(byLanguage.size(), 20u);
}

} // namespace
} // namespace vorn
