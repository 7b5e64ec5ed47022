// Bytes per second of DecompressBlock and CompressBlock on the kinds of
// content a package holds.
#include "archive/compress.h"
#include "archive/decompress.h"

#include "tests/unit/archive/sample_data.h"

#include <benchmark/benchmark.h>

namespace {

enum Content { TextContent, RandomContent, RunsContent, MixedContent };

std::vector<uint8_t> Make(Content content, size_t size) {
    switch (content) {
    case TextContent:
        return samples::Text(size, 1);
    case RandomContent:
        return samples::Random(size, 2);
    case RunsContent:
        return samples::Runs(size, 3, 600);
    case MixedContent:
        break;
    }
    return samples::Mixed(size, 4);
}

void BM_DecompressBlock(benchmark::State& state) {
    std::vector<uint8_t> data = Make(static_cast<Content>(state.range(0)), 8 << 20);
    std::vector<uint8_t> block = CompressBlock(data);
    std::vector<uint8_t> out(data.size());
    for (auto _ : state) {
        DWORD produced = 0;
        int done = DecompressBlock(out.data(), static_cast<DWORD>(out.size()), block.data(),
                                   static_cast<DWORD>(block.size()), &produced);
        benchmark::DoNotOptimize(done);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_CompressBlock(benchmark::State& state) {
    std::vector<uint8_t> data = Make(static_cast<Content>(state.range(0)), 4 << 20);
    for (auto _ : state) {
        std::vector<uint8_t> block = CompressBlock(data);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void Contents(benchmark::internal::Benchmark* b) {
    b->ArgName("content");
    for (int content : {TextContent, RandomContent, RunsContent, MixedContent}) {
        b->Arg(content);
    }
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_DecompressBlock)->Apply(Contents);
BENCHMARK(BM_CompressBlock)->Apply(Contents);
