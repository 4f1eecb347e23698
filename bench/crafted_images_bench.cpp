// The whole road of a hostile file through the editor's analysis: open (read
// from a file, locate the window list and the OSD message position list),
// read the subtitle parameters with the Debug log, apply new ones with the
// Debug log. Each crafted image and each worst-case filler must take well
// under one second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_images.h"
#include "core/image_scan.h"
#include "core/osd_pos_list.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/window_list.h"
#include "tests/support/crafted_images.h"

namespace orlindel {
namespace {

namespace fs = std::filesystem;

// `image` in a file of the temporary folder for the length of one benchmark.
class TemporaryFirmwareFile {
 public:
  TemporaryFirmwareFile(const std::string& name, const FirmwareImage& image)
      : path_(fs::temp_directory_path() / ("orlindel_bench_" + name + ".bin")) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
  }
  ~TemporaryFirmwareFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  TemporaryFirmwareFile(const TemporaryFirmwareFile&) = delete;
  TemporaryFirmwareFile& operator=(const TemporaryFirmwareFile&) = delete;

  std::string path() const { return path_.string(); }

 private:
  fs::path path_;
};

void OpenAnalyseAndUpdate(benchmark::State& state, const std::string& name,
                          const FirmwareImage& original) {
  TraceModel model;
  const TemporaryFirmwareFile file(name, original);
  const Mpeg4SubtitleParams chosen = {3, 16, 400, 700, 560, 2, 1, 0};
  size_t log_lines = 0;
  for (auto _ : state) {
    FirmwareImage image = LoadFirmwareFile(file.path());
    const ImageScan scan(image, ScannedSearches::kTables);
    const WindowListInfo windows = FindWindowList(image, scan);
    benchmark::DoNotOptimize(FindOsdPosList(image, windows.count - 1, scan));
    AnalysisLog read_log;
    Mpeg4SubtitleParams params;
    benchmark::DoNotOptimize(
        ReadSubtitleParams(model, image, params, &read_log));
    AnalysisLog update_log;
    benchmark::DoNotOptimize(
        UpdateSubtitleParams(model, image, chosen, &update_log));
    log_lines = read_log.size();
    benchmark::DoNotOptimize(image.data());
  }
  state.counters["read_log_lines"] = static_cast<double>(log_lines);
}

void BM_CraftedImage(benchmark::State& state, testing::CraftedCase crafted) {
  const FirmwareImage image = testing::CraftedImage(crafted);
  OpenAnalyseAndUpdate(state, testing::CraftedCaseName(crafted), image);
}
BENCHMARK_CAPTURE(BM_CraftedImage, reentering_chain,
                  testing::CraftedCase::kReenteringChain)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CraftedImage, ten_thousand_nested_calls,
                  testing::CraftedCase::kTenThousandNestedCalls)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CraftedImage, loop_of_long_calls,
                  testing::CraftedCase::kLoopOfLongCalls)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CraftedImage, ten_mebibytes_of_nops,
                  testing::CraftedCase::kTenMebibytesOfNops)
    ->Unit(benchmark::kMillisecond);

void BM_WorstCaseFiller(benchmark::State& state, bench::ImageKind kind) {
  OpenAnalyseAndUpdate(state, bench::ImageKindName(kind),
                       bench::BenchImage(kind));
}
BENCHMARK_CAPTURE(BM_WorstCaseFiller, realistic, bench::ImageKind::kRealistic)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WorstCaseFiller, long_osd_groups,
                  bench::ImageKind::kLongOsdGroups)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WorstCaseFiller, repeated_wlist,
                  bench::ImageKind::kRepeatedWList)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WorstCaseFiller, all_ff, bench::ImageKind::kAllFF)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WorstCaseFiller, repeated_7f_e0,
                  bench::ImageKind::kRepeated7FE0)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
