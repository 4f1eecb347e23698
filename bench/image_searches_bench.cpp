// Opening a 10 MiB firmware: load from the page cache, window list search and
// OSD list search, on every bench image kind, and each search alone; beside
// them the straightforward scans of tests/support on the realistic image, for
// the ratio.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/bench_images.h"
#include "core/firmware_image.h"
#include "core/image_scan.h"
#include "core/osd_pos_list.h"
#include "core/window_list.h"
#include "tests/support/reference_scans.h"

namespace orlindel::bench {
namespace {

// The per-search benchmarks name windows 0..19, so that the OSD search meets
// its groups even on images without a window list.
constexpr int kMaxWindowId = 19;

using Body = void (*)(benchmark::State&, const FirmwareImage&);

void Register(const std::string& name, ImageKind kind, Body body) {
  benchmark::RegisterBenchmark(
      (name + "/" + ImageKindName(kind)).c_str(),
      [kind, body](benchmark::State& state) { body(state, BenchImage(kind)); })
      ->Unit(benchmark::kMillisecond);
}

// The two searches as opening runs them: one shared pass over the image,
// then each search; the OSD entries may name the windows the list holds.
void Searches(ImageView image) {
  const ImageScan scan(image, ScannedSearches::kTables);
  const WindowListInfo windows = FindWindowList(image, scan);
  benchmark::DoNotOptimize(FindOsdPosList(image, windows.count - 1, scan));
}

void StraightforwardSearches(ImageView image) {
  const WindowListInfo windows = testing::ReferenceFindWindowList(image);
  benchmark::DoNotOptimize(
      testing::ReferenceFindOsdPosList(image, windows.count - 1));
}

// The image saved once to a file that every iteration loads, so the load
// comes from the page cache.
class SavedImage {
 public:
  explicit SavedImage(const FirmwareImage& image)
      : path_(
            (std::filesystem::temp_directory_path() / "orlindel_bench_open.bin")
                .string()) {
    FirmwareImage copy = image;
    SaveFirmwareFile(path_, copy);
  }
  ~SavedImage() { std::filesystem::remove(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void OpenBody(benchmark::State& state, const FirmwareImage& image) {
  const SavedImage saved(image);
  for (auto _ : state) Searches(LoadFirmwareFile(saved.path()));
}

void OpenStraightforwardBody(benchmark::State& state,
                             const FirmwareImage& image) {
  const SavedImage saved(image);
  for (auto _ : state) StraightforwardSearches(LoadFirmwareFile(saved.path()));
}

void SearchesBody(benchmark::State& state, const FirmwareImage& image) {
  for (auto _ : state) Searches(image);
}

void SearchesStraightforwardBody(benchmark::State& state,
                                 const FirmwareImage& image) {
  for (auto _ : state) StraightforwardSearches(image);
}

void FindWindowListBody(benchmark::State& state, const FirmwareImage& image) {
  for (auto _ : state) benchmark::DoNotOptimize(FindWindowList(image));
}

void FindWindowListStraightforwardBody(benchmark::State& state,
                                       const FirmwareImage& image) {
  for (auto _ : state)
    benchmark::DoNotOptimize(testing::ReferenceFindWindowList(image));
}

void FindOsdPosListBody(benchmark::State& state, const FirmwareImage& image) {
  for (auto _ : state)
    benchmark::DoNotOptimize(FindOsdPosList(image, kMaxWindowId));
}

void FindOsdPosListStraightforwardBody(benchmark::State& state,
                                       const FirmwareImage& image) {
  for (auto _ : state)
    benchmark::DoNotOptimize(
        testing::ReferenceFindOsdPosList(image, kMaxWindowId));
}

void BM_FixImageChecksum(benchmark::State& state) {
  FirmwareImage image = BenchImage(ImageKind::kRealistic);
  for (auto _ : state) {
    FixImageChecksum(image);
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(BM_FixImageChecksum)->Unit(benchmark::kMillisecond);

const bool kRegistered = [] {
  for (const ImageKind kind : kAllImageKinds) {
    Register("BM_Open", kind, OpenBody);
    Register("BM_OpenSearches", kind, SearchesBody);
    Register("BM_FindWindowList", kind, FindWindowListBody);
    Register("BM_FindOsdPosList", kind, FindOsdPosListBody);
  }
  const ImageKind realistic = ImageKind::kRealistic;
  Register("BM_OpenStraightforward", realistic, OpenStraightforwardBody);
  Register("BM_OpenSearchesStraightforward", realistic,
           SearchesStraightforwardBody);
  Register("BM_FindWindowListStraightforward", realistic,
           FindWindowListStraightforwardBody);
  Register("BM_FindOsdPosListStraightforward", realistic,
           FindOsdPosListStraightforwardBody);
  return true;
}();

}  // namespace
}  // namespace orlindel::bench
