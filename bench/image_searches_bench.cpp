// Opening a 10 MiB firmware: load, window list search, OSD list search and
// checksum, on every bench image kind, beside the straightforward scans on
// the realistic image for the ratio.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/bench_images.h"
#include "core/firmware_image.h"
#include "core/osd_pos_list.h"
#include "core/window_list.h"
#include "tests/support/reference_scans.h"

namespace orlindel::bench {
namespace {

constexpr int kMaxWindowId = 19;

void RegisterPerKind(const char* name,
                     void (*body)(benchmark::State&, const FirmwareImage&)) {
  for (const ImageKind kind : kAllImageKinds)
    benchmark::RegisterBenchmark(
        (std::string(name) + "/" + ImageKindName(kind)).c_str(),
        [kind, body](benchmark::State& state) {
          body(state, BenchImage(kind));
        })
        ->Unit(benchmark::kMillisecond);
}

void FindWindowListBody(benchmark::State& state, const FirmwareImage& image) {
  for (auto _ : state) benchmark::DoNotOptimize(FindWindowList(image));
}

void FindOsdPosListBody(benchmark::State& state, const FirmwareImage& image) {
  for (auto _ : state)
    benchmark::DoNotOptimize(FindOsdPosList(image, kMaxWindowId));
}

void OpenBody(benchmark::State& state, const FirmwareImage& image) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "orlindel_bench_open.bin")
          .string();
  FirmwareImage copy = image;
  SaveFirmwareFile(path, copy);
  for (auto _ : state) {
    const FirmwareImage loaded = LoadFirmwareFile(path);
    const WindowListInfo windows = FindWindowList(loaded);
    benchmark::DoNotOptimize(
        FindOsdPosList(loaded, windows.count > 0 ? windows.count - 1 : -1));
  }
  std::filesystem::remove(path);
}

void BM_ReferenceFindWindowList(benchmark::State& state) {
  const FirmwareImage& image = BenchImage(ImageKind::kRealistic);
  for (auto _ : state)
    benchmark::DoNotOptimize(testing::ReferenceFindWindowList(image));
}
BENCHMARK(BM_ReferenceFindWindowList)->Unit(benchmark::kMillisecond);

void BM_ReferenceFindOsdPosList(benchmark::State& state) {
  const FirmwareImage& image = BenchImage(ImageKind::kRealistic);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        testing::ReferenceFindOsdPosList(image, kMaxWindowId));
}
BENCHMARK(BM_ReferenceFindOsdPosList)->Unit(benchmark::kMillisecond);

void BM_FixImageChecksum(benchmark::State& state) {
  FirmwareImage image = BenchImage(ImageKind::kRealistic);
  for (auto _ : state) {
    FixImageChecksum(image);
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(BM_FixImageChecksum)->Unit(benchmark::kMillisecond);

const bool kRegistered = [] {
  RegisterPerKind("BM_FindWindowList", FindWindowListBody);
  RegisterPerKind("BM_FindOsdPosList", FindOsdPosListBody);
  RegisterPerKind("BM_Open", OpenBody);
  return true;
}();

}  // namespace
}  // namespace orlindel::bench
