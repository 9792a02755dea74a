// The modding commands as a script runs them, files included: wav2xa of
// 60 s of stereo 44.1 kHz (held to 1 s) and iff export of an object of 14
// graphics, each a sprite of 4 directions at 3 zooms (held to 100 ms).
#include "cli/cli_app.h"
#include "testing/bench_timing.h"
#include "testing/object_fixture.h"
#include "testing/temp_dir.h"
#include "testing/xa_builder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <optional>
#include <random>
#include <unistd.h>
#include <sstream>

namespace {

using namespace vorn::testing;

std::vector<uint8_t> SixtySecondsOfStereo()
{
    constexpr int kRate = 44100;
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 800);
    std::vector<int16_t> samples;
    samples.reserve(2 * 60 * kRate);
    for (int i = 0; i < 60 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        for (int c = 0; c < 2; ++c) {
            double v = noise(rng);
            for (double hz : {220.0, 277.18, 329.63})
                v += 6000 * std::sin(2 * std::numbers::pi * hz * (1 + 0.5 * c) * t);
            samples.push_back(static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0)));
        }
    }
    return BuildWavImage(2, kRate, samples);
}

// 14 sprites of 12 frames: 4 directions at zoom 1 (136 x 180 pixels), 2 and 3
// (half and a quarter of that), a shaded block with a transparent border.
std::vector<uint8_t> FourteenGraphicObject()
{
    IffFileLayout layout;
    std::vector<uint8_t> palette;
    for (int i = 0; i < 256; ++i)
        palette.insert(palette.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)});
    layout.chunks.push_back(Chunk("PALT", 1, BuildPalt(palette)));
    for (int graphic = 0; graphic < 14; ++graphic) {
        std::vector<Spr2ChunkFrame> frames;
        for (int zoom = 1; zoom <= 3; ++zoom)
            for (int direction = 0; direction < 4; ++direction) {
                Spr2SourceFrame source;
                source.width = static_cast<uint16_t>(136 >> (zoom - 1));
                source.height = static_cast<uint16_t>(180 >> (zoom - 1));
                for (int y = 0; y < source.height; ++y)
                    for (int x = 0; x < source.width; ++x) {
                        const bool border = x < 8 || y < 8 || x >= source.width - 8;
                        source.colour.push_back(border ? 0 : static_cast<uint8_t>(1 + (x + y + direction) % 255));
                        source.depth.push_back(static_cast<uint8_t>(y));
                    }
                Spr2ChunkFrame frame;
                frame.width = source.width;
                frame.height = source.height;
                frame.paletteId = 1;
                frame.pixels = EncodeSpr2Pixels(source);
                frames.push_back(std::move(frame));
            }
        layout.chunks.push_back(Chunk("SPR2", static_cast<uint16_t>(256 + graphic), BuildSpr2(1, frames)));
    }
    return BuildIffFile(layout);
}

bool Run(const std::vector<std::string>& arguments)
{
    std::ostringstream out, err;
    const int status = vorn::RunCli(arguments, out, err);
    if (status != 0)
        std::fprintf(stderr, "%s", err.str().c_str());
    return status == 0;
}

// A folder in memory when the system has one (/dev/shm), else none.
std::optional<TempDir> MemoryFolder()
{
    std::error_code error;
    if (!std::filesystem::is_directory("/dev/shm", error) || ::access("/dev/shm", W_OK) != 0)
        return std::nullopt;
    try {
        return std::optional<TempDir>(std::in_place, "/dev/shm");
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

int main(int argc, char** argv)
{
    // With a folder, only the inputs are written there, for profiling the
    // commands on their own (perf record vorn-cli ...).
    if (argc == 2) {
        WriteFileBytes(std::filesystem::path(argv[1]) / "music.wav", SixtySecondsOfStereo());
        WriteFileBytes(std::filesystem::path(argv[1]) / "object.iff", FourteenGraphicObject());
        return 0;
    }
    TempDir dir;
    const std::string wav = (dir / "music.wav").string();
    const std::string xa = (dir / "music.xa").string();
    const std::string iff = (dir / "object.iff").string();
    WriteFileBytes(wav, SixtySecondsOfStereo());
    WriteFileBytes(iff, FourteenGraphicObject());

    std::printf("Each command runs in this process several times. cpu: user + sys time of the process, all its\n"
                "threads together, of the run that took least; wall: elapsed time, best and worst run. The\n"
                "targets hold the cpu time: the work is bound by the processor, and other programs sharing\n"
                "the cores lengthen the wall time, not the cpu time.\n");
    bool ok = true;
    const RunTimes encode = MeasureRuns(
        5, [&] { std::filesystem::remove(xa); }, [&] { ok = Run({"wav2xa", wav, xa}) && ok; });
    // Every run exports into a new folder: creating files where many were
    // just deleted costs some file systems much more than creating them afresh.
    auto exportInto = [&](const std::filesystem::path& parent) {
        int run = 0;
        return MeasureRuns(
            7, [] {}, [&] { ok = Run({"iff", "export", iff, (parent / std::to_string(run++)).string()}) && ok; });
    };
    const std::optional<TempDir> memory = MemoryFolder();
    const RunTimes exportMemory = exportInto(memory ? memory->Path() : dir.Path() / "exports");
    const RunTimes exportDisk = exportInto(dir.Path() / "disk-exports");
    if (!ok) {
        std::printf("a command failed\n");
        return 1;
    }
    bool met = ReportCpuMilliseconds("wav2xa, 60 s of stereo 44.1 kHz", encode, 1000);
    const std::string memoryLine = "iff export, 14 graphics of 12 frames (336 PNG files) into " +
                                   (memory ? memory->Path().string() + " (memory)" : dir.Path().string());
    met = ReportCpuMilliseconds(memoryLine.c_str(), exportMemory, 100) && met;
    // On disk the file system's work of making 337 files comes on top; it is
    // shown but not held, as it depends on the file system and on what else
    // has lately been created and deleted there.
    const std::string diskLine = "the same export into " + dir.Path().string() + " (the temporary folder)";
    ReportCpuMilliseconds(diskLine.c_str(), exportDisk, 100, !memory.has_value());
    return met ? 0 : 1;
}
