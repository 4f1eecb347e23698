// The subtitle page's analysis on a 10 MiB firmware of code-like filler: the
// full Debug read (structure summary, PS_B candidate listing, trace) and the
// plain read, with the routine and its caller near the end of the image.
#include <benchmark/benchmark.h>

#include <stdexcept>

#include "core/subtitle/psb_routine.h"
#include "core/subtitle/subtitle_analysis.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel {
namespace {

constexpr size_t kImageSize = 0xA00000;

const FirmwareImage& RealisticImage() {
  static const FirmwareImage image = [] {
    std::vector<testing::OsdGroupSpec> groups(
        40, testing::OsdGroupSpec{0x8000, {{1, 10, 10, 0, 0}}});
    testing::FirmwareBuilder builder(kImageSize);
    builder.CodeLikeFiller(0x300, kImageSize - 0x300, 7)
        .WindowList(0x9E0000, testing::DemoWindows(20, 0x1000))
        .OsdPosList(0x9E4000, groups);
    // A few other sending routines spread over the image.
    for (const int n : {0x09, 0x17, 0x1D, 0x31, 0x52}) {
      testing::CodeEmitter code;
      code.MovDptr(0xF800).MovAFromR(7).MovxDptrFromA();
      testing::PsbCall(code, static_cast<uint8_t>(n), 0x4A10).Ret();
      builder.Bytes(static_cast<size_t>(n) * 0x10000 + 0x1000, code.bytes());
    }
    builder
        .Bytes(0x9C2340, testing::SubtitleRoutine(
                             testing::XramLoads(testing::kSubtitleCells))
                             .bytes())
        .Bytes(0x9C5000,
               testing::SubtitleCaller(
                   testing::kSubtitleCells,
                   {5, 0x30, 0, 0xA4, 1, 0xA0, 2, 0x1C, 2, 1, 9, 4}, 0x2340)
                   .bytes());
    FirmwareImage built = builder.Build();
    Mpeg4SubtitleParams params;
    if (!ReadSubtitleParams(built, params, nullptr) ||
        !IsValidSubtitleParams(params))
      throw std::logic_error("benchmark image does not read back");
    return built;
  }();
  return image;
}

void BM_ReadSubtitleParamsDebug(benchmark::State& state) {
  const FirmwareImage& image = RealisticImage();
  for (auto _ : state) {
    AnalysisLog log;
    Mpeg4SubtitleParams params;
    benchmark::DoNotOptimize(ReadSubtitleParams(image, params, &log));
    benchmark::DoNotOptimize(log.data());
  }
}
BENCHMARK(BM_ReadSubtitleParamsDebug)->Unit(benchmark::kMillisecond);

void BM_ReadSubtitleParams(benchmark::State& state) {
  const FirmwareImage& image = RealisticImage();
  for (auto _ : state) {
    Mpeg4SubtitleParams params;
    benchmark::DoNotOptimize(ReadSubtitleParams(image, params, nullptr));
  }
}
BENCHMARK(BM_ReadSubtitleParams)->Unit(benchmark::kMillisecond);

// The candidate listing's lookups made one number and one pattern at a time,
// for comparison with the one-pass finder the listing uses.
void BM_PsbLookupsOneAtATime(benchmark::State& state) {
  const FirmwareImage& image = RealisticImage();
  for (auto _ : state)
    for (int n = 0; n <= 100; ++n)
      benchmark::DoNotOptimize(
          FindOsdPsbRoutine(image, static_cast<uint8_t>(n)));
}
BENCHMARK(BM_PsbLookupsOneAtATime)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
