// The editor's memory at the size limits, each run in a process of its own:
// sessions that apply a patch over tens of MiB, then save, export or restore
// it, stay within a few times the data they read and write; and the editor
// program under any address-space limit starts and opens a 64 MiB firmware
// or reports the lack of memory, never dies of a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/firmware_image.h"
#include "core/patch/bps.h"
#include "core/patch/crc32.h"
#include "core/patch/ips.h"
#include "editor/editor_program.h"
#include "editor/guarded_slot.h"
#include "tests/support/layout_firmware.h"

namespace orlindel::editor::testing {
namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer's shadow memory dwarfs what is measured, and cannot run under
// an address-space limit.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct ChildRun {
  int status = -1;  // as waitpid reports it
  std::string out;  // standard output
  std::string err;  // standard error
};

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Runs `args` (the program first) with the environment variables `env` added
// and its address space limited to `limit` bytes when not 0; keeps what it
// prints.
ChildRun RunProcess(const QTemporaryDir& folder, std::vector<std::string> args,
                    const std::vector<std::string>& env, int64_t limit = 0) {
  const std::string out_path = folder.filePath("stdout").toStdString();
  const std::string err_path = folder.filePath("stderr").toStdString();
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_copies = env;
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 ||
        dup2(err, STDERR_FILENO) < 0)
      _exit(126);
    for (std::string& setting : env_copies) putenv(setting.data());
    if (limit > 0) {
      const rlimit cap{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  ChildRun run;
  EXPECT_EQ(waitpid(child, &run.status, 0), child);
  run.out = Contents(out_path);
  run.err = Contents(err_path);
  return run;
}

bool ExitedWith(const ChildRun& run, int code) {
  return WIFEXITED(run.status) && WEXITSTATUS(run.status) == code;
}

// A firmware of `size` bytes with six windows and three groups of message
// positions in its first 128 KiB, code-like filler from its second MiB on.
FirmwareImage Firmware(int64_t size) {
  FirmwareImage image = orlindel::testing::LayoutFirmware(
      orlindel::testing::kLayoutPlacementA, orlindel::testing::LayoutWindowsA(),
      orlindel::testing::LayoutGroupsA(), std::nullopt);
  image.resize(static_cast<size_t>(size), 0xFF);
  uint32_t state = 0x12345678;
  for (auto at = static_cast<size_t>(kMiB); at < image.size(); ++at) {
    state = state * 1664525 + 1013904223;
    image[at] = static_cast<uint8_t>(state >> 24);
  }
  return image;
}

// `image` with every other byte inverted from its second MiB up to `end`.
FirmwareImage Alternating(FirmwareImage image, int64_t end) {
  for (int64_t at = kMiB; at < end; at += 2)
    image[static_cast<size_t>(at)] ^= 0xFF;
  return image;
}

int64_t SizeOf(const std::string& path) {
  return static_cast<int64_t>(std::filesystem::file_size(path));
}

// What a session printed: "image CRC entries N peak KIB".
struct SessionReport {
  unsigned crc = 0;
  int entries = -1;
  long peak_kib = -1;
};

SessionReport ReportOf(const ChildRun& run) {
  SessionReport report;
  EXPECT_EQ(std::sscanf(run.out.c_str(), "image %x entries %d peak %ld",
                        &report.crc, &report.entries, &report.peak_kib),
            3)
      << run.out << run.err;
  return report;
}

// A 32 MiB firmware in which every other byte changes from the second MiB up
// to the 16th, all an IPS record reaches (a 45 MiB patch of 7 864 320
// records), and over 31 MiB for BPS (a 46.5 MiB patch). Each session, applying
// the patch and writing the journal of unsaved edits, then restoring that
// journal in the next session, saving the image or exporting the changes as a
// patch, peaks below four times the bytes it reads and writes, and does its
// work byte for byte.
TEST(EditorMemoryTest, PatchSessionsStayWithinFourTimesTheirData) {
  if (kSanitized) GTEST_SKIP() << "memory is not measured under a sanitizer";
  QTemporaryDir folder;
  const auto path = [&folder](const char* name) {
    return folder.filePath(name).toStdString();
  };
  const int64_t size = 32 * kMiB;
  uint32_t target_crc[2] = {};
  {
    const FirmwareImage source = Firmware(size);
    SaveWholeFile(path("fw.bin"), source);
    const FirmwareImage ips_target = Alternating(source, 16 * kMiB);
    const FirmwareImage bps_target = Alternating(source, size);
    SaveWholeFile(path("p.ips"), WriteIps(source, ips_target));
    SaveWholeFile(path("p.bps"), MakeBpsPatch(source, bps_target));
    target_crc[0] = Crc32(ips_target);
    target_crc[1] = Crc32(bps_target);
  }
  const std::vector<std::string> env = {"XDG_DATA_HOME=" + path("data"),
                                        "XDG_CONFIG_HOME=" + path("config")};
  for (const int kind : {0, 1}) {
    const std::string patch = path(kind == 0 ? "p.ips" : "p.bps");
    const std::string exported = path(kind == 0 ? "out.ips" : "out.bps");
    SCOPED_TRACE(patch);
    const auto session = [&](const std::vector<std::string>& args) {
      std::vector<std::string> command = {ORLINDEL_PATCH_SESSION_CHILD};
      command.insert(command.end(), args.begin(), args.end());
      const ChildRun run = RunProcess(folder, command, env);
      EXPECT_TRUE(ExitedWith(run, 0)) << run.err;
      return ReportOf(run);
    };
    const auto within = [&](const SessionReport& report, int64_t data) {
      EXPECT_GT(report.peak_kib, 0);
      EXPECT_LT(report.peak_kib * 1024, 4 * data)
          << "peak " << report.peak_kib << " KiB for " << data / 1024
          << " KiB of data";
    };

    const SessionReport applied = session({"apply", path("fw.bin"), patch});
    EXPECT_EQ(applied.crc, target_crc[kind]);
    EXPECT_EQ(applied.entries, 1);
    within(applied, SizeOf(path("fw.bin")) + SizeOf(patch));

    // The journal the session left holds about the changed range once.
    int64_t journal = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(path("data")))
      if (entry.is_regular_file()) journal += SizeOf(entry.path().string());
    EXPECT_GT(journal, kind == 0 ? 14 * kMiB : 30 * kMiB);
    EXPECT_LT(journal, kind == 0 ? 16 * kMiB : 32 * kMiB);
    const SessionReport restored = session({"restore", path("fw.bin")});
    EXPECT_EQ(restored.crc, target_crc[kind]);
    EXPECT_EQ(restored.entries, 1);
    within(restored, SizeOf(path("fw.bin")) + journal);

    const SessionReport saved =
        session({"save", path("fw.bin"), patch, path("out.bin")});
    EXPECT_EQ(saved.crc, Crc32(LoadFirmwareFile(path("out.bin"))));
    within(saved,
           SizeOf(path("fw.bin")) + SizeOf(patch) + SizeOf(path("out.bin")));

    // Made from the same two images, the export is the patch applied.
    const SessionReport exported_report =
        session({"export", path("fw.bin"), patch, exported});
    EXPECT_TRUE(Contents(exported) == Contents(patch));
    within(exported_report,
           SizeOf(path("fw.bin")) + SizeOf(patch) + SizeOf(exported));
    std::filesystem::remove_all(path("data"));
  }
}

// The lines of `err` the start child printed for messages shown.
std::vector<std::string> Messages(const std::string& err) {
  std::vector<std::string> messages;
  size_t at = 0;
  while ((at = err.find("message: ", at)) != std::string::npos) {
    const size_t end = err.find('\n', at);
    messages.push_back(err.substr(at + 9, end - at - 9));
    at = end;
  }
  return messages;
}

// The editor program, started with a 64 MiB firmware under address-space
// limits in 8 MiB steps, from the least under which it answers --version
// (below it the program cannot even be loaded) to 64 MiB past the first
// under which it opens the firmware: each run either opens the firmware and
// ends when its window is closed (exit 0), or shows one memory message and
// ends the same way, or says it has not memory enough to start (exit 4, one
// line); it never dies of a signal or an abort.
TEST(EditorMemoryTest, StartUnderAnyAddressSpaceLimitOpensOrReportsMemory) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer cannot run under a limit";
  QTemporaryDir folder;
  const std::string firmware = folder.filePath("fw.bin").toStdString();
  SaveWholeFile(firmware, Firmware(kMaxImageSize));
  const std::vector<std::string> env = {
      "XDG_DATA_HOME=" + folder.filePath("data").toStdString(),
      "XDG_CONFIG_HOME=" + folder.filePath("config").toStdString()};
  int64_t start = 16 * kMiB;
  while (start < 2048 * kMiB &&
         !ExitedWith(RunProcess(folder, {ORLINDEL_START_CHILD, "--version"},
                                env, start),
                     0))
    start += 8 * kMiB;
  ASSERT_LT(start, 2048 * kMiB) << "the program never answered --version";

  int refused_at_start = 0, refused_firmware = 0, opened = 0;
  int64_t first_open = 0;
  for (int64_t limit = start;
       limit < 2048 * kMiB &&
       (first_open == 0 || limit <= first_open + 64 * kMiB);
       limit += 8 * kMiB) {
    SCOPED_TRACE(limit / kMiB);
    const ChildRun run =
        RunProcess(folder, {ORLINDEL_START_CHILD, firmware}, env, limit);
    ASSERT_TRUE(WIFEXITED(run.status))
        << "killed by signal " << WTERMSIG(run.status) << "\n"
        << run.err;
    if (ExitedWith(run, kOutOfMemoryExit)) {
      EXPECT_EQ(run.err,
                std::string("orlindel: ") + kStartOutOfMemoryMessage + "\n");
      ++refused_at_start;
      continue;
    }
    ASSERT_TRUE(ExitedWith(run, 0)) << run.err;
    const std::vector<std::string> messages = Messages(run.err);
    if (messages.empty()) {
      ++opened;
      if (first_open == 0) first_open = limit;
      continue;
    }
    // One message, and it is about memory.
    ASSERT_EQ(messages.size(), 1u) << run.err;
    EXPECT_TRUE(messages[0].starts_with("Not enough memory to")) << run.err;
    ++refused_firmware;
  }
  EXPECT_GT(refused_at_start, 0);
  EXPECT_GT(refused_firmware, 0);
  EXPECT_GT(opened, 0);
}

}  // namespace
}  // namespace orlindel::editor::testing
