// A process that saves images over one file, for the tests of saves racing
// each other and being killed: `orlindel_save_worker OUT WRITER SIZE ROUNDS`
// saves WorkerImage(WRITER, round, SIZE) for round 0 .. ROUNDS - 1 (for ever
// when ROUNDS is 0), printing "ok ROUND" or "failed ROUND: MESSAGE" after
// each save. Exits 0 when every save succeeded.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "core/io/safe_write.h"
#include "tests/core/worker_images.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s OUT WRITER SIZE ROUNDS\n", argv[0]);
    return 2;
  }
  orlindel::io::InstallSaveCleanupOnSignals();
  const std::string out = argv[1];
  const int writer = std::atoi(argv[2]);
  const auto size = static_cast<size_t>(std::atol(argv[3]));
  const int rounds = std::atoi(argv[4]);
  bool all_saved = true;
  for (int round = 0; rounds == 0 || round < rounds; ++round) {
    const int numbered = round % 0x10000;
    try {
      orlindel::io::WriteFileSafely(
          out, orlindel::testing::WorkerImage(writer, numbered, size));
      std::printf("ok %d\n", numbered);
    } catch (const orlindel::OrlindelError& error) {
      std::printf("failed %d: %s\n", numbered, error.what());
      all_saved = false;
    }
    std::fflush(stdout);
  }
  return all_saved ? 0 : 1;
}
