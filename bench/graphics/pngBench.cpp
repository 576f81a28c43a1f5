// PNG decoding throughput: our decoder against libpng, and the table inflater against the tree walker.
#include <benchmark/benchmark.h>

#include <random>

#include "png/inflate.h"
#include "png/png.h"
#include "tests/support/png/libpngIo.h"
#include "tests/support/png/pngBuilder.h"
#include "tests/support/png/referenceInflate.h"
#include "tests/support/png/suiteFiles.h"

using namespace PngTest;
using Bytes = std::vector<unsigned char>;

namespace {

// A 1024 x 1024 RGBA image (4 MiB of pixels) written by libpng with every filter.
const Bytes& largeImage() {
    static const Bytes file = [] {
        std::mt19937 rng(1);
        return writeWithLibpng(LibpngSpec{6, 8, 1024, 1024, 0, 0xF8 /* all filters */, 8192, 6, false}, rng);
    }();
    return file;
}

const std::vector<Bytes>& suiteFiles() {
    static const std::vector<Bytes> files = [] {
        std::vector<Bytes> all;
        for (const auto& row : readSuiteTable(suiteDir()))
            if (row.reference == "ok") all.push_back(readWholeFile(suiteDir() + "/" + row.file));
        return all;
    }();
    return files;
}

size_t pixelBytes(const Bytes& file) {
    Bytes rgba;
    unsigned w = 0, h = 0;
    Png::decodePng(rgba, w, h, file.data(), file.size());
    return rgba.size();
}

// Decodes every file per iteration; throughput counts the decoded RGBA bytes.
using Decoder = bool (*)(const Bytes& file, Bytes& rgba, unsigned& w, unsigned& h);
bool decodeWithOurs(const Bytes& f, Bytes& rgba, unsigned& w, unsigned& h) {
    return Png::decodePng(rgba, w, h, f.data(), f.size()) == 0;
}

void decodeWith(benchmark::State& state, Decoder decode, const std::vector<const Bytes*>& files) {
    size_t bytes = 0;
    for (const Bytes* f : files) bytes += pixelBytes(*f);
    for (auto _ : state) {
        for (const Bytes* f : files) {
            Bytes rgba;
            unsigned w = 0, h = 0;
            if (!decode(*f, rgba, w, h)) state.SkipWithError("decode failed");
            benchmark::DoNotOptimize(rgba.data());
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

std::vector<const Bytes*> large() { return {&largeImage()}; }
std::vector<const Bytes*> suite() {
    std::vector<const Bytes*> all;
    for (const Bytes& f : suiteFiles()) all.push_back(&f);
    return all;
}

void BM_DecodeLarge_Ours(benchmark::State& s) { decodeWith(s, decodeWithOurs, large()); }
void BM_DecodeLarge_Libpng(benchmark::State& s) { decodeWith(s, readWithLibpng, large()); }
void BM_DecodeSuite_Ours(benchmark::State& s) { decodeWith(s, decodeWithOurs, suite()); }
void BM_DecodeSuite_Libpng(benchmark::State& s) { decodeWith(s, readWithLibpng, suite()); }

using Inflater = int (*)(Bytes&, const unsigned char*, size_t, size_t);

// Inflates `stream` once per iteration; returns the size of the inflated output.
size_t inflateLoop(benchmark::State& state, Inflater inflate, const Bytes& stream) {
    Bytes out;
    for (auto _ : state) {
        if (inflate(out, stream.data(), stream.size(), SIZE_MAX) != 0) state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    return out.size();
}

void inflateWith(benchmark::State& state, Inflater inflate) {
    static const Bytes stream = idatStream(largeImage());
    const size_t outBytes = inflateLoop(state, inflate, stream);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(outBytes));
}
void BM_InflateLarge_Table(benchmark::State& s) { inflateWith(s, Png::inflateZlib); }
void BM_InflateLarge_TreeWalk(benchmark::State& s) { inflateWith(s, referenceInflateZlib); }

// 16384 empty dynamic blocks whose codes need the most second-level tables:
// 285 literal/length codes of 11 bits beside one of 15, distance codes alike.
Bytes subtableBlocks() {
    std::vector<unsigned> literal(286, 11), distance(30, 11);
    literal[285] = distance[29] = 15;
    BitWriter w;
    for (int b = 0; b < 16384; ++b) dynamicBlock(w, b == 16383, literal, distance, {});
    return zlibWrap(w.bytes);
}

// Crafted input: 65536 dynamic blocks of 11-17 bytes, half of them empty, so
// building the codes is nearly all the work. Throughput is input bytes; the
// table inflater should stay within a small factor of the tree walk here.
// Argument: 0 for 1-bit codes, 1 for 15-bit codes, 2 for the subtable-heavy blocks above.
void inflateTinyBlocks(benchmark::State& state, Inflater inflate) {
    static const Bytes streams[3] = {tinyBlocksStream(65536, false), tinyBlocksStream(65536, true), subtableBlocks()};
    const Bytes& stream = streams[state.range(0)];
    inflateLoop(state, inflate, stream);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}
void BM_InflateTinyBlocks_Table(benchmark::State& s) { inflateTinyBlocks(s, Png::inflateZlib); }
void BM_InflateTinyBlocks_TreeWalk(benchmark::State& s) { inflateTinyBlocks(s, referenceInflateZlib); }

}  // namespace

BENCHMARK(BM_DecodeLarge_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLarge_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSuite_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSuite_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateLarge_Table)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateLarge_TreeWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateTinyBlocks_Table)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InflateTinyBlocks_TreeWalk)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
