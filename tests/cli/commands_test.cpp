// The conventions every command follows, end to end through Run: help and
// version, standard input and output, checked writes, error reports, and
// outputs that would overwrite an input.
#include "cli/commands.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <array>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/image_files.h"
#include "cli/shell_quote.h"
#include "core/errors.h"
#include "orlindel/version.h"
#include "tests/cli/cli_test_helpers.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::DemoWindows;
using orlindel::testing::FirmwareBuilder;
using testing::AsText;
using testing::CliResult;
using testing::ReadBytes;
using testing::RunCli;
using testing::TempPath;
using testing::WriteBytes;

// 16 bytes whose checksum word (at 12) is wrong: words 1, 2, 4, then 0.
FirmwareImage Unfixed() {
  return {1, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0};
}
// The same with the checksum word holding 1 ^ 2 ^ 4 = 7.
FirmwareImage Fixed() {
  return {1, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 7, 0, 0, 0};
}

// Five windows listed at 0x1000, their records at 0x2000 + 16 n.
FirmwareImage WithWindows() {
  return FirmwareBuilder(0x10000, 0x00)
      .WindowList(0x1000, DemoWindows(5, 0x2000))
      .Build();
}

TEST(HelpAndVersionTest, GoToStandardOutputWithExitZero) {
  const struct {
    std::vector<std::string> args;
    const char* expected;  // a part of standard output
  } cases[] = {
      {{"--help"}, "Usage: orlindel-cli [OPTIONS] COMMAND"},
      {{"-h"}, "apply-ips"},
      {{"info", "--help"}, "Usage: orlindel-cli info [OPTIONS] FILE"},
      {{"set-window", "x.bin", "-h"}, "--pal-dy N"},
      {{"diff", "--help"}, "exit 0 when equal, 1 when they differ"},
      {{"trace", "--help"}, "--stop OFF"},
  };
  for (const auto& c : cases) {
    const CliResult result = RunCli(c.args);
    EXPECT_EQ(result.exit_code, 0) << c.args.front();
    EXPECT_NE(result.out.find(c.expected), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
  }
  const CliResult version = RunCli({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, std::string("orlindel-cli ") + kVersion + "\n");
  EXPECT_FALSE(std::string(kVersion).empty());
}

TEST(UsageErrorTest, MessageOnStandardErrorAndExitTwo) {
  const CliResult result = RunCli({"info", "a.bin", "--log"});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "orlindel-cli: unknown option --log\n"
            "Try 'orlindel-cli info --help' for more information.\n");
  const CliResult number = RunCli(
      {"set-window", "a.bin", "-o", "b.bin", "--id", "1", "--blend", "256"});
  EXPECT_EQ(number.exit_code, 2);
  EXPECT_EQ(number.err.rfind("orlindel-cli: bad number for --blend: 256\n", 0),
            0u);
}

TEST(StandardInputTest, DashReadsTheImageFromStandardInput) {
  TempPath file("fw.bin");
  FirmwareImage image = WithWindows();
  WriteBytes(file, image);
  const CliResult from_file = RunCli({"info", file.str(), "--json"});
  const CliResult from_stdin = RunCli({"info", "-", "--json"}, AsText(image));
  EXPECT_EQ(from_stdin.exit_code, 0);
  EXPECT_EQ(from_stdin.out, from_file.out);

  // One side of a comparison from standard input; window 0's Left changed.
  FirmwareImage after = image;
  after[0x2001] ^= 0x01;
  const CliResult diff =
      RunCli({"diff", file.str(), "-", "--json"}, AsText(after));
  EXPECT_EQ(diff.exit_code, 1);
  EXPECT_NE(diff.out.find("\"offset\":8193,\"length\":1"), std::string::npos)
      << diff.out;
}

TEST(StandardInputTest, EmptyOrTwiceReadStandardInputIsRefused) {
  // As an empty file: a file error, exit 3.
  const CliResult empty = RunCli({"info", "-", "--json"}, "");
  EXPECT_EQ(empty.exit_code, 3);
  EXPECT_EQ(empty.out,
            "{\"error\":{\"kind\":\"file\",\"message\":\"Cannot open file "
            "\\\"-\\\". The file is empty\"}}\n");
  const CliResult twice = RunCli({"diff", "-", "-"}, "abcd");
  EXPECT_EQ(twice.exit_code, 2);
  EXPECT_EQ(twice.err.rfind(
                "orlindel-cli: standard input can be read only once\n", 0),
            0u);
}

TEST(ReadWholeStreamTest, ReadsUpToTheLimitAndRefusesMore) {
  std::istringstream exact("0123456789");
  EXPECT_EQ(
      ReadWholeStream(exact, 10),
      (std::vector<uint8_t>{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
  std::istringstream empty("");
  EXPECT_TRUE(ReadWholeStream(empty, 10).empty());
  std::istringstream longer("0123456789A");
  try {
    ReadWholeStream(longer, 10);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_STREQ(error.what(),
                 "Cannot open file \"-\". The file is larger than 0 MiB, the "
                 "most an image may have");
  }
  std::istringstream broken("01");
  broken.setstate(std::ios::badbit);
  EXPECT_THROW(ReadWholeStream(broken, 10), FileError);
  EXPECT_EQ(kMaxImageSize, int64_t{64} * 1024 * 1024);
}

TEST(StandardOutputTest, DashOutputWritesTheImageAndMovesTheReport) {
  TempPath in("in.bin");
  WriteBytes(in, Unfixed());
  const CliResult text = RunCli({"fix-checksum", in.str(), "-o", "-"});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_EQ(text.out, AsText(Fixed()));
  EXPECT_EQ(text.err, "checksum 0x00000007 at 0x0000C, written to -\n");

  const CliResult json =
      RunCli({"fix-checksum", "--output=-", "--json", "--", in.str()});
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_EQ(json.out, AsText(Fixed()));
  EXPECT_EQ(json.err, "{\"checksumOffset\":12,\"checksum\":7}\n");

  // From standard input to standard output, as a filter.
  const CliResult filter =
      RunCli({"fix-checksum", "-", "-o", "-"}, AsText(Unfixed()));
  EXPECT_EQ(filter.exit_code, 0);
  EXPECT_EQ(filter.out, AsText(Fixed()));
}

TEST(StandardOutputTest, AFailedWriteIsExitThree) {
  TempPath in("in.bin");
  WriteBytes(in, WithWindows());
  const struct {
    const char* name;
    std::vector<std::string> args;
  } cases[] = {
      {"report", {"info", in.str()}},
      {"JSON report", {"info", in.str(), "--json"}},
      {"image", {"fix-checksum", in.str(), "-o", "-"}},
      {"help", {"--help"}},
  };
  for (const auto& c : cases) {
    std::istringstream stdin_stream;
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(cli::Run(c.args, stdin_stream, out, err), 3) << c.name;
    // Said once, and no report of an image that never arrived.
    EXPECT_EQ(err.str(), "orlindel-cli: Cannot write to standard output\n")
        << c.name;
  }
}

TEST(StandardOutputTest, AReportLostOnStandardErrorIsExitThree) {
  TempPath in("in.bin");
  WriteBytes(in, Unfixed());
  std::istringstream stdin_stream;
  std::ostringstream out, err;
  err.setstate(std::ios::badbit);
  EXPECT_EQ(
      cli::Run(std::vector<std::string>{"fix-checksum", in.str(), "-o", "-"},
               stdin_stream, out, err),
      3);
  EXPECT_EQ(out.str(), AsText(Fixed()));  // the image itself arrived
}

#ifndef _WIN32
// Pipes named by descriptor paths and hard links are POSIX matters.
TEST(StandardInputTest, PipesNamedAsFilesAreReadLikeStandardInput) {
  // What a shell's process substitution gives: /dev/fd/N of a pipe.
  const FirmwareImage image = WithWindows();
  std::array<int, 2> first{}, second{};
  ASSERT_EQ(pipe(first.data()), 0);
  ASSERT_EQ(pipe(second.data()), 0);
  FirmwareImage changed = image;
  changed[100] ^= 1;
  std::thread writer([&] {
    for (const auto& [fd, bytes] :
         {std::pair{first[1], &image},
          std::pair{second[1], &std::as_const(changed)}}) {
      size_t done = 0;
      while (done < bytes->size()) {
        const ssize_t wrote =
            write(fd, bytes->data() + done, bytes->size() - done);
        if (wrote <= 0) break;
        done += static_cast<size_t>(wrote);
      }
      close(fd);
    }
  });
  const CliResult diff =
      RunCli({"diff", "/dev/fd/" + std::to_string(first[0]),
              "/dev/fd/" + std::to_string(second[0]), "--json"});
  writer.join();
  close(first[0]);
  close(second[0]);
  EXPECT_EQ(diff.exit_code, 1) << diff.err;
  EXPECT_NE(diff.out.find("\"offset\":100,\"length\":1"), std::string::npos)
      << diff.out;

  // An empty pipe is an empty file.
  std::array<int, 2> empty{};
  ASSERT_EQ(pipe(empty.data()), 0);
  close(empty[1]);
  const std::string name = "/dev/fd/" + std::to_string(empty[0]);
  const CliResult info = RunCli({"info", name});
  close(empty[0]);
  EXPECT_EQ(info.exit_code, 3);
  EXPECT_EQ(info.err, "orlindel-cli: Cannot open file \"" + name +
                          "\". The file is empty\n");
}

TEST(SavedFileTest, WhatTheFileCouldNotKeepIsSaidOnStandardError) {
  TempPath out("out.bin");
  TempPath twin("twin.bin");
  WriteBytes(out, Unfixed());
  std::filesystem::create_hard_link(out.str(), twin.str());
  const CliResult fixed = RunCli({"fix-checksum", out.str(), "-o", out.str()});
  EXPECT_EQ(fixed.exit_code, 0);
  EXPECT_EQ(fixed.err, "orlindel-cli: \"" + out.str() +
                           "\" was saved without its other hard links, which "
                           "keep the old contents\n");
  EXPECT_EQ(ReadBytes(out), Fixed());
  EXPECT_EQ(ReadBytes(twin), Unfixed());
}
#endif  // _WIN32

TEST(StandardOutputTest, AFullDiskIsExitThree) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempPath in("in.bin");
  WriteBytes(in, WithWindows());
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info", in.str(), "--json"},
        std::vector<std::string>{"fix-checksum", in.str(), "-o", "-"}}) {
    std::ofstream full("/dev/full", std::ios::binary);
    std::istringstream stdin_stream;
    std::ostringstream err;
    EXPECT_EQ(cli::Run(args, stdin_stream, full, err), 3) << args.front();
    EXPECT_EQ(err.str(), "orlindel-cli: Cannot write to standard output\n");
  }
}

TEST(ErrorReportTest, EachKindOfFailureHasItsExitCodeAndJson) {
  const struct {
    const char* name;
    std::function<int()> body;
    int exit_code;
    const char* json;  // empty: nothing on standard output
    const char* message;
  } cases[] = {
      {"file",
       []() -> int {
         throw FileError(FileError::Kind::kCreate, "o.bin", "Disk full");
       },
       3,
       "{\"error\":{\"kind\":\"file\",\"message\":\"Cannot create file "
       "\\\"o.bin\\\". Disk full\"}}\n",
       "Cannot create file \"o.bin\". Disk full"},
      {"range", []() -> int { throw RangeError(); }, 4,
       "{\"error\":{\"kind\":\"range\",\"message\":\"Range check error\"}}\n",
       "Range check error"},
      {"overflow", []() -> int { throw OverflowError(); }, 4,
       "{\"error\":{\"kind\":\"overflow\",\"message\":\"Integer "
       "overflow\"}}\n",
       "Integer overflow"},
      {"command range", []() -> int { throw CommandRangeError("Too short"); },
       4, "{\"error\":{\"kind\":\"range\",\"message\":\"Too short\"}}\n",
       "Too short"},
      {"patch", []() -> int { throw PatchError("Not an IPS patch"); }, 1,
       "{\"error\":{\"kind\":\"patch\",\"message\":\"Not an IPS patch\"}}\n",
       "Not an IPS patch"},
      {"memory", []() -> int { throw std::bad_alloc(); }, 4,
       "{\"error\":{\"kind\":\"memory\",\"message\":\"Not enough "
       "memory\"}}\n",
       "Not enough memory"},
      {"memory while loading",
       []() -> int { throw OutOfMemoryError("big.bin"); }, 4,
       "{\"error\":{\"kind\":\"memory\",\"message\":\"Not enough "
       "memory to load \\\"big.bin\\\"\"}}\n",
       "Not enough memory to load \"big.bin\""},
      {"usage", []() -> int { throw UsageError("bad number for --id: x"); }, 2,
       "", "bad number for --id: x"},
  };
  for (const auto& c : cases) {
    std::istringstream in;
    std::ostringstream out, err;
    CommandContext context{in, out, err, out, true, {}, false, {}, {}};
    EXPECT_EQ(RunReportingErrors(context, c.body), c.exit_code) << c.name;
    EXPECT_EQ(out.str(), c.json) << c.name;
    EXPECT_EQ(
        err.str().rfind(std::string("orlindel-cli: ") + c.message + "\n", 0),
        0u)
        << c.name << ": " << err.str();
  }
}

// An error type the command line has never heard of: its kind alone decides
// how it is reported.
class UnheardOfError : public OrlindelError {
 public:
  UnheardOfError() : OrlindelError(ErrorKind::kLayout, "Unheard of") {}
};

TEST(ErrorReportTest, ANewErrorTypeIsReportedByItsKind) {
  std::istringstream in;
  std::ostringstream out, err;
  CommandContext context{in, out, err, out, true, {}, false, {}, {}};
  EXPECT_EQ(
      RunReportingErrors(context, []() -> int { throw UnheardOfError(); }), 1);
  EXPECT_EQ(out.str(),
            "{\"error\":{\"kind\":\"layout\",\"message\":\"Unheard of\"}}\n");
  EXPECT_EQ(err.str(), "orlindel-cli: Unheard of\n");
}

TEST(ErrorReportTest, AReportOnStandardErrorIsOneJsonObjectPerError) {
  // With `-o -` the report stream is standard error itself.
  std::istringstream in;
  std::ostringstream data, err;
  CommandContext context{in, err, err, data, true, {}, false, {}, {}};
  EXPECT_EQ(RunReportingErrors(context, []() -> int { throw RangeError(); }),
            4);
  EXPECT_EQ(err.str(),
            "{\"error\":{\"kind\":\"range\",\"message\":\"Range check "
            "error\"}}\n");
  EXPECT_EQ(data.str(), "");
}

TEST(ErrorReportTest, AUsageErrorPointsAtTheCommandsOwnHelp) {
  const CliResult command = RunCli({"info", "--bogus"});
  EXPECT_EQ(command.exit_code, 2);
  EXPECT_NE(command.err.find("Try 'orlindel-cli info --help'"),
            std::string::npos)
      << command.err;
  const CliResult program = RunCli({"--bogus"});
  EXPECT_NE(program.err.find("Try 'orlindel-cli --help'"), std::string::npos)
      << program.err;
}

// Control characters of a file name never reach the terminal raw: the name
// is shown quoted as the shell reads it back; JSON escapes them itself.
TEST(ErrorReportTest, ControlCharactersInNamesAreQuoted) {
  const std::string name = "orlindel_\x1b[31mred\a.bin";
  const CliResult text = RunCli({"info", name});
  EXPECT_EQ(text.exit_code, 3);
  // The system's reason follows (Windows refuses such a name outright).
  EXPECT_EQ(text.err.rfind(
                "orlindel-cli: Cannot open file \"'orlindel_'$'\\033''[31mred'"
                "$'\\a''.bin'\". ",
                0),
            0u)
      << text.err;
  EXPECT_EQ(text.err.find_first_of("\x1b\a"), std::string::npos);
  const CliResult json = RunCli({"info", name, "--json"});
  EXPECT_NE(json.out.find("orlindel_\\u001b[31mred\\u0007.bin"),
            std::string::npos)
      << json.out;
}

TEST(ShellEscapedTest, QuotesOnlyNamesWithControlCharacters) {
  EXPECT_EQ(ShellEscaped("plain name.bin"), "plain name.bin");
  EXPECT_EQ(ShellEscaped("a\x1b[31mb.bin"), "'a'$'\\033''[31mb.bin'");
  EXPECT_EQ(ShellEscaped("it's\tx"), "'it'\\''s'$'\\t''x'");
  EXPECT_EQ(ShellEscaped("\n\x7f"), "$'\\n\\177'");
}

TEST(ErrorReportTest, APathThatIsNotUtf8KeepsItsBytes) {
  // FF and FE never occur in UTF-8: each becomes one U+FFFD.
  const std::string path = "orlindel_\xFF\xFE.bin";
  const CliResult result = RunCli({"info", path, "--json"});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out,
            "{\"error\":{\"kind\":\"file\",\"message\":\"Cannot open file "
            "\\\"orlindel_\xEF\xBF\xBD\xEF\xBF\xBD.bin\\\". No such file or "
            "directory\",\"messageBytes\":\""
            // Cannot open file "
            "43616E6E6F74206F70656E2066696C652022"
            // orlindel_
            "6F726C696E64656C5F"
            "FFFE"
            // .bin". No such file or directory
            "2E62696E222E204E6F20737563682066696C65206F72206469726563746F7279"
            "\"}}\n");
}

TEST(DoubleDashTest, AFileNamedLikeAnOptionFollowsDoubleDash) {
  // A relative name starting with '-', in the directory the tests run in.
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string("-orlindel_") + test->name() + ".bin";
  { std::ofstream(name, std::ios::binary) << AsText(Unfixed()); }
  const CliResult refused = RunCli({"fix-checksum", name, "-o", "-"});
  const CliResult fixed = RunCli({"fix-checksum", "-o", "-", "--", name});
  std::filesystem::remove(name);
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_EQ(fixed.exit_code, 0);
  EXPECT_EQ(fixed.out, AsText(Fixed()));
}

class OutputNamesInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(a_, FirmwareImage(16, 0x00));
    WriteBytes(b_, FirmwareImage(16, 0x01));
    // An IPS patch with one record: 0xEE at offset 2.
    WriteBytes(patch_,
               {'P', 'A', 'T', 'C', 'H', 0, 0, 2, 0, 1, 0xEE, 'E', 'O', 'F'});
  }
  TempPath a_{"a.bin"};
  TempPath b_{"b.bin"};
  TempPath patch_{"p.ips"};
};

TEST_F(OutputNamesInputTest, PatchAndImageInputsAreNeverOverwritten) {
  TempPath link("link.bin");
  std::filesystem::create_hard_link(b_.str(), link.str());
  const std::string dir =
      std::filesystem::path(b_.str()).parent_path().string();
  const std::string b_by_other_path =
      dir + "/./" + std::filesystem::path(b_.str()).filename().string();
  const struct {
    const char* name;
    std::vector<std::string> args;
  } cases[] = {
      {"ips -o B", {"ips", a_.str(), b_.str(), "-o", b_.str()}},
      {"ips -o A", {"ips", a_.str(), b_.str(), "-o", a_.str()}},
      {"ips -o a hard link of B",
       {"ips", a_.str(), b_.str(), "-o", link.str()}},
      {"ips -o B spelled otherwise",
       {"ips", a_.str(), b_.str(), "--output", b_by_other_path}},
      {"apply-ips -o PATCH",
       {"apply-ips", a_.str(), patch_.str(), "-o", patch_.str()}},
  };
  for (const auto& c : cases) {
    const CliResult result = RunCli(c.args);
    EXPECT_EQ(result.exit_code, 2) << c.name;
    EXPECT_NE(result.err.find("; choose another output file"),
              std::string::npos)
        << c.name << ": " << result.err;
    EXPECT_EQ(ReadBytes(a_), FirmwareImage(16, 0x00)) << c.name;
    EXPECT_EQ(ReadBytes(b_), FirmwareImage(16, 0x01)) << c.name;
    EXPECT_EQ(ReadBytes(patch_).size(), 14u) << c.name;
  }
  EXPECT_EQ(RunCli({"ips", a_.str(), b_.str(), "-o", b_.str()}).err,
            "orlindel-cli: the output " + b_.str() +
                " is the input B; choose another output file\n"
                "Try 'orlindel-cli ips --help' for more information.\n");
}

TEST_F(OutputNamesInputTest, TheEditedImageMayBeWrittenInPlace) {
  // apply-ips A PATCH -o A patches A itself.
  EXPECT_EQ(
      RunCli({"apply-ips", a_.str(), patch_.str(), "-o", a_.str()}).exit_code,
      0);
  FirmwareImage patched(16, 0x00);
  patched[2] = 0xEE;
  EXPECT_EQ(ReadBytes(a_), patched);

  WriteBytes(b_, Unfixed());
  EXPECT_EQ(RunCli({"fix-checksum", b_.str(), "-o", b_.str()}).exit_code, 0);
  EXPECT_EQ(ReadBytes(b_), Fixed());
}

TEST(NamesSameFileTest, ComparesFilesOrPaths) {
  TempPath a("a.bin"), b("b.bin"), missing("missing.bin");
  WriteBytes(a, {1});
  WriteBytes(b, {1});
  const std::string dir = std::filesystem::path(a.str()).parent_path().string();
  const std::string a_name = std::filesystem::path(a.str()).filename().string();
  const std::string missing_name =
      std::filesystem::path(missing.str()).filename().string();
  EXPECT_TRUE(NamesSameFile(a.str(), a.str()));
  EXPECT_TRUE(NamesSameFile(dir + "/../" +
                                std::filesystem::path(dir).filename().string() +
                                "/" + a_name,
                            a.str()));
  EXPECT_FALSE(NamesSameFile(a.str(), b.str()));  // equal bytes, other file
  EXPECT_FALSE(NamesSameFile(missing.str(), a.str()));
  // Neither exists: the paths decide.
  EXPECT_TRUE(NamesSameFile(dir + "/./" + missing_name, missing.str()));
}

}  // namespace
}  // namespace orlindel::cli
