// BPS patches and layout transfer on a 10 MiB image: a patch of a typical
// session's changes made and applied, a patch that rewrites every byte, and
// a layout exported and imported into a copy whose windows were moved.
#include <benchmark/benchmark.h>

#include "bench/bench_images.h"
#include "core/layout/layout.h"
#include "core/patch/bps.h"

namespace orlindel {
namespace {

using bench::BenchImage;
using bench::ImageKind;
using bench::SessionEdited;

void BM_BpsMakeAndApplyASession(benchmark::State& state) {
  const FirmwareImage& opened = BenchImage(ImageKind::kRealistic);
  const FirmwareImage edited = SessionEdited(opened);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        ApplyBpsPatch(opened, MakeBpsPatch(opened, edited)));
}
BENCHMARK(BM_BpsMakeAndApplyASession)->Unit(benchmark::kMillisecond);

void BM_BpsMakeAndApplyEveryByteChanged(benchmark::State& state) {
  const FirmwareImage& opened = BenchImage(ImageKind::kAllFF);
  const FirmwareImage zeros(opened.size(), 0x00);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        ApplyBpsPatch(opened, MakeBpsPatch(opened, zeros)));
}
BENCHMARK(BM_BpsMakeAndApplyEveryByteChanged)->Unit(benchmark::kMillisecond);

void BM_LayoutExportAndImport(benchmark::State& state) {
  TraceModel model;
  const FirmwareImage& opened = BenchImage(ImageKind::kRealistic);
  Layout layout = ExportLayout(model, opened);
  for (LayoutWindow& window : layout.windows)
    window.left = static_cast<uint16_t>(window.left / 2);
  for (auto _ : state) {
    FirmwareImage image = opened;
    benchmark::DoNotOptimize(ImportLayout(model, image, layout, {}, false));
    benchmark::DoNotOptimize(ExportLayout(model, image));
  }
}
BENCHMARK(BM_LayoutExportAndImport)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
