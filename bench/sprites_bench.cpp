// DrawObject of a four-tile object at zoom 1 (two 64x64 frames per tile: a
// depth-tested body with blended edges and transparent gaps, commands 1, 2
// and 3, and a shadow of command 6) into a 1920x1080 target; the planes are
// cleared outside the timing. Held to at least 20,000 objects per second.
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/object_renderer.h"
#include "sprites/render_target.h"
#include "testing/object_fixture.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

using namespace vorn;

testing::Spr2ChunkFrame Body(int seed)
{
    testing::Spr2SourceFrame source;
    source.width = 64;
    source.height = 64;
    source.hasDepth = true;
    source.hasAlpha = true;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int dx = x - 32;
            const int dy = y - 32;
            const int distance = dx * dx + dy * dy;
            const bool gap = ((x / 8 + y / 6 + seed) % 7) == 0; // windows and holes in the body
            uint8_t alpha = distance < 27 * 27 ? 255 : distance < 31 * 31 ? 120 : 0;
            if (gap)
                alpha = 0;
            source.alpha.push_back(alpha);
            source.colour.push_back(static_cast<uint8_t>(1 + (x * 7 + y * 3 + seed) % 250));
            source.depth.push_back(static_cast<uint8_t>(60 + y + (x % 5)));
        }
    testing::Spr2ChunkFrame frame;
    frame.width = 64;
    frame.height = 64;
    frame.pixels = testing::EncodeSpr2Pixels(source);
    return frame;
}

testing::Spr2ChunkFrame Shadow()
{
    testing::Spr2SourceFrame source;
    source.width = 64;
    source.height = 64;
    source.hasDepth = false;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int dx = x - 32;
            const int dy = (y - 52) * 3;
            source.colour.push_back(dx * dx + dy * dy < 30 * 30 ? 200 : 0);
        }
    testing::Spr2ChunkFrame frame;
    frame.width = 64;
    frame.height = 64;
    frame.pixels = testing::EncodeSpr2Pixels(source);
    return frame;
}

std::vector<uint8_t> FourTileObject()
{
    std::vector<uint8_t> colours;
    for (int i = 0; i < 256; ++i)
        colours.insert(colours.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)});
    testing::IffFileLayout layout;
    layout.chunks.push_back(testing::ObjdChunk(200, "Bed", 0, 1, 9, -1));
    for (uint16_t tile = 0; tile < 4; ++tile) {
        const auto sub = static_cast<int16_t>((tile & 1) | ((tile >> 1) << 8));
        const auto graphic = static_cast<uint16_t>(3000 + 100 * tile);
        const auto sprite = static_cast<uint16_t>(500 + tile);
        layout.chunks.push_back(testing::ObjdChunk(static_cast<uint16_t>(201 + tile), "Bed tile", graphic, 1, 9, sub));
        layout.chunks.push_back(testing::DgrpChunk(graphic, 0xFF, 1,
                                                   {testing::Placement(sprite, 1, -32, 16),
                                                    testing::Placement(sprite, 0, -32, 16)}));
        layout.chunks.push_back(testing::Chunk("SPR2", sprite, testing::BuildSpr2(1, {Body(tile), Shadow()})));
    }
    layout.chunks.push_back(testing::Chunk("PALT", 1, testing::BuildPalt(colours)));
    return testing::BuildIffFile(layout);
}

void BM_DrawObject(benchmark::State& state)
{
    CIffFileRef file;
    IffParseError error = IffParseError::None;
    CObjectCatalogue catalogue;
    RenderTarget target;
    if (!file.Open(FourTileObject(), error, true) || !catalogue.Build(&file) ||
        !target.Allocate(1920, 1080, static_cast<int>(state.range(0)))) {
        state.SkipWithError("set-up failed");
        return;
    }
    const ObjectEntry& leader = *catalogue.Entry(catalogue.FirstDisplayable());
    for (auto _ : state) {
        state.PauseTiming();
        target.FillColour(255, 255, 0);
        target.FillDepth(255);
        state.ResumeTiming();
        target.x = 960;
        target.y = 540;
        if (!DrawObject(catalogue, leader, 0, 0, 1, target))
            state.SkipWithError("drawing failed");
    }
    state.counters["objects_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["target_per_s"] = 20000;
}

BENCHMARK(BM_DrawObject)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("DrawObject of a 4-tile object at zoom 1 into 1920x1080 (argument: bits per pixel): "
                "at least 20,000 objects per second\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
