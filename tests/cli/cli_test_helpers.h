// Running orlindel-cli in-process and handling its files in tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/firmware_image.h"

namespace orlindel::cli::testing {

struct CliResult {
  int exit_code;
  std::string out;
  std::string err;
};

// Runs the command line with `input` as its standard input.
inline CliResult RunCli(const std::vector<std::string>& args,
                        const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = Run(args, in, out, err);
  return {code, out.str(), err.str()};
}

// The same for a program that knows only `commands` (orlindel-render's).
inline CliResult RunCliWith(std::span<const CommandSpec> commands,
                            const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  const int code = Run(commands, args, in, out, err);
  return {code, out.str(), err.str()};
}

// The bytes of an image as a standard input or output holds them.
inline std::string AsText(const FirmwareImage& image) {
  return std::string(image.begin(), image.end());
}

// A path in the temporary directory named after the running test and
// `suffix`, so tests running side by side never share a file; the file is
// removed when the path goes out of scope.
class TempPath {
 public:
  explicit TempPath(const std::string& suffix) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = (std::filesystem::temp_directory_path() /
             (std::string("orlindel_") + test->test_suite_name() + "_" +
              test->name() + "_" + suffix))
                .string();
    std::filesystem::remove(path_);
  }
  ~TempPath() { std::filesystem::remove(path_); }
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;

  const std::string& str() const { return path_; }
  bool Exists() const { return std::filesystem::exists(path_); }

 private:
  std::string path_;
};

// Writes `bytes` as they are (no checksum fix).
inline void WriteBytes(const TempPath& path, const FirmwareImage& bytes) {
  std::ofstream(path.str(), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline FirmwareImage ReadBytes(const TempPath& path) {
  std::ifstream in(path.str(), std::ios::binary);
  return FirmwareImage(std::istreambuf_iterator<char>(in),
                       std::istreambuf_iterator<char>());
}

}  // namespace orlindel::cli::testing
