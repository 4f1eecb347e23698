// Peak resident memory of `orlindel-cli subtitle FILE --log` on each 10 MiB
// bench image, above the same command's peak on a tiny image (the process's
// baseline). Prints one line per image kind:
//   peak_rss <kind> <image KiB> <baseline KiB> <peak KiB> <ratio>
// where ratio = (peak - baseline) / image size.
// Usage: orlindel_peak_rss PATH_TO_ORLINDEL_CLI
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_images.h"
#include "bench/child_process.h"
#include "core/firmware_image.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::bench {
namespace {

// Runs `cli subtitle path --log` with its output discarded; the child's peak
// resident set in KiB, or -1 when it could not run or failed.
long PeakKib(const std::string& cli, const std::string& path) {
  return ChildPeakKib({cli, "subtitle", path, "--log"});
}

// The highest of a few runs: the peak does not depend on timing, but the
// first run may meet a cold page cache.
long SteadyPeakKib(const std::string& cli, const std::string& path) {
  long peak = -1;
  for (int run = 0; run < 3; ++run) {
    const long kib = PeakKib(cli, path);
    if (kib < 0) return -1;
    peak = std::max(peak, kib);
  }
  return peak;
}

std::string ImagePath(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("orlindel_rss_" + std::string(name) + ".bin"))
      .string();
}

// Writes the tiny image and every bench image to files. It runs in a child
// process: a forked command's peak counts the pages of the process it was
// forked from, so the measuring process never holds an image.
bool WriteImages() {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    FirmwareImage tiny = testing::FirmwareBuilder(0x1000).Build();
    SaveFirmwareFile(ImagePath("tiny"), tiny);
    for (const ImageKind kind : kAllImageKinds) {
      FirmwareImage image = BenchImage(kind);
      SaveFirmwareFile(ImagePath(ImageKindName(kind)), image);
    }
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

int Run(const std::string& cli) {
  if (!WriteImages()) {
    std::fprintf(stderr, "could not write the bench images\n");
    return 1;
  }
  const std::string tiny_path = ImagePath("tiny");
  const long baseline = SteadyPeakKib(cli, tiny_path);
  std::filesystem::remove(tiny_path);
  int failures = baseline < 0 ? 1 : 0;
  for (const ImageKind kind : kAllImageKinds) {
    const std::string path = ImagePath(ImageKindName(kind));
    const long peak = baseline < 0 ? -1 : SteadyPeakKib(cli, path);
    const auto image_kib =
        static_cast<long>(std::filesystem::file_size(path) / 1024);
    std::filesystem::remove(path);
    if (peak < 0) {
      std::fprintf(stderr, "%s failed on %s\n", cli.c_str(),
                   ImageKindName(kind));
      ++failures;
      continue;
    }
    std::printf(
        "peak_rss %s %ld %ld %ld %.2f\n", ImageKindName(kind), image_kib,
        baseline, peak,
        static_cast<double>(peak - baseline) / static_cast<double>(image_kib));
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace orlindel::bench

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PATH_TO_ORLINDEL_CLI\n", argv[0]);
    return 2;
  }
  return orlindel::bench::Run(argv[1]);
}
