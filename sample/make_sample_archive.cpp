// Writes the sample archive a newcomer opens with `make run`: directories,
// BMP pictures, XA sounds with plain tones, and IFF objects (single-tile and
// multi-tile) drawn in every view direction and zoom so that each view can be
// told apart: the front (+x) face is red, an arrow on top points to the
// front, and the view direction's number is written on top.
//
// Usage: make_sample_archive OUTPUT.far

#include "audio/xa_encoder.h"
#include "base/endian.h"
#include "sample/bmp_writer.h"
#include "sample/iso_painter.h"
#include "testing/far_fixture.h"
#include "testing/iff_fixtures.h"
#include "testing/spr2_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

using namespace vorn::sample;
using namespace vorn::testing;

// ---- palette: index 0 unused (transparent), 1 black, 2 white, then ramps of
// 24 shades from dark to light, one per material.
enum Ramp { kRed, kGreen, kBlue, kWood, kGrey, kYellow, kPurple, kCyan, kOrange, kRampCount };
constexpr int kRampBase = 16, kRampLength = 24;
constexpr uint8_t kBlack = 1, kWhite = 2;

const uint8_t kRampColours[kRampCount][3] = {
    {220, 40, 40}, {50, 180, 60}, {50, 90, 220}, {170, 110, 60}, {150, 150, 150},
    {235, 210, 60}, {150, 70, 190}, {40, 190, 200}, {240, 140, 30},
};

std::vector<uint8_t> MakePalette(bool faded)
{
    std::vector<uint8_t> rgb(768, 0);
    rgb[3 * kWhite] = rgb[3 * kWhite + 1] = rgb[3 * kWhite + 2] = 255;
    for (int r = 0; r < kRampCount; ++r)
        for (int s = 0; s < kRampLength; ++s) {
            const double light = 0.25 + 1.0 * s / (kRampLength - 1);
            for (int c = 0; c < 3; ++c) {
                double v = std::min(255.0, kRampColours[r][c] * light);
                if (faded) // a washed-out palette, as a wrongly assigned one looks
                    v = 0.35 * v + 0.65 * 200;
                rgb[3 * (kRampBase + r * kRampLength + s) + c] = static_cast<uint8_t>(v);
            }
        }
    return rgb;
}

int Shade(int ramp, double light)
{
    const int s = static_cast<int>(std::lround(std::clamp(light, 0.0, 1.0) * (kRampLength - 1)));
    return kRampBase + ramp * kRampLength + s;
}

// ---- geometry
Point3 Add(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point3 Scale(Point3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }

using WorldShader = std::function<int(const Point3&)>;

Face MakeFace(Point3 origin, Point3 u, Point3 v, WorldShader shader, uint8_t alpha = 255, double depthOffset = 0)
{
    Face f;
    f.origin = origin;
    f.edgeU = u;
    f.edgeV = v;
    f.shader = [origin, u, v, shader](double a, double b) { return shader(Add(origin, Add(Scale(u, a), Scale(v, b)))); };
    f.alpha = alpha;
    f.depthOffset = depthOffset;
    return f;
}

struct BoxLook {
    int material = kWood;
    int front = kRed;        // the +x face
    WorldShader top;         // null: plain material
    bool skipBottom = true;
};

// The six sides of an axis-aligned box from `lo` to `hi`, lit from the -y, +x side.
void AddBox(std::vector<Face>& faces, Point3 lo, Point3 hi, const BoxLook& look)
{
    const double dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
    const int m = look.material;
    auto flat = [](int colour) { return [colour](const Point3&) { return colour; }; };
    faces.push_back(MakeFace({hi.x, lo.y, lo.z}, {0, dy, 0}, {0, 0, dz}, flat(Shade(look.front, 0.6))));
    faces.push_back(MakeFace(lo, {0, dy, 0}, {0, 0, dz}, flat(Shade(m, 0.35))));
    faces.push_back(MakeFace(lo, {dx, 0, 0}, {0, 0, dz}, flat(Shade(m, 0.7))));
    faces.push_back(MakeFace({lo.x, hi.y, lo.z}, {dx, 0, 0}, {0, 0, dz}, flat(Shade(m, 0.5))));
    faces.push_back(MakeFace({lo.x, lo.y, hi.z}, {dx, 0, 0}, {0, dy, 0}, look.top ? look.top : flat(Shade(m, 0.85))));
    if (!look.skipBottom)
        faces.push_back(MakeFace(lo, {dx, 0, 0}, {0, dy, 0}, flat(Shade(m, 0.2))));
}

// A top surface with a white arrow along +x from x0 to x1 on the line y = yc.
WorldShader ArrowTop(int material, double x0, double x1, double yc, double width)
{
    return [=](const Point3& p) {
        const double head = x1 - (x1 - x0) * 0.4;
        const double off = std::fabs(p.y - yc);
        const bool shaft = p.x >= x0 && p.x < head && off < width * 0.35;
        const bool tip = p.x >= head && p.x <= x1 && off < width * (x1 - p.x) / (x1 - head);
        return shaft || tip ? static_cast<int>(kWhite) : Shade(material, 0.85);
    };
}

void AddShadow(std::vector<Face>& faces, double x0, double y0, double x1, double y1)
{
    faces.push_back(MakeFace({x0, y0, 0}, {x1 - x0, 0, 0}, {0, y1 - y0, 0},
                             [](const Point3&) { return static_cast<int>(kBlack); }, 110, 0.05));
}

// ---- objects
struct Tile {
    int tx = 0, ty = 0;
};

struct ObjectDesign {
    std::string label;
    std::vector<Tile> tiles;              // one entry: a single-tile object
    std::vector<int> materials;           // one graphic per material
    std::function<std::vector<Face>(int material)> scene;
    Point3 digitAt;                       // where the direction number is written
    uint16_t dgrpVersion = 20004;
};

std::vector<Face> CrateScene(int material)
{
    std::vector<Face> f;
    AddShadow(f, -0.42, -0.42, 0.42, 0.42);
    BoxLook look;
    look.material = material;
    look.top = ArrowTop(material, -0.25, 0.3, 0, 0.22);
    AddBox(f, {-0.35, -0.35, 0}, {0.35, 0.35, 0.55}, look);
    return f;
}

std::vector<Face> SignpostScene(int material)
{
    std::vector<Face> f;
    AddShadow(f, -0.12, -0.12, 0.12, 0.12);
    BoxLook post;
    post.material = kGrey;
    post.front = kGrey;
    AddBox(f, {-0.05, -0.05, 0}, {0.05, 0.05, 1.3}, post);
    BoxLook board;
    board.material = material;
    AddBox(f, {0.05, -0.03, 0.85}, {0.45, 0.03, 1.15}, board); // points to the front
    return f;
}

std::vector<Face> TableScene(int material)
{
    std::vector<Face> f;
    AddShadow(f, -0.47, -0.42, 1.47, 0.42);
    BoxLook top;
    top.material = material;
    top.top = ArrowTop(material, -0.2, 1.3, 0, 0.2);
    top.skipBottom = false;
    AddBox(f, {-0.45, -0.4, 0.42}, {1.45, 0.4, 0.5}, top);
    BoxLook leg;
    leg.material = material;
    leg.front = material;
    for (double x : {-0.4, 1.32})
        for (double y : {-0.35, 0.27})
            AddBox(f, {x, y, 0}, {x + 0.08, y + 0.08, 0.42}, leg);
    return f;
}

std::vector<Face> StageScene(int material)
{
    std::vector<Face> f;
    AddShadow(f, -0.48, -0.48, 1.48, 1.48);
    BoxLook deck;
    deck.material = material;
    deck.top = ArrowTop(material, -0.2, 1.25, 0.5, 0.45);
    AddBox(f, {-0.45, -0.45, 0}, {1.45, 1.45, 0.18}, deck);
    BoxLook pillar;
    pillar.material = kOrange;
    AddBox(f, {1.15, 1.15, 0.18}, {1.35, 1.35, 1.2}, pillar);
    BoxLook cube;
    cube.material = kCyan;
    AddBox(f, {-0.3, 1.0, 0.18}, {0.0, 1.3, 0.45}, cube);
    return f;
}

// ---- IFF assembly
constexpr uint16_t kSamplePrice = 100;

struct IffBuilder {
    IffFileLayout layout;
    uint16_t nextSprite = 256;
    uint16_t nextGraphic = 100;
    uint16_t nextObject = 128;
    uint16_t nextMaster = 1;
};

// An OBJD as the game's carry it: a GUID of its own (unique in the archive),
// a price, and its catalogue text in CTSS 2000.
std::vector<uint8_t> SampleObjd(const ObjdFields& fields, uint16_t price)
{
    static uint32_t nextGuid = 0x56524E01;
    std::vector<uint8_t> objd = BuildObjd(fields);
    vorn::StoreLE32(&objd[28], nextGuid++);
    vorn::StoreLE16(&objd[36], price);
    vorn::StoreLE16(&objd[82], 2000);
    return objd;
}

std::vector<uint8_t> EncodeFrame(const TilePicture& p)
{
    Spr2SourceFrame source;
    source.width = static_cast<uint16_t>(p.width);
    source.height = static_cast<uint16_t>(p.height);
    source.colour = p.colour;
    source.depth = p.depth;
    source.alpha = p.alpha;
    source.hasDepth = true;
    source.hasAlpha = true;
    return EncodeSpr2Pixels(source);
}

// Adds one object: per tile and graphic a DGRP with the 12 views, per tile,
// graphic and zoom an SPR2 with the four directions' frames.
void AddObject(IffBuilder& b, const ObjectDesign& design, uint16_t framePaletteId, uint16_t spritePaletteId)
{
    const bool multi = design.tiles.size() > 1;
    const auto graphics = static_cast<uint16_t>(design.materials.size());
    const uint16_t master = multi ? b.nextMaster++ : 0;
    if (multi) {
        ObjdFields leader;
        leader.baseGraphicId = b.nextGraphic;
        leader.graphicCount = 1; // raised to the tiles' count by the catalogue
        leader.masterId = master;
        leader.subIndex = -1;
        b.layout.chunks.push_back({"OBJD", b.nextObject++, 0x10, design.label, SampleObjd(leader, kSamplePrice)});
    }
    for (const Tile& tile : design.tiles) {
        const uint16_t base = b.nextGraphic;
        b.nextGraphic = static_cast<uint16_t>(b.nextGraphic + graphics);
        for (uint16_t g = 0; g < graphics; ++g) {
            const std::vector<Face> scene = design.scene(design.materials[g]);
            std::vector<DgrpImageDesc> images;
            for (int zoom = 1; zoom <= 3; ++zoom) {
                const uint16_t spriteId = b.nextSprite++;
                std::vector<Spr2ChunkFrame> frames;
                for (int d = 0; d < 4; ++d) {
                    const int direction = 2 * d;
                    const IsoPainter painter(direction, zoom);
                    TilePicture picture = painter.PaintTile(scene, tile.tx, tile.ty);
                    if (tile.tx == design.tiles[0].tx && tile.ty == design.tiles[0].ty) {
                        double sx, sy;
                        painter.Project(design.digitAt, tile.tx, tile.ty, sx, sy);
                        painter.StampDigit(picture, direction, sx, sy, kBlack);
                    }
                    Spr2ChunkFrame frame;
                    frame.width = static_cast<uint16_t>(picture.width);
                    frame.height = static_cast<uint16_t>(picture.height);
                    frame.paletteId = framePaletteId;
                    frame.pixels = EncodeFrame(picture);
                    frames.push_back(frame);

                    DgrpSpriteDesc placement;
                    placement.spriteId = spriteId;
                    placement.frameIndex = static_cast<uint32_t>(d);
                    placement.x = picture.left;
                    placement.y = picture.bottom;
                    images.push_back({1u << direction, static_cast<uint32_t>(zoom), {placement}});
                }
                b.layout.chunks.push_back({"SPR2", spriteId, 0x10,
                                           design.label + " zoom " + std::to_string(zoom),
                                           BuildSpr2(spritePaletteId, frames)});
            }
            b.layout.chunks.push_back({"DGRP", static_cast<uint16_t>(base + g), 0x10,
                                       design.label + " graphic " + std::to_string(g),
                                       BuildDgrp(design.dgrpVersion, images)});
        }
        ObjdFields objd;
        objd.baseGraphicId = base;
        objd.graphicCount = graphics;
        objd.masterId = master;
        objd.subIndex = multi ? static_cast<int16_t>((tile.ty << 8) | tile.tx) : 0;
        const std::string label = multi ? design.label + " tile " + std::to_string(tile.tx) + "," +
                                              std::to_string(tile.ty)
                                        : design.label;
        b.layout.chunks.push_back({"OBJD", b.nextObject++, 0x10, label, SampleObjd(objd, kSamplePrice)});
    }
}

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string ObjectFile(const std::vector<ObjectDesign>& designs, bool fadedFrames = false)
{
    IffBuilder b;
    b.layout.chunks.push_back({"PALT", 1, 0x10, "Sample colours", BuildPalt(MakePalette(false))});
    if (fadedFrames)
        b.layout.chunks.push_back({"PALT", 2, 0x10, "Washed-out colours", BuildPalt(MakePalette(true))});
    for (const ObjectDesign& d : designs)
        AddObject(b, d, fadedFrames ? 2 : 1, 1);
    // What the game's object files carry beside the pictures: catalogue text
    // in two languages, strings in language sets, and a small picture.
    const std::string& name = designs.front().label;
    b.layout.chunks.push_back({"CTSS", 2000, 0x10, "Catalogue",
                               BuildStringTable(StrLayout::Languages,
                                                {{name, "", 1, 0},
                                                 {"A sample object drawn by the build.", "", 1, 0},
                                                 {name, "", 3, 0},
                                                 {"Un objet d'exemple dessin\xE9 par la construction.", "", 3, 0}},
                                                1, {0xA3, 0xA3})});
    b.layout.chunks.push_back({"STR#", 300, 0x10, "Interaction names",
                               BuildStringTable(StrLayout::LanguageSets,
                                                {{"Look", "shown in the pie menu", 0, 0}, {"Regarder", "", 2, 2}}, 20)});
    std::vector<uint8_t> thumbnail;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            thumbnail.insert(thumbnail.end(), {static_cast<uint8_t>(16 * x), static_cast<uint8_t>(16 * y), 128});
    b.layout.chunks.push_back({"BMP_", 2000, 0x10, "Thumbnail", WriteBmp24(16, 16, thumbnail)});
    return AsString(BuildIffFile(b.layout));
}

// ---- pictures
std::string Sunset()
{
    const int w = 200, h = 120;
    std::vector<uint8_t> rgb(768, 0), indices(static_cast<size_t>(w) * h);
    for (int i = 0; i < 64; ++i) { // sky: orange to purple
        rgb[3 * i] = static_cast<uint8_t>(250 - i * 1.6);
        rgb[3 * i + 1] = static_cast<uint8_t>(150 - i * 1.8);
        rgb[3 * i + 2] = static_cast<uint8_t>(60 + i * 1.5);
    }
    for (int i = 0; i < 64; ++i) { // sea: light to deep blue
        rgb[3 * (64 + i)] = static_cast<uint8_t>(60 - i * 0.8);
        rgb[3 * (64 + i) + 1] = static_cast<uint8_t>(120 - i);
        rgb[3 * (64 + i) + 2] = static_cast<uint8_t>(200 - i);
    }
    rgb[3 * 200] = 255, rgb[3 * 200 + 1] = 230, rgb[3 * 200 + 2] = 80; // sun
    const int horizon = 70;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t c;
            const double sun = std::hypot(x - 100.0, y - 58.0);
            if (y < horizon)
                c = sun < 22 ? 200 : static_cast<uint8_t>(63 - y * 63 / horizon);
            else if (std::abs(x - 100) < 24 - (y - horizon) / 3 && (y / 3) % 2 == 0)
                c = 200; // the sun's reflection
            else
                c = static_cast<uint8_t>(64 + (y - horizon) * 63 / (h - horizon));
            indices[static_cast<size_t>(y) * w + x] = c;
        }
    return AsString(WriteBmpRle8(w, h, indices, rgb));
}

std::string ColourWheel()
{
    const int size = 128;
    std::vector<uint8_t> rgb(static_cast<size_t>(size) * size * 3, 255);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - 63.5, dy = y - 63.5, r = std::hypot(dx, dy) / 63.5;
            if (r > 1)
                continue;
            const double hue = (std::atan2(dy, dx) / (2 * std::numbers::pi) + 0.5) * 6;
            uint8_t* p = rgb.data() + (static_cast<size_t>(y) * size + x) * 3;
            for (int c = 0; c < 3; ++c) {
                const double k = std::fmod(hue + (c == 0 ? 0 : c == 1 ? 4 : 2), 6);
                const double v = 1 - std::clamp(std::min(k, 4 - k), 0.0, 1.0);
                p[c] = static_cast<uint8_t>(255 * (1 - r * v));
            }
        }
    return AsString(WriteBmp24(size, size, rgb));
}

std::string Checker()
{
    const int w = 33, h = 17; // an odd width, so rows carry padding
    std::vector<uint8_t> rgb(768, 0), indices(static_cast<size_t>(w) * h);
    rgb[3] = rgb[4] = rgb[5] = 255;
    rgb[6] = 200, rgb[7] = 30, rgb[8] = 30;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            indices[static_cast<size_t>(y) * w + x] = x == 0 || y == 0 ? 2 : static_cast<uint8_t>(((x / 4) + (y / 4)) % 2);
    return AsString(WriteBmp8(w, h, indices, rgb));
}

// ---- sounds
constexpr uint32_t kRate = 22050;

std::vector<int16_t> Tone(double seconds, double hz, double amplitude, double decay = 0)
{
    std::vector<int16_t> s(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double fade = std::min({1.0, t / 0.01, (seconds - t) / 0.01});
        const double envelope = decay > 0 ? std::exp(-t * decay) : 1.0;
        const double v = std::sin(2 * std::numbers::pi * hz * t) + 0.25 * std::sin(4 * std::numbers::pi * hz * t);
        s[i] = static_cast<int16_t>(amplitude * fade * envelope * v / 1.25);
    }
    return s;
}

void Append(std::vector<int16_t>& to, const std::vector<int16_t>& from) { to.insert(to.end(), from.begin(), from.end()); }

std::string Xa(const std::vector<std::vector<int16_t>>& channels)
{
    std::vector<int16_t> frames(channels.size() * channels[0].size());
    for (size_t f = 0; f < channels[0].size(); ++f)
        for (size_t c = 0; c < channels.size(); ++c)
            frames[f * channels.size() + c] = channels[c][f];
    return AsString(vorn::XaEncoder::EncodeFile(frames, static_cast<uint32_t>(channels.size()), kRate));
}

std::string ToneFile() { return Xa({Tone(1.0, 440, 12000)}); }

std::string ChimeFile()
{
    std::vector<int16_t> s;
    for (double hz : {523.25, 659.25, 783.99, 1046.5})
        Append(s, Tone(0.35, hz, 14000, 6));
    return Xa({s});
}

std::string LeftRightFile()
{
    std::vector<int16_t> left, right;
    const std::vector<int16_t> beepL = Tone(0.3, 440, 12000), beepR = Tone(0.3, 660, 12000);
    const std::vector<int16_t> quiet(beepL.size(), 0);
    for (int i = 0; i < 2; ++i) {
        Append(left, beepL), Append(right, quiet);
        Append(left, quiet), Append(right, beepR);
    }
    return Xa({left, right});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.far\n", argv[0]);
        return 2;
    }
    ObjectDesign crate{"Arrow crate", {{0, 0}}, {kWood, kPurple, kCyan}, CrateScene, {0, 0, 0.55}, 20004};
    ObjectDesign signpost{"Signpost", {{0, 0}}, {kYellow}, SignpostScene, {0.25, 0.03, 1.0}, 20004};
    ObjectDesign table{"Long table", {{0, 0}, {1, 0}}, {kWood, kGrey}, TableScene, {0, 0.2, 0.5}, 20001};
    ObjectDesign stage{"Stage", {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {kGreen}, StageScene, {0, 0, 0.18}, 20003};
    ObjectDesign faded{"Faded crate", {{0, 0}}, {kOrange}, CrateScene, {0, 0, 0.55}, 20000};

    const std::vector<FarFixtureFile> files = {
        {"Read me.txt", "A sample archive made by Vorn's build. Double-click the IFF, XA and BMP files to view them.\n"
                        "In the object previews the red side is each object's front, the arrow points to it,\n"
                        "and the number on top is the view direction. \"Faded crate\" shows washed-out\n"
                        "colours until you press Fix Colors.\n"},
        {"Objects\\Crate and signpost.iff", ObjectFile({crate, signpost})},
        {"Objects\\Faded crate.iff", ObjectFile({faded}, true)},
        {"Objects\\Furniture\\Long table.iff", ObjectFile({table})},
        {"Objects\\Furniture\\Stage.iff", ObjectFile({stage})},
        {"Pictures\\Sunset.bmp", Sunset()},
        {"Pictures\\Colour wheel.bmp", ColourWheel()},
        {"Pictures\\Small\\Checker.bmp", Checker()},
        {"Sounds\\Tone 440 Hz.xa", ToneFile()},
        {"Sounds\\Chime.xa", ChimeFile()},
        {"Sounds\\Stereo\\Left then right.xa", LeftRightFile()},
    };
    const std::vector<uint8_t> image = MakeFarImage(files);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
