// Peak resident memory of editor sessions that apply patches at the size
// limits, each session a process of its own on the off-screen platform,
// driven through the main window's actions (the session program of
// tests/editor/patch_session_child.cpp): open a firmware of 32 or 64 MiB and
// apply an IPS patch that changes every other byte from the second MiB (the
// first holds the window list) to the 16th (all an IPS record reaches), or
// a BPS patch that does so over 42 MiB, up to the 43rd (its patch then stays
// under the 64 MiB a patch may have); then either nothing more
// ("apply"), a save of the patched image ("save"), or an export of the
// changes as a patch of the same kind ("export"). "restore" opens the
// firmware again and restores the journal of unsaved edits the apply session
// left. Every session writes that journal, as the editor does a moment after
// each change. Prints one line per session and image size:
//   editor_patch_peak_rss <session>-<ips|bps> <image MiB> <data KiB>
//                         <peak KiB> <ratio>
// where data is the bytes the session reads and writes (firmware, patch,
// saved or exported file; the journal for restore) and ratio = peak / data;
// the target is below 4.
// Usage: orlindel_editor_patch_peak_rss PATH_TO_PATCH_SESSION_CHILD
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/child_process.h"
#include "core/firmware_image.h"
#include "core/patch/bps.h"
#include "core/patch/ips.h"
#include "tests/support/layout_firmware.h"

namespace orlindel::bench {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMiB = int64_t{1} << 20;
constexpr int64_t kIpsReach = 16 * kMiB;
constexpr int64_t kBpsChangedEnd = 43 * kMiB;

fs::path Folder() {
  return fs::temp_directory_path() / "orlindel_editor_patch_rss";
}

std::string PathOf(const std::string& name) {
  return (Folder() / name).string();
}

// A firmware with six windows and three groups of message positions in its
// first 128 KiB, code-like filler from its second MiB on.
FirmwareImage Firmware(int64_t size) {
  FirmwareImage image = testing::LayoutFirmware(
      testing::kLayoutPlacementA, testing::LayoutWindowsA(),
      testing::LayoutGroupsA(), std::nullopt);
  image.resize(static_cast<size_t>(size), 0xFF);
  uint32_t state = 0x12345678;
  for (size_t at = kMiB; at < image.size(); ++at) {
    state = state * 1664525 + 1013904223;
    image[at] = static_cast<uint8_t>(state >> 24);
  }
  return image;
}

// `image` with every other byte inverted from its second MiB on, up to
// offset `end`.
FirmwareImage Alternating(FirmwareImage image, int64_t end) {
  const auto last = static_cast<size_t>(
      std::min<int64_t>(end, static_cast<int64_t>(image.size())));
  for (size_t at = kMiB; at < last; at += 2) image[at] ^= 0xFF;
  return image;
}

// Writes the firmware and both patches in a child process, so that the
// measuring process, whose pages every forked session's peak counts, never
// holds an image.
bool WriteFiles(int64_t size) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    const FirmwareImage source = Firmware(size);
    SaveWholeFile(PathOf("fw.bin"), source);
    SaveWholeFile(PathOf("p.ips"),
                  WriteIps(source, Alternating(source, kIpsReach)));
    SaveWholeFile(PathOf("p.bps"),
                  MakeBpsPatch(source, Alternating(source, kBpsChangedEnd)));
    _exit(0);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

long KibOf(const std::string& path) {
  return static_cast<long>(fs::file_size(path) / 1024);
}

// The journal files the sessions left.
long JournalKib() {
  long kib = 0;
  for (const auto& entry : fs::recursive_directory_iterator(Folder() / "data"))
    if (entry.is_regular_file() &&
        entry.path().parent_path().filename() == "journal")
      kib += KibOf(entry.path().string());
  return kib;
}

// Runs one session and prints its line; false when it failed.
bool Measure(const std::string& child, const std::string& session,
             const std::string& kind, int64_t size) {
  const std::string patch = PathOf("p." + kind);
  const std::string out =
      PathOf(session == "export" ? "out." + kind : "out.bin");
  std::vector<std::string> args = {child, session, PathOf("fw.bin")};
  if (session != "restore") args.push_back(patch);
  if (session == "save" || session == "export") args.push_back(out);
  const long peak = ChildPeakKib(args);
  if (peak < 0) {
    std::fprintf(stderr, "the %s-%s session failed on %lld MiB\n",
                 session.c_str(), kind.c_str(),
                 static_cast<long long>(size / kMiB));
    return false;
  }
  long data = KibOf(PathOf("fw.bin"));
  if (session == "restore")
    data += JournalKib();
  else
    data += KibOf(patch);
  if (session == "save" || session == "export") data += KibOf(out);
  std::printf("editor_patch_peak_rss %s-%s %lld %ld %ld %.2f\n",
              session.c_str(), kind.c_str(),
              static_cast<long long>(size / kMiB), data, peak,
              static_cast<double>(peak) / static_cast<double>(data));
  return true;
}

int Run(const std::string& child) {
  fs::remove_all(Folder());
  fs::create_directories(Folder());
  // The journals and the settings of the sessions stay in the folder.
  setenv("XDG_DATA_HOME", PathOf("data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
  int failures = 0;
  for (const int64_t size : {32 * kMiB, 64 * kMiB}) {
    if (!WriteFiles(size)) {
      std::fprintf(stderr, "could not write the files\n");
      return 1;
    }
    for (const char* kind : {"ips", "bps"}) {
      // "restore" takes up the journal the apply session just left.
      for (const char* session : {"apply", "restore", "save", "export"})
        failures += !Measure(child, session, kind, size);
      fs::remove_all(PathOf("data"));
    }
  }
  fs::remove_all(Folder());
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace orlindel::bench

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PATH_TO_PATCH_SESSION_CHILD\n", argv[0]);
    return 2;
  }
  return orlindel::bench::Run(argv[1]);
}
