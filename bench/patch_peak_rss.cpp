// Peak resident memory of orlindel-cli's patch commands at the size limits:
// `ips`, `apply-ips`, `bps` and `apply-bps` on 32 and 64 MiB images in which
// every other byte changed: over the first 16 MiB (all an IPS record can
// reach) for the IPS pair, over the first 42 MiB for the BPS pair (its patch,
// one and a half bytes for each changed byte, then stays under the 64 MiB a
// patch may have). Prints one line per command and image size:
//   patch_peak_rss <command> <image MiB> <input+output KiB> <peak KiB> <ratio>
// where ratio = peak / (input + output); the target is below 4.
// Usage: orlindel_patch_peak_rss PATH_TO_ORLINDEL_CLI
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/child_process.h"
#include "core/firmware_image.h"

namespace orlindel::bench {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMiB = int64_t{1} << 20;
constexpr int64_t kIpsReach = 16 * kMiB;
constexpr int64_t kBpsChanged = 42 * kMiB;

std::string PathOf(const std::string& name) {
  return (fs::temp_directory_path() / ("orlindel_patch_rss_" + name)).string();
}

// Code-like filler, and a copy with every other byte of the first `changed`
// bytes inverted.
FirmwareImage Filler(int64_t size) {
  FirmwareImage image(static_cast<size_t>(size), 0);
  uint32_t state = 0x12345678;
  for (uint8_t& byte : image) {
    state = state * 1664525 + 1013904223;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return image;
}

FirmwareImage Alternating(FirmwareImage image, int64_t changed) {
  const auto end = static_cast<size_t>(
      std::min<int64_t>(changed, static_cast<int64_t>(image.size())));
  for (size_t at = 0; at < end; at += 2) image[at] ^= 0xFF;
  return image;
}

// Writes the three images of `size` bytes in a child process, so that the
// measuring process, whose pages every forked command's peak counts, never
// holds one.
bool WriteImages(int64_t size) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    const FirmwareImage source = Filler(size);
    SaveWholeFile(PathOf("a.bin"), source);
    SaveWholeFile(PathOf("ips.bin"), Alternating(source, kIpsReach));
    SaveWholeFile(PathOf("bps.bin"), Alternating(source, kBpsChanged));
    _exit(0);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

long KibOf(const std::string& name) {
  return static_cast<long>(fs::file_size(PathOf(name)) / 1024);
}

// Runs `cli command first second -o output` and prints its line; false when
// it failed.
bool Measure(const std::string& cli, const char* command, int64_t size,
             const std::string& first, const std::string& second,
             const std::string& output) {
  const long peak = ChildPeakKib(
      {cli, command, PathOf(first), PathOf(second), "-o", PathOf(output)});
  if (peak < 0) {
    std::fprintf(stderr, "%s %s failed on %lld MiB\n", cli.c_str(), command,
                 static_cast<long long>(size / kMiB));
    return false;
  }
  const long data = KibOf(first) + KibOf(second) + KibOf(output);
  std::printf("patch_peak_rss %s %lld %ld %ld %.2f\n", command,
              static_cast<long long>(size / kMiB), data, peak,
              static_cast<double>(peak) / static_cast<double>(data));
  return true;
}

int Run(const std::string& cli) {
  int failures = 0;
  for (const int64_t size : {32 * kMiB, 64 * kMiB}) {
    if (!WriteImages(size)) {
      std::fprintf(stderr, "could not write the images\n");
      return 1;
    }
    failures += !Measure(cli, "ips", size, "a.bin", "ips.bin", "p.ips");
    failures += !Measure(cli, "apply-ips", size, "a.bin", "p.ips", "out.bin");
    failures += !Measure(cli, "bps", size, "a.bin", "bps.bin", "p.bps");
    failures += !Measure(cli, "apply-bps", size, "a.bin", "p.bps", "out.bin");
    for (const char* name :
         {"a.bin", "ips.bin", "bps.bin", "p.ips", "p.bps", "out.bin"})
      fs::remove(PathOf(name));
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
