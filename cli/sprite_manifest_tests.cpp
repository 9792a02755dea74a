#include "cli/sprite_manifest.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

SpriteManifest Sample()
{
    SpriteManifest manifest;
    ManifestSprite& a = manifest.sprites.emplace_back();
    a.chunk = 500;
    a.label = std::string("Say \"hi\" \\ caf\xe9\t\x01", 17);
    a.flags = 16;
    a.paletteId = 7;
    ManifestFrame& f0 = a.frames.emplace_back();
    f0 = {0, 4, 3, 7, 0x12345678u, 255, 65535, 1, "500_0.png", "500_0_depth.png"};
    ManifestFrame& f1 = a.frames.emplace_back();
    f1 = {1, 0, 0, 9, 0, 0, 0, 0, "", ""}; // no pictures
    ManifestSprite& b = manifest.sprites.emplace_back();
    b.chunk = 65535;
    b.label = "";
    b.flags = 0;
    b.paletteId = 65535;
    return manifest;
}

void ExpectSame(const SpriteManifest& a, const SpriteManifest& b)
{
    ASSERT_EQ(a.sprites.size(), b.sprites.size());
    for (size_t s = 0; s < a.sprites.size(); ++s) {
        const ManifestSprite& x = a.sprites[s];
        const ManifestSprite& y = b.sprites[s];
        EXPECT_EQ(x.chunk, y.chunk);
        EXPECT_EQ(x.label, y.label);
        EXPECT_EQ(x.flags, y.flags);
        EXPECT_EQ(x.paletteId, y.paletteId);
        ASSERT_EQ(x.frames.size(), y.frames.size());
        for (size_t f = 0; f < x.frames.size(); ++f) {
            const ManifestFrame& p = x.frames[f];
            const ManifestFrame& q = y.frames[f];
            EXPECT_EQ(p.frame, q.frame);
            EXPECT_EQ(p.width, q.width);
            EXPECT_EQ(p.height, q.height);
            EXPECT_EQ(p.paletteId, q.paletteId);
            EXPECT_EQ(p.flags, q.flags);
            EXPECT_EQ(p.transparentIndex, q.transparentIndex);
            EXPECT_EQ(p.xOffset, q.xOffset);
            EXPECT_EQ(p.yOffset, q.yOffset);
            EXPECT_EQ(p.png, q.png);
            EXPECT_EQ(p.depthPng, q.depthPng);
        }
    }
}

TEST(SpriteManifest, ReadsBackWhatItWritesLabelsAndLimitsIncluded)
{
    const SpriteManifest written = Sample();
    SpriteManifest read;
    const ManifestReadResult result = SpriteManifest::Parse(written.ToJson(), read);
    ASSERT_EQ(result.status, ManifestReadStatus::Ok) << result.problem << "\n" << written.ToJson();
    ExpectSame(read, written);
    ASSERT_NE(read.Find(65535), nullptr);
    EXPECT_EQ(read.Find(1), nullptr);
}

TEST(SpriteManifest, ReadsAHandEditedFileWithFieldsLeftOut)
{
    // Other spacing and order, escapes a hand may write, only the ids given.
    const std::string text = "\r\n{ \"sprites\" :[ {\"frames\":[{\"frame\":3,\"xOffset\":12}, {\"frame\": 0}],"
                             "\"chunk\":42, \"label\":\"a\\u00e9\\/b\\n\"},\n\t{\"chunk\": 0} ] }";
    SpriteManifest read;
    const ManifestReadResult result = SpriteManifest::Parse(text, read);
    ASSERT_EQ(result.status, ManifestReadStatus::Ok) << result.problem;
    ASSERT_EQ(read.sprites.size(), 2u);
    const ManifestSprite& s = read.sprites[0];
    EXPECT_EQ(s.chunk, 42);
    EXPECT_EQ(s.label, std::string("a\xe9/b\n"));
    EXPECT_FALSE(s.flags.has_value());
    EXPECT_FALSE(s.paletteId.has_value());
    ASSERT_EQ(s.frames.size(), 2u);
    EXPECT_EQ(s.frames[0].frame, 3u);
    EXPECT_EQ(s.frames[0].xOffset, 12);
    EXPECT_FALSE(s.frames[0].paletteId.has_value());
    EXPECT_FALSE(s.frames[0].png.has_value());
    EXPECT_FALSE(read.sprites[1].label.has_value());
    EXPECT_TRUE(read.sprites[1].frames.empty());
}

TEST(SpriteManifest, RefusesWrongFieldsNamingThem)
{
    const struct {
        const char* text;
        ManifestReadStatus status;
        const char* problem;
    } cases[] = {
        {"{\"sprites\": [{\"chunk\": 1, \"palleteId\": 2}]}", ManifestReadStatus::BadShape,
         "has an unknown field \"palleteId\""},
        {"{\"sprites\": [{\"chunk\": 1, \"flags\": 2, \"flags\": 3}]}", ManifestReadStatus::BadShape,
         "has the field \"flags\" twice"},
        {"{\"sprites\": [{\"paletteId\": 2}]}", ManifestReadStatus::BadShape, "lacks the field \"chunk\""},
        {"{\"sprites\": [{\"chunk\": 1, \"paletteId\": 65536}]}", ManifestReadStatus::BadShape,
         "SPR2 1 \"paletteId\" must be a whole number from 0 to 65535"},
        {"{\"sprites\": [{\"chunk\": 1, \"paletteId\": -1}]}", ManifestReadStatus::BadShape, "from 0 to 65535"},
        {"{\"sprites\": [{\"chunk\": 1, \"paletteId\": 7.5}]}", ManifestReadStatus::BadShape, "from 0 to 65535"},
        {"{\"sprites\": [{\"chunk\": 1, \"paletteId\": 7e0}]}", ManifestReadStatus::BadShape, "from 0 to 65535"},
        {"{\"sprites\": [{\"chunk\": 1, \"paletteId\": \"7\"}]}", ManifestReadStatus::BadShape, "from 0 to 65535"},
        {"{\"sprites\": [{\"chunk\": 1, \"frames\": [{\"frame\": 0, \"flags\": 99999999999999999999}]}]}",
         ManifestReadStatus::BadShape, "\"flags\" must be a whole number from 0 to 4294967295"},
        {"{\"sprites\": [{\"chunk\": 1}, {\"chunk\": 1}]}", ManifestReadStatus::BadShape, "SPR2 1 is listed twice"},
        {"{\"sprites\": [{\"chunk\": 1, \"frames\": [{\"frame\": 2}, {\"frame\": 2}]}]}",
         ManifestReadStatus::BadShape, "SPR2 1 lists frame 2 twice"},
        {"{\"sprites\": [{\"chunk\": 1, \"frames\": [{\"xOffset\": 2}]}]}", ManifestReadStatus::BadShape,
         "SPR2 1, frame entry 1, lacks the field \"frame\""},
        {"{\"sprites\": [{\"chunk\": 1, \"frames\": {}}]}", ManifestReadStatus::BadShape, "must be a list"},
        {"{\"sprites\": [{\"chunk\": 1, \"label\": 5}]}", ManifestReadStatus::BadShape, "must be a string"},
        {"{\"sprites\": [{\"chunk\": 1, \"label\": \"\\u0100\"}]}", ManifestReadStatus::BadShape,
         "above \\u00ff"},
        {"{\"sprites\": [{\"chunk\": 1, \"label\": \"\\ud83d\\ude00\"}]}", ManifestReadStatus::BadShape,
         "above \\u00ff"},
        {"{\"sprites\": [{\"chunk\": 1, \"frames\": [{\"frame\": 0, \"png\": 3}]}]}", ManifestReadStatus::BadShape,
         "must be a file name or null"},
        {"{\"sprites\": {}}", ManifestReadStatus::BadShape, "needs \"sprites\": [ ... ]"},
        {"[]", ManifestReadStatus::BadShape, "must be an object"},
        {"{\"sprites\": [3]}", ManifestReadStatus::BadShape, "sprite 1 of the list must be an object"},
        {"{\"sprites\": []} x", ManifestReadStatus::Malformed, "line 1, column 17: syntax error while parsing value - invalid literal; expected end of input"},
        {"{\"sprites\": [\n  {\"chunk\": 1,}]}", ManifestReadStatus::Malformed, "line 2, column 15: syntax error while parsing object key - unexpected '}'; expected string literal"},
        {"{\"sprites\": [01]}", ManifestReadStatus::Malformed, "line 1, column 15: syntax error while parsing array - unexpected number"},
        {"{\"sprites\": [tru]}", ManifestReadStatus::Malformed, "invalid literal"},
        {"{\"a\": \"\\x\"}", ManifestReadStatus::Malformed, "forbidden character after backslash"},
        {"{\"a\": \"\\ud800x\"}", ManifestReadStatus::Malformed, "surrogate"},
        {"{\"a\": \"tab\there\"}", ManifestReadStatus::Malformed, "control character"},
        {"", ManifestReadStatus::Malformed, "line 1, column 1: syntax error while parsing value - unexpected end of input"},
    };
    for (const auto& c : cases) {
        SpriteManifest read;
        const ManifestReadResult result = SpriteManifest::Parse(c.text, read);
        EXPECT_EQ(result.status, c.status) << c.text;
        EXPECT_NE(result.problem.find(c.problem), std::string::npos) << c.text << "\n -> " << result.problem;
    }
}

TEST(SpriteManifest, TextIsUtf8InTheFileAndLatin1InTheChunk)
{
    SpriteManifest read;
    // Typed straight in UTF-8 after a byte-order mark, or escaped: both give
    // the Latin-1 bytes a label holds, and export writes them as escapes.
    const std::string typed = "\xEF\xBB\xBF{\"sprites\": [{\"chunk\": 1, \"label\": \"Gr\xC3\xBCn \u00e9\"}]}";
    ManifestReadResult result = SpriteManifest::Parse(typed, read);
    ASSERT_EQ(result.status, ManifestReadStatus::Ok) << result.problem;
    ASSERT_EQ(read.sprites.size(), 1u);
    EXPECT_EQ(read.sprites[0].label, std::string("Gr\xFCn \xE9"));
    EXPECT_NE(read.ToJson().find("\"label\": \"Gr\\u00fcn \\u00e9\""), std::string::npos) << read.ToJson();
    // Picture names are disk names: UTF-8 both ways, never taken for Latin-1.
    ASSERT_EQ(SpriteManifest::Parse("{\"sprites\": [{\"chunk\": 1, \"frames\": [{\"frame\": 0, \"png\": \"\xD2\x95.png\"}]}]}",
                                    read)
                  .status,
              ManifestReadStatus::Ok);
    SpriteManifest again;
    ASSERT_EQ(SpriteManifest::Parse(read.ToJson(), again).status, ManifestReadStatus::Ok) << read.ToJson();
    EXPECT_EQ(again.sprites[0].frames[0].png, std::string("\xD2\x95.png"));

    // A character Latin-1 lacks is named, typed or escaped.
    for (const std::string label : {"5 \xE2\x82\xAC", "5 \\u20ac"}) {
        result = SpriteManifest::Parse("{\"sprites\": [{\"chunk\": 1, \"label\": \"" + label + "\"}]}", read);
        EXPECT_EQ(result.status, ManifestReadStatus::BadShape) << label;
        EXPECT_NE(result.problem.find("SPR2 1 \"label\" holds \"\xE2\x82\xAC\" (U+20AC)"), std::string::npos)
            << result.problem;
    }
    // Latin-1 bytes typed raw are not UTF-8: the place is given, columns
    // counting characters (the "é" before is one).
    result = SpriteManifest::Parse("{\"sprites\": [\n {\"chunk\": 1, \"label\": \"\xC3\xA9\", \"flags\": \"Gr\xFCn\"}]}", read);
    EXPECT_EQ(result.status, ManifestReadStatus::Malformed);
    EXPECT_NE(result.problem.find("line 2, column 41: "), std::string::npos) << result.problem;
    EXPECT_NE(result.problem.find("ill-formed UTF-8"), std::string::npos) << result.problem;
}

TEST(SpriteManifest, CutDeepAndRandomTextIsRefusedSafely)
{
    const std::string text = Sample().ToJson();
    SpriteManifest read;
    // Every cut before the closing brace leaves something open.
    const size_t closing = text.rfind('}');
    for (size_t cut = 0; cut <= closing; ++cut)
        EXPECT_EQ(SpriteManifest::Parse(std::string_view(text).substr(0, cut), read).status,
                  ManifestReadStatus::Malformed)
            << cut;
    // Deep nesting neither runs out of stack nor is stored: the first value
    // where no list belongs ends the reading.
    const std::string deep = "{\"sprites\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    const ManifestReadResult nested = SpriteManifest::Parse(deep, read);
    EXPECT_EQ(nested.status, ManifestReadStatus::BadShape);
    EXPECT_NE(nested.problem.find("sprite 1 of the list must be an object"), std::string::npos) << nested.problem;
    EXPECT_EQ(SpriteManifest::Parse(std::string(100000, '['), read).status, ManifestReadStatus::Malformed);
    // Text past the limit is refused unread; just below it, a list of numbers
    // where sprites belong is refused at its first number.
    std::string zeros = "{\"sprites\": [";
    while (zeros.size() < SpriteManifest::kMaxBytes - 4)
        zeros += "0,";
    zeros += "0]}";
    EXPECT_EQ(SpriteManifest::Parse(zeros, read).status, ManifestReadStatus::BadShape);
    EXPECT_TRUE(read.sprites.empty());
    EXPECT_EQ(SpriteManifest::Parse(zeros + std::string(4, ' '), read).status, ManifestReadStatus::TooLarge);

    std::mt19937 rng(9);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = text;
        for (int flips = 0; flips < 1 + round % 4; ++flips)
            bytes[rng() % bytes.size()] = static_cast<char>(rng());
        // Whatever is accepted is whole: it writes out and reads back the same.
        if (SpriteManifest::Parse(bytes, read).status == ManifestReadStatus::Ok) {
            SpriteManifest again;
            ASSERT_EQ(SpriteManifest::Parse(read.ToJson(), again).status, ManifestReadStatus::Ok) << bytes;
            ExpectSame(again, read);
        }
        std::string noise(rng() % 100, '\0');
        for (char& c : noise)
            c = "{}[]\":,0123456789-.eE\\u tfnr\"abc"[rng() % 33];
        SpriteManifest::Parse(noise, read);
    }
}

} // namespace
} // namespace vorn
