// Opening a 10 MiB firmware: load, window list search, OSD list search and
// checksum, on code-like filler with the tables near the end of the image.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/firmware_image.h"
#include "core/osd_pos_list.h"
#include "core/window_list.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

constexpr size_t kImageSize = 0xA00000;

const FirmwareImage& RealisticImage() {
  static const FirmwareImage image = [] {
    std::vector<testing::OsdGroupSpec> groups(
        40, testing::OsdGroupSpec{0x8000, {{1, 10, 10, 0, 0}}});
    return testing::FirmwareBuilder(kImageSize)
        .CodeLikeFiller(0x300, kImageSize - 0x300, 7)
        .WindowList(0x9E0000, testing::DemoWindows(20, 0x1000))
        .OsdPosList(0x9E4000, groups)
        .Build();
  }();
  return image;
}

void BM_FindWindowList(benchmark::State& state) {
  const FirmwareImage& image = RealisticImage();
  for (auto _ : state) benchmark::DoNotOptimize(FindWindowList(image));
}
BENCHMARK(BM_FindWindowList)->Unit(benchmark::kMillisecond);

void BM_FindOsdPosList(benchmark::State& state) {
  const FirmwareImage& image = RealisticImage();
  for (auto _ : state) benchmark::DoNotOptimize(FindOsdPosList(image, 19));
}
BENCHMARK(BM_FindOsdPosList)->Unit(benchmark::kMillisecond);

void BM_FixImageChecksum(benchmark::State& state) {
  FirmwareImage image = RealisticImage();
  for (auto _ : state) {
    FixImageChecksum(image);
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(BM_FixImageChecksum)->Unit(benchmark::kMillisecond);

void BM_LoadFirmwareFile(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "orlindel_bench.bin").string();
  FirmwareImage image = RealisticImage();
  SaveFirmwareFile(path, image);
  for (auto _ : state) benchmark::DoNotOptimize(LoadFirmwareFile(path));
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadFirmwareFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
