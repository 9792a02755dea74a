// String search of "Find in Archive" and `vorn-cli find --strings` over an
// archive of every shared real object file (../shared/realdata/objects),
// saved and opened again as the editor does, so the entries are read from
// the archive file. Each pass reads and parses every entry and every string
// table. Held to 1 s for 200 MB of object files, scaled from the pass's rate.
#include "archive/vorn_doc.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "sprites/archive_find.h"
#include "testing/temp_dir.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

bool g_targetMissed = false;

void BM_FindStringsInArchiveOfSharedObjects(benchmark::State& state)
{
    const std::filesystem::path objects = VORN_REALDATA_DIR "/objects";
    if (!std::filesystem::is_directory(objects)) {
        state.SkipWithError("no shared object files");
        return;
    }
    vorn::testing::TempDir folder;
    vorn::RecordingMessenger messenger;
    double megabytes = 0;
    {
        vorn::CVornDoc writer(messenger);
        for (const auto& file : std::filesystem::directory_iterator(objects)) {
            std::ifstream in(file.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            megabytes += static_cast<double>(bytes.size()) / 1e6;
            vorn::MemoryStream stream(bytes);
            writer.Tree().AddFile("objects\\" + file.path().filename().string(), stream, false);
        }
        if (!writer.SaveDocument(folder / "objects.far")) {
            state.SkipWithError("archive not written");
            return;
        }
    }
    vorn::CVornDoc document(messenger);
    if (!document.OpenDocument(folder / "objects.far", vorn::OpenAccess::ReadOnly)) {
        state.SkipWithError("archive not opened");
        return;
    }
    size_t hits = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        hits = vorn::ArchiveFind("century", true).Run(document.Tree()).size();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double perPass = seconds / static_cast<double>(state.iterations());
    const double for200MB = perPass * 200.0 / megabytes;
    state.counters["archive_MB"] = megabytes;
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["s_per_200MB"] = for200MB;
    state.SetBytesProcessed(static_cast<int64_t>(megabytes * 1e6) * state.iterations());
    if (hits == 0 || for200MB > 1.0) {
        g_targetMissed = true;
        state.SkipWithError("no hit, or over 1 s for 200 MB");
    }
}
BENCHMARK(BM_FindStringsInArchiveOfSharedObjects)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("Target: a string search of 200 MB of object files in under 1 s, scaled from these files.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return g_targetMissed ? 1 : 0;
}
