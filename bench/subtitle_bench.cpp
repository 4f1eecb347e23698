// The subtitle page's analysis on 10 MiB images: the full Debug read
// (structure summary, PS_B candidate listing for 0..100, locate, read with
// trace, all log lines) on every bench image kind, and the plain read; beside
// them the straightforward path on the realistic image: the reference scans
// of tests/support for the summary and one search per pattern and number for
// the listing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "bench/bench_images.h"
#include "core/osd_pos_list.h"
#include "core/subtitle/psb_routine.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/subtitle/subtitle_locator.h"
#include "core/window_list.h"
#include "tests/support/reference_scans.h"

namespace orlindel::bench {
namespace {

const FirmwareImage& Realistic() {
  static const FirmwareImage& image = []() -> const FirmwareImage& {
    TraceModel model;
    const FirmwareImage& built = BenchImage(ImageKind::kRealistic);
    Mpeg4SubtitleParams params;
    if (!ReadSubtitleParams(model, built, params, nullptr) ||
        !IsValidSubtitleParams(params))
      throw std::logic_error("benchmark image does not read back");
    return built;
  }();
  return image;
}

void DebugAnalysisBody(benchmark::State& state, const FirmwareImage& image) {
  TraceModel model;
  for (auto _ : state) {
    AnalysisLog log;
    Mpeg4SubtitleParams params;
    benchmark::DoNotOptimize(ReadSubtitleParams(model, image, params, &log));
    benchmark::DoNotOptimize(log.data());
  }
}

// The same work done the straightforward way: each search position by
// position, each PS_B number and pattern by its own pass over the image;
// then the read, whose locate and trace have no faster form.
void BM_DebugAnalysisStraightforward(benchmark::State& state) {
  TraceModel model;
  const FirmwareImage& image = Realistic();
  for (auto _ : state) {
    const WindowListInfo windows = testing::ReferenceFindWindowList(image);
    benchmark::DoNotOptimize(
        testing::ReferenceFindOsdPosList(image, windows.count - 1));
    for (int n = 0; n <= kLastListedPsbNumber; ++n)
      benchmark::DoNotOptimize(
          FindOsdPsbRoutine(image, static_cast<uint8_t>(n)));
    Mpeg4SubtitleParams params;
    benchmark::DoNotOptimize(ReadSubtitleParams(model, image, params, nullptr));
  }
}
BENCHMARK(BM_DebugAnalysisStraightforward)
    ->Name("BM_DebugAnalysisStraightforward/realistic")
    ->Unit(benchmark::kMillisecond);

// The yardstick of the Debug analysis: one pass over the realistic image
// that touches every byte once, 64 bits at a time (XOR into one word), the
// least any analysis that looks at every byte can take on this machine.
void BM_XorPass(benchmark::State& state) {
  const FirmwareImage& image = Realistic();
  for (auto _ : state) {
    uint64_t sum = 0;
    const size_t words = image.size() / sizeof(uint64_t);
    for (size_t w = 0; w < words; ++w) {
      uint64_t word;
      std::memcpy(&word, image.data() + w * sizeof(uint64_t), sizeof word);
      sum ^= word;
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_XorPass)
    ->Name("BM_XorPass/realistic")
    ->Unit(benchmark::kMillisecond);

void BM_ReadSubtitleParams(benchmark::State& state) {
  TraceModel model;
  const FirmwareImage& image = Realistic();
  for (auto _ : state) {
    Mpeg4SubtitleParams params;
    benchmark::DoNotOptimize(ReadSubtitleParams(model, image, params, nullptr));
  }
}
BENCHMARK(BM_ReadSubtitleParams)
    ->Name("BM_ReadSubtitleParams/realistic")
    ->Unit(benchmark::kMillisecond);

const bool kRegistered = [] {
  for (const ImageKind kind : kAllImageKinds)
    benchmark::RegisterBenchmark(
        (std::string("BM_DebugAnalysis/") + ImageKindName(kind)).c_str(),
        [kind](benchmark::State& state) {
          DebugAnalysisBody(state, BenchImage(kind));
        })
        ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
}  // namespace orlindel::bench
