// orlindel-cli's memory at the size limits, each command in its own process:
// the patch commands on images in which every other byte changed stay
// within a few times the data they read and write, and render under any
// address-space limit either draws its picture or stops with the memory
// error, never a crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/cli/cli_test_helpers.h"
#include "tests/support/layout_firmware.h"

namespace orlindel::cli {
namespace {

using testing::TempPath;

constexpr int64_t kMiB = int64_t{1} << 20;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer's shadow memory and quarantine dwarf what is measured here.
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct ChildRun {
  int status = -1;     // as waitpid reports it
  long peak_kib = -1;  // peak resident set
  std::string out;     // standard output and standard error
  std::string err;
};

std::string Contents(const TempPath& path) {
  std::ifstream file(path.str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Runs orlindel-cli with `args`, its address space limited to `limit` bytes
// when not 0, its standard output and error kept. The caller holds no large
// buffer: a forked child's peak counts the pages of the process it was forked
// from.
ChildRun RunCliProcess(const std::vector<std::string>& args,
                       int64_t limit = 0) {
  const TempPath out_path("stdout"), err_path("stderr");
  std::vector<std::string> copies = {ORLINDEL_CLI_PATH};
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int out =
        open(out_path.str().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err =
        open(err_path.str().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 ||
        dup2(err, STDERR_FILENO) < 0)
      _exit(126);
    if (limit > 0) {
      const rlimit cap{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      if (setrlimit(RLIMIT_AS, &cap) != 0) _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  ChildRun run;
  rusage usage{};
  EXPECT_EQ(wait4(child, &run.status, 0, &usage), child);
  run.peak_kib = usage.ru_maxrss;
  run.out = Contents(out_path);
  run.err = Contents(err_path);
  return run;
}

int64_t SizeOf(const TempPath& path) {
  return static_cast<int64_t>(std::filesystem::file_size(path.str()));
}

// Writes `size` bytes of code-like filler, every other byte of the first
// `changed` bytes inverted, a mebibyte at a time.
void WriteFiller(const TempPath& path, int64_t size, int64_t changed) {
  std::ofstream file(path.str(), std::ios::binary);
  std::vector<char> piece(static_cast<size_t>(kMiB));
  uint32_t state = 0x12345678;
  for (int64_t at = 0; at < size; at += kMiB) {
    for (size_t k = 0; k < piece.size(); ++k) {
      state = state * 1664525 + 1013904223;
      const bool inverted =
          at + static_cast<int64_t>(k) < changed && k % 2 == 0;
      piece[k] = static_cast<char>((state >> 24) ^ (inverted ? 0xFF : 0x00));
    }
    file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  }
  ASSERT_TRUE(file.good());
}

bool SameFiles(const TempPath& a, const TempPath& b) {
  std::ifstream first(a.str(), std::ios::binary);
  std::ifstream second(b.str(), std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(first), {},
                    std::istreambuf_iterator<char>(second), {});
}

// Every other byte of a 32 MiB image changed: over the 16 MiB an IPS record
// can reach, and over the whole image for BPS (a patch of 48 MiB). Each
// command, given its inputs and output, peaks below four times their bytes;
// kept one entry per changed run, each of them took several times that.
TEST(CliMemoryTest, PatchCommandsStayWithinFourTimesTheirDataAtTheLimits) {
  if (kSanitized) GTEST_SKIP() << "memory is not measured under a sanitizer";
  const TempPath source("a.bin"), ips_target("ips.bin"), bps_target("bps.bin");
  const TempPath ips("p.ips"), bps("p.bps"), patched("out.bin");
  const int64_t size = 32 * kMiB;
  WriteFiller(source, size, 0);
  WriteFiller(ips_target, size, 16 * kMiB);
  WriteFiller(bps_target, size, size);

  const struct {
    const char* command;
    const TempPath& first;
    const TempPath& second;
    const TempPath& output;
    const TempPath& expected;  // what the output must equal
  } steps[] = {
      {"ips", source, ips_target, ips, ips},
      {"apply-ips", source, ips, patched, ips_target},
      {"bps", source, bps_target, bps, bps},
      {"apply-bps", source, bps, patched, bps_target},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.command);
    const ChildRun run =
        RunCliProcess({step.command, step.first.str(), step.second.str(), "-o",
                       step.output.str()});
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
        << run.err;
    EXPECT_TRUE(SameFiles(step.output, step.expected));
    const int64_t data =
        SizeOf(step.first) + SizeOf(step.second) + SizeOf(step.output);
    EXPECT_LT(run.peak_kib * 1024, 4 * data)
        << "peak " << run.peak_kib << " KiB for " << data / 1024
        << " KiB of data";
  }
}

#ifdef ORLINDEL_RENDER_PROGRAM_PATH

// Writes an image of `size` bytes with windows to label.
void WriteRenderImage(const TempPath& path, int64_t size) {
  FirmwareImage image = orlindel::testing::LayoutFirmware(
      orlindel::testing::kLayoutPlacementA, orlindel::testing::LayoutWindowsA(),
      orlindel::testing::LayoutGroupsA(), std::nullopt);
  image.resize(static_cast<size_t>(size), 0xFF);
  SaveWholeFile(path.str(), image);
}

// Writes a grey BMP picture of `width` x `height` pixels, 24 bits each.
void WriteBmp(const TempPath& path, int32_t width, int32_t height) {
  const int32_t row = (width * 3 + 3) / 4 * 4;
  const int32_t data = row * height;
  std::vector<uint8_t> bytes = {'B', 'M'};
  const auto add = [&bytes](uint32_t value, int count) {
    for (int k = 0; k < count; ++k)
      bytes.push_back(static_cast<uint8_t>(value >> (8 * k)));
  };
  add(54 + data, 4), add(0, 4), add(54, 4);  // file size, reserved, data
  add(40, 4), add(width, 4), add(height, 4), add(1, 2), add(24, 2);
  add(0, 4), add(data, 4), add(2835, 4), add(2835, 4), add(0, 4), add(0, 4);
  bytes.resize(bytes.size() + static_cast<size_t>(data), 0x80);
  SaveWholeFile(path.str(), bytes);
}

std::vector<std::string> RenderArgs(const TempPath& image,
                                    const TempPath& background,
                                    const TempPath& picture) {
  return {"render",
          image.str(),
          "-o",
          picture.str(),
          "--window",
          "1",
          "--second",
          "2",
          "--view",
          "both",
          "--safe-title",
          "--background",
          background.str(),
          "--background-mode",
          "stretch",
          "--json"};
}

bool Succeeded(const ChildRun& run) {
  return WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0;
}

// The largest image, with windows to label, drawn over a 2000 x 1500
// background under address-space limits from what a tiny image needs (below
// it the program cannot even start) to well over what the largest one needs:
// each run draws the picture (exit 0) or reports the memory error (exit 4),
// never dies of a signal or an abort and never blames the files, whether the
// limit is met loading the image or the background, copying the background,
// setting up the fonts or drawing.
TEST(CliMemoryTest, RenderUnderAnyAddressSpaceLimitDrawsOrReportsMemory) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer cannot run under a limit";
  const TempPath tiny("tiny.bin"), big("big.bin"), background("back.bmp");
  const TempPath picture("out.png");
  WriteRenderImage(tiny, 128 * 1024);
  WriteRenderImage(big, kMaxImageSize);
  WriteBmp(background, 2000, 1500);
  int64_t start = 16 * kMiB;
  while (
      start < 1024 * kMiB &&
      !Succeeded(RunCliProcess(RenderArgs(tiny, background, picture), start)))
    start += 8 * kMiB;
  ASSERT_LT(start, 1024 * kMiB) << "the tiny image never rendered";

  int drawn = 0;
  int refused = 0;
  for (int64_t limit = start; limit <= start + 2 * kMaxImageSize;
       limit += 4 * kMiB) {
    SCOPED_TRACE(limit / kMiB);
    const ChildRun run =
        RunCliProcess(RenderArgs(big, background, picture), limit);
    ASSERT_TRUE(WIFEXITED(run.status))
        << "killed by signal " << WTERMSIG(run.status) << run.err;
    const int code = WEXITSTATUS(run.status);
    if (code == 0) {
      ++drawn;
      continue;
    }
    EXPECT_EQ(code, 4) << run.err;
    EXPECT_NE(run.out.find("{\"error\":{\"kind\":\"memory\""),
              std::string::npos)
        << run.out << run.err;
    ++refused;
  }
  EXPECT_GT(drawn, 0);
  EXPECT_GT(refused, 0);
}

#endif  // ORLINDEL_RENDER_PROGRAM_PATH

}  // namespace
}  // namespace orlindel::cli
