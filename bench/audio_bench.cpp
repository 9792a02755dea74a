// XA decoding throughput, in bytes of WAV output per second. Target: 150 MB/s.
#include "audio/xa_decoder.h"
#include "base/memory_stream.h"
#include "testing/xa_builder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

namespace {

constexpr double kTargetBytesPerSecond = 150e6;

std::vector<uint8_t> MakeSound(uint16_t channels, size_t seconds)
{
    // 22050 frames a second: 28 frames per 15-byte block of each channel.
    const size_t blocks = seconds * 22050 / 28;
    std::mt19937 rng(1);
    std::vector<uint8_t> data(blocks * 15 * channels);
    for (size_t i = 0; i < data.size(); ++i) {
        const bool header = (i / channels) % 15 == 0;
        data[i] = header ? static_cast<uint8_t>((rng() % 4) << 4 | (rng() % 13)) : static_cast<uint8_t>(rng());
    }
    return vorn::testing::BuildXa(channels, 22050, data);
}

void DecodeXa(benchmark::State& state)
{
    const auto xa = MakeSound(static_cast<uint16_t>(state.range(0)), 60);
    vorn::CXaDecoder decoder;
    int64_t bytes = 0;
    for (auto _ : state) {
        // A fresh stream each time, as the viewer makes one per sound.
        vorn::MemoryStream out(1024);
        decoder.SetInput(xa, &out);
        if (!decoder.Decode())
            state.SkipWithError("decode failed");
        bytes += out.Length();
        benchmark::DoNotOptimize(out.Bytes().data());
    }
    state.SetBytesProcessed(bytes);
    state.counters["wav_MB_per_s"] = benchmark::Counter(static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsRate);
    state.counters["target_MB_per_s"] = kTargetBytesPerSecond / 1e6;
}
BENCHMARK(DecodeXa)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    std::printf("XA decoding: WAV output throughput (wav_MB_per_s), held to at least %.0f MB/s\n",
                kTargetBytesPerSecond / 1e6);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
