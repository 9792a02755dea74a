// Archive store figures: manifest load, adding names, full save against cp.
#include "archive/far_archive.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "testing/bench_timing.h"
#include "testing/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

using namespace vorn;
using testing::BestMilliseconds;


std::string EntryName(int i)
{
    return "Objects\\Group" + std::to_string(i % 997) + "\\Object_" + std::to_string(i) + ".iff";
}


} // namespace

int main()
{
    testing::TempDir dir;
    int error = 0;

    // 200,000 small entries written once, then loaded (header and manifest only).
    const auto manyPath = dir / "many.far";
    {
        CFarArchive archive;
        for (int i = 0; i < 200000; ++i) {
            MemoryStream bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("0123456789abcdef"), 16));
            archive.AddOrReplace(EntryName(i), bytes, false);
        }
        auto out = FileStream::Open(manyPath, FileMode::CreateReadWrite, error);
        if (!out || !archive.Save(*out))
            return 1;
    }
    auto file = FileStream::Open(manyPath, FileMode::ReadWrite, error);
    CFarArchive loaded;
    const double loadMs = BestMilliseconds(5, [] {}, [&] { loaded.Load(*file); });
    if (loaded.EntryCount() != 200000)
        return 1;
    testing::ReportMilliseconds("Load, 200,000 entries (manifest only)", loadMs, 150);

    MemoryStream small(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("new bytes"), 9));
    const double addMs = BestMilliseconds(
        3, [&] { loaded.Load(*file); },
        [&] {
            for (int i = 0; i < 100000; ++i)
                loaded.AddOrReplace("Added\\Item_" + std::to_string(i) + ".bin", small, false);
        });
    if (loaded.EntryCount() != 300000)
        return 1;
    testing::ReportMilliseconds("AddOrReplace, 100,000 new names into that archive", addMs, 300);

    const double findMs = BestMilliseconds(3, [] {}, [&] {
        for (int i = 0; i < 200000; i += 2)
            if (!loaded.FindEntry(EntryName(i)))
                std::abort();
    });
    testing::ReportMilliseconds("FindEntry, 100,000 lookups in 300,000 entries", findMs, 100);

    // 512 MiB in memory, saved in full, against cp of a file of the same size.
    constexpr int kBlocks = 4096;
    constexpr size_t kBlockSize = 128 * 1024;
    CFarArchive big;
    {
        std::vector<uint8_t> chunk(kBlockSize);
        for (size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<uint8_t>(i * 131);
        for (int i = 0; i < kBlocks; ++i) {
            MemoryStream bytes(chunk);
            big.AddOrReplace(EntryName(i), bytes, false);
        }
    }
    // Save and cp take turns, each starting from a clean page cache (sync
    // first), so neither pays for the other's dirty pages being written back.
    const auto savedPath = dir / "saved.far";
    const auto copyPath = dir / "copy.far";
    const std::string command = "cp '" + savedPath.string() + "' '" + copyPath.string() + "'";
    double saveMs = 1e300;
    double cpMs = 1e300;
    for (int round = 0; round < 4; ++round) {
        saveMs = std::min(saveMs, BestMilliseconds(
            1, [&] { std::filesystem::remove(savedPath); ::sync(); },
            [&] {
                auto out = FileStream::Open(savedPath, FileMode::CreateReadWrite, error);
                if (!out || !big.Save(*out))
                    std::abort();
            }));
        cpMs = std::min(cpMs, BestMilliseconds(
            1, [&] { std::filesystem::remove(copyPath); ::sync(); },
            [&] {
                if (std::system(command.c_str()) != 0)
                    std::abort();
            }));
    }
    std::printf("%-64s %10.1f ms\n", "Full save, 512 MiB in memory", saveMs);
    std::printf("%-64s %10.1f ms\n", "cp of a 512 MiB file", cpMs);
    const double ratio = saveMs / cpMs;
    std::printf("%-64s %10.2f x    (target <= 1.50 x) %s\n", "Full save time / cp time", ratio,
                ratio <= 1.5 ? "ok" : "MISSED");
    return 0;
}
