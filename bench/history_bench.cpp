// The edit history on a 10 MiB image: the diff that refreshes the list of
// changes after every edit, labelling an opened image, and an IPS export and
// apply of a typical session's changes.
#include <benchmark/benchmark.h>

#include "bench/bench_images.h"
#include "core/history/image_diff.h"
#include "core/history/labelled_changes.h"
#include "core/patch/ips.h"

namespace orlindel {
namespace {

using bench::BenchImage;
using bench::ImageKind;
using bench::SessionEdited;

void BM_DiffImagesAfterASession(benchmark::State& state) {
  const FirmwareImage& opened = BenchImage(ImageKind::kRealistic);
  const FirmwareImage edited = SessionEdited(opened);
  for (auto _ : state) benchmark::DoNotOptimize(DiffImages(opened, edited));
}
BENCHMARK(BM_DiffImagesAfterASession)->Unit(benchmark::kMillisecond);

void BM_DiffImagesEveryByteChanged(benchmark::State& state) {
  const FirmwareImage& opened = BenchImage(ImageKind::kAllFF);
  const FirmwareImage zeros(opened.size(), 0x00);
  for (auto _ : state) benchmark::DoNotOptimize(DiffImages(opened, zeros));
}
BENCHMARK(BM_DiffImagesEveryByteChanged)->Unit(benchmark::kMillisecond);

void BM_LabelOpenedImage(benchmark::State& state) {
  TraceModel model;
  const FirmwareImage& opened = BenchImage(ImageKind::kRealistic);
  for (auto _ : state) {
    const ChangeLabeller labeller(model, opened);
    benchmark::DoNotOptimize(labeller.Labels(0x9E1000, 2));
  }
}
BENCHMARK(BM_LabelOpenedImage)->Unit(benchmark::kMillisecond);

void BM_IpsExportAndApply(benchmark::State& state) {
  const FirmwareImage& opened = BenchImage(ImageKind::kRealistic);
  const FirmwareImage edited = SessionEdited(opened);
  for (auto _ : state)
    benchmark::DoNotOptimize(ApplyIps(opened, WriteIps(opened, edited)));
}
BENCHMARK(BM_IpsExportAndApply)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
