// Checksum throughput over a 256 MiB file held in the page cache: the fast
// path the tools use against the one-lookup-per-byte loop, in one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <vector>

#include "payload/file_crc32.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kFileSize = std::uintmax_t(256) << 20;
const fs::path kFile = "/tmp/tarifex-bench-256MiB.bin";

// Made once and kept between runs; written under another name first, so an
// interrupted run never leaves a short file behind that a later run would trust.
void PrepareFile() {
  std::error_code ec;
  if (fs::file_size(kFile, ec) == kFileSize) return;
  const fs::path partial = kFile.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    std::mt19937_64 random(256);
    std::vector<std::uint64_t> block(1 << 17);
    for (std::uintmax_t written = 0; written < kFileSize; written += block.size() * 8) {
      for (auto& word : block) word = random();
      out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * 8));
    }
    if (!out.flush()) {
      std::cerr << "cannot write " << partial << "\n";
      std::exit(1);
    }
  }
  fs::rename(partial, kFile);
}

void FileCrc32Throughput(benchmark::State& state, tarifex::Crc32Method method) {
  for (auto _ : state) benchmark::DoNotOptimize(tarifex::FileCrc32(kFile, method));
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(kFileSize));
}

BENCHMARK_CAPTURE(FileCrc32Throughput, slicing_by_8, tarifex::Crc32Method::kSlicingBy8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_CAPTURE(FileCrc32Throughput, byte_loop, tarifex::Crc32Method::kByteLoop)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  PrepareFile();
  // Both paths must agree, or the faster figure means nothing; this read also fills the cache.
  const auto fast = tarifex::FileCrc32(kFile, tarifex::Crc32Method::kSlicingBy8);
  const auto slow = tarifex::FileCrc32(kFile, tarifex::Crc32Method::kByteLoop);
  if (fast != slow) {
    std::cerr << "checksums differ: " << std::hex << fast << " " << slow << "\n";
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
