// Writes one of the 10 MiB bench images to a file, for measurements of whole
// processes (bench/cli_start.sh).
// Usage: orlindel_write_bench_image KIND OUT
#include <cstdio>
#include <string>

#include "bench/bench_images.h"
#include "core/errors.h"
#include "core/firmware_image.h"

int main(int argc, char** argv) {
  using namespace orlindel;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s KIND OUT\n", argv[0]);
    return 2;
  }
  for (const bench::ImageKind kind : bench::kAllImageKinds) {
    if (std::string(argv[1]) != bench::ImageKindName(kind)) continue;
    try {
      FirmwareImage image = bench::BenchImage(kind);
      SaveFirmwareFile(argv[2], image);
    } catch (const OrlindelError& error) {
      std::fprintf(stderr, "%s\n", error.what());
      return 1;
    }
    return 0;
  }
  std::fprintf(stderr, "no bench image named %s\n", argv[1]);
  return 2;
}
