// `orlindel-cli diff` on two 16 MiB images that differ in every other byte:
// eight million one-byte ranges, written as text and as JSON while they are
// found; beside it the core's visitor alone and the collecting diff.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/history/image_diff.h"

namespace orlindel {
namespace {

constexpr size_t kSize = size_t{16} << 20;

// Takes whatever is written and keeps only its length.
class CountingBuffer : public std::streambuf {
 public:
  std::streamsize written = 0;

 protected:
  int overflow(int c) override {
    ++written;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    written += n;
    return n;
  }
};

const FirmwareImage& Before() {
  static const FirmwareImage image(kSize, 0x00);
  return image;
}

const FirmwareImage& Alternating() {
  static const FirmwareImage image = [] {
    FirmwareImage bytes(kSize, 0x00);
    for (size_t at = 1; at < kSize; at += 2) bytes[at] = 0xFF;
    return bytes;
  }();
  return image;
}

// The two images as files, written once per run of the benchmarks.
struct DiffFiles {
  std::string before, after;
  DiffFiles() {
    const auto dir = std::filesystem::temp_directory_path();
    before = (dir / "orlindel_diff_bench_before.bin").string();
    after = (dir / "orlindel_diff_bench_after.bin").string();
    Write(before, Before());
    Write(after, Alternating());
  }
  ~DiffFiles() {
    std::filesystem::remove(before);
    std::filesystem::remove(after);
  }
  static void Write(const std::string& path, const FirmwareImage& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
};

const DiffFiles& Files() {
  static const DiffFiles files;
  return files;
}

void RunDiff(benchmark::State& state, bool json) {
  const DiffFiles& files = Files();
  std::vector<std::string> args = {"diff", files.before, files.after};
  if (json) args.push_back("--json");
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    std::istringstream in;
    if (cli::Run(args, in, out, err) != 1) state.SkipWithError("diff failed");
    state.counters["output_MiB"] =
        static_cast<double>(buffer.written) / (1 << 20);
  }
}

void BM_CliDiffAlternatingText(benchmark::State& state) {
  RunDiff(state, false);
}
BENCHMARK(BM_CliDiffAlternatingText)->Unit(benchmark::kMillisecond);

void BM_CliDiffAlternatingJson(benchmark::State& state) {
  RunDiff(state, true);
}
BENCHMARK(BM_CliDiffAlternatingJson)->Unit(benchmark::kMillisecond);

void BM_VisitImageDifferencesAlternating(benchmark::State& state) {
  for (auto _ : state) {
    size_t runs = 0;
    VisitImageDifferences(Before(), Alternating(),
                          [&runs](const DiffRun&) { ++runs; });
    benchmark::DoNotOptimize(runs);
  }
}
BENCHMARK(BM_VisitImageDifferencesAlternating)->Unit(benchmark::kMillisecond);

// The straightforward path: every run collected with copies of its bytes.
void BM_DiffImagesAlternating(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(DiffImages(Before(), Alternating()));
}
BENCHMARK(BM_DiffImagesAlternating)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
