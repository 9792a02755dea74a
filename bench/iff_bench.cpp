// Parse and Write of an IFF container with 10,000 chunks (about 20 MiB);
// each is held to 30 ms.
#include "base/memory_stream.h"
#include "iff/iff_file_ref.h"
#include "iff/iff_file_table.h"
#include "testing/iff_fixtures.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const std::vector<uint8_t>& LargeFile()
{
    static const std::vector<uint8_t> file = [] {
        vorn::testing::IffFileLayout layout;
        const char* types[] = {"SPR2", "DGRP", "OBJD", "PALT", "BHAV"};
        for (int i = 0; i < 10000; ++i) {
            vorn::testing::IffChunkDesc chunk;
            chunk.type = types[i % 5];
            chunk.id = static_cast<uint16_t>(i);
            chunk.label = "chunk " + std::to_string(i);
            chunk.data.assign(2000 + static_cast<size_t>(i % 200), static_cast<uint8_t>(i));
            layout.chunks.push_back(std::move(chunk));
        }
        return vorn::testing::BuildIffFile(layout);
    }();
    return file;
}

void BM_IffParse(benchmark::State& state)
{
    const auto& file = LargeFile();
    auto& table = vorn::IffFileTable::Instance();
    // The container keeps its copy of the bytes; each round parses it afresh.
    const uint32_t handle = table.Open(file, {}, false);
    for (auto _ : state) {
        vorn::IffParseError error = vorn::IffParseError::None;
        if (!table.Parse(handle, error) || table.Get(handle)->ChunkCount() != 10001)
            state.SkipWithError("parse failed");
    }
    table.Close(handle);
    state.counters["MiB"] = static_cast<double>(file.size()) / (1 << 20);
    state.counters["target_ms"] = 30;
}

void BM_IffWrite(benchmark::State& state)
{
    const auto& file = LargeFile();
    vorn::CIffFileRef ref;
    vorn::IffParseError error = vorn::IffParseError::None;
    if (!ref.Open(file, error, true) || !ref.LoadAll()) {
        state.SkipWithError("open failed");
        return;
    }
    vorn::MemoryStream out;
    for (auto _ : state) {
        if (!ref.Save(out))
            state.SkipWithError("write failed");
    }
    if (out.Length() != static_cast<int64_t>(file.size()))
        state.SkipWithError("written size differs");
    state.counters["MiB"] = static_cast<double>(file.size()) / (1 << 20);
    state.counters["target_ms"] = 30;
}

BENCHMARK(BM_IffParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IffWrite)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("IFF parse and write of 10,000 chunks (about 20 MiB): each held to under 30 ms\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
