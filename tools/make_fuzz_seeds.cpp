// Writes the small seed images of the fuzz corpora (fuzz/corpus/<target>/).
// Run by hand when the seeds change: make_fuzz_seeds fuzz/corpus
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "core/layout/layout.h"
#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "core/patch/ips.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace {

using namespace orlindel;
using namespace orlindel::testing;
namespace fs = std::filesystem;

void WriteSeed(const fs::path& dir, const std::string& name,
               const FirmwareImage& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A 4 KiB image with six windows and three OSD groups in bank 0.
FirmwareImage TablesImage() {
  return FirmwareBuilder(0x1000, 0x00)
      .WindowList(0x300, DemoWindows(6, 0x400))
      .OsdPosList(0x800, {{0x900, {{1, 10, 10, 0, 0}, {5, 20, 8, 100, 16}}},
                          {0x920, {}},
                          {0x940, {{0, 0, 0, 0, 0}}}})
      .Build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_fuzz_seeds CORPUS_DIR\n";
    return 2;
  }
  const fs::path root = argv[1];
  const FirmwareImage tables = TablesImage();
  const FirmwareImage filler =
      FirmwareBuilder(0x1000).CodeLikeFiller(0x300, 0xD00, 1).Build();
  for (const char* target : {"window_list", "cli_info"}) {
    WriteSeed(root / target, "tables.bin", tables);
    WriteSeed(root / target, "filler.bin", filler);
  }
  FirmwareImage with_max_id = {6};  // highest window id 5
  with_max_id.insert(with_max_id.end(), tables.begin(), tables.end());
  WriteSeed(root / "osd_pos_list", "tables.bin", with_max_id);

  // Start 0 with no stop offset: stores, a nested call to 0x11 and a RET.
  const FirmwareImage code = {0x00, 0x00, 0xFF, 0x00, 0x90, 0xF8, 0x60, 0x74,
                              0x05, 0xF0, 0xA3, 0x79, 0x03, 0xE9, 0xFF, 0xE0,
                              0xE4, 0x12, 0x00, 0x11, 0x22, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0x00, 0x00, 0x7F, 0x09, 0x22};
  WriteSeed(root / "trace_code", "calls.bin", code);

  // The subtitle routine with its caller, unpatched and patched.
  const SubtitleValues values = {3,    40,   0,    0x90, 0x01, 0xA8,
                                 0x02, 0x30, 0x02, 1,    1,    0};
  const FirmwareImage unpatched =
      FirmwareBuilder(0x1000, 0x00)
          .Bytes(0x400, SubtitleRoutine(XramLoads(kSubtitleCells)).bytes())
          .Bytes(0x800, SubtitleCaller(kSubtitleCells, values, 0x0400).bytes())
          .Build();
  WriteSeed(root / "subtitle", "unpatched.bin", unpatched);
  const FirmwareImage patched =
      FirmwareBuilder(0x1000, 0x00)
          .Bytes(0x400, SubtitleRoutine(PatchedLoads(values)).bytes())
          .Build();
  WriteSeed(root / "subtitle", "patched.bin", patched);

  // The tables image with window 2's Left and Blend changed and its checksum
  // fixed, as a patch after the image; the same with a run-length record.
  FirmwareImage edited = tables;
  edited[0x420] = 0x00, edited[0x421] = 0x0C, edited[0x42C] = 0x40;
  FixImageChecksum(edited);
  FirmwareImage with_patch = {0x10, 0x00};
  with_patch.insert(with_patch.end(), tables.begin(), tables.end());
  const std::vector<uint8_t> patch = WriteIps(tables, edited);
  with_patch.insert(with_patch.end(), patch.begin(), patch.end());
  WriteSeed(root / "ips", "window_edit.bin", with_patch);
  const FirmwareImage run = {0x00, 0x08, 1,    2,    3,    4,    5,
                             6,    7,    8,    'P',  'A',  'T',  'C',
                             'H',  0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                             0x03, 0xEE, 'E',  'O',  'F'};
  WriteSeed(root / "ips", "run.bin", run);

  // The same window edit as a BPS patch; and a patch of every action that
  // turns "ABCDEFGH" into "ABxyEFABxyEF" (source read, target read, source
  // copy ahead, target copy repeating its output), whose source and patch
  // CRCs the target fills in.
  FirmwareImage with_bps = {0x00, 0x10, 0x00};
  with_bps.insert(with_bps.end(), tables.begin(), tables.end());
  const std::vector<uint8_t> bps = MakeBpsPatch(tables, edited);
  with_bps.insert(with_bps.end(), bps.begin(), bps.end());
  WriteSeed(root / "bps", "window_edit.bin", with_bps);
  FirmwareImage actions = {0x01, 0x00, 0x08, 'A',  'B',  'C', 'D',  'E',
                           'F',  'G',  'H',  'B',  'P',  'S', '1',  0x88,
                           0x8C, 0x80, 0x84, 0x85, 'x',  'y', 0x86, 0x88,
                           0x97, 0x80, 0x00, 0x00, 0x00, 0x00};
  const uint32_t target_crc = Crc32(std::vector<uint8_t>{
      'A', 'B', 'x', 'y', 'E', 'F', 'A', 'B', 'x', 'y', 'E', 'F'});
  for (int shift = 0; shift < 32; shift += 8)
    actions.push_back(static_cast<uint8_t>(target_crc >> shift));
  actions.insert(actions.end(), {0x00, 0x00, 0x00, 0x00});
  WriteSeed(root / "bps", "actions.bin", actions);

  // The tables image's layout with subtitle parameters, as a document.
  TraceModel model;
  Layout layout = ExportLayout(model, tables);
  layout.subtitle = Mpeg4SubtitleParams{3, 40, 400, 680, 560, 1, 1, 0};
  const std::string json = LayoutToJson(layout);
  WriteSeed(root / "layout_json", "tables.json",
            FirmwareImage(json.begin(), json.end()));
  return 0;
}
