// A test program: an editor process, set up as the editor's main() sets it
// up, that saves SIZE bytes to OUT ROUNDS times (for ever when ROUNDS is 0),
// printing "saved" or "failed: MESSAGE" after each save. Exits 0 when every
// save succeeded, 1 otherwise.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/firmware_image.h"
#include "editor/editor_font.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: save_child OUT SIZE ROUNDS\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  orlindel::editor::SetUpApplication(app);
  const std::string out = argv[1];
  const std::vector<uint8_t> bytes(std::strtoul(argv[2], nullptr, 10), 0x5A);
  const int rounds = std::atoi(argv[3]);
  bool all_saved = true;
  for (int round = 0; rounds == 0 || round < rounds; ++round) {
    try {
      static_cast<void>(orlindel::SaveWholeFile(out, bytes));
      std::printf("saved\n");
    } catch (const orlindel::OrlindelError& error) {
      std::printf("failed: %s\n", error.what());
      all_saved = false;
    }
    std::fflush(stdout);
  }
  return all_saved ? 0 : 1;
}
