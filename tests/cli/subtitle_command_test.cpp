#include <gtest/gtest.h>

#include "tests/cli/cli_test_helpers.h"
#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"
#include "tests/support/subtitle_code.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::CodeEmitter;
using orlindel::testing::FirmwareBuilder;
using orlindel::testing::kSubtitleCells;
using orlindel::testing::SubtitleCaller;
using orlindel::testing::SubtitleRoutine;
using orlindel::testing::XramLoads;
using testing::CliResult;
using testing::RunCli;
using testing::TempPath;

// The subtitle routine at 0x12340; its caller passes window 5, (48; 420) -
// (672; 540), Center, flags 9, line space 4 and calls it from 0x1503D.
FirmwareBuilder SubtitleFirmware() {
  FirmwareBuilder builder(0x20000, 0x00);
  builder.Bytes(0x12340, SubtitleRoutine(XramLoads(kSubtitleCells)).bytes());
  return builder;
}

FirmwareImage WithCaller() {
  return SubtitleFirmware()
      .Bytes(0x15000,
             SubtitleCaller(kSubtitleCells,
                            {5, 0x30, 0, 0xA4, 1, 0xA0, 2, 0x1C, 2, 1, 9, 4},
                            0x2340)
                 .bytes())
      .Build();
}

class SubtitleCommandTest : public ::testing::Test {
 protected:
  void Write(FirmwareImage image) { SaveFirmwareFile(path_, image); }

  TempPath file_{"in.bin"};
  const std::string& path_ = file_.str();
};

TEST_F(SubtitleCommandTest, JsonHoldsTheParametersTheCallerPasses) {
  Write(WithCaller());
  const CliResult result = RunCli({"subtitle", path_, "--json"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "{\"found\":true,\"valid\":true,\"params\":{\"windowId\":5,"
            "\"x1\":48,\"y1\":420,\"x2\":672,\"y2\":540,\"align\":1,"
            "\"flags\":9,\"lineSpace\":4}}\n");
}

TEST_F(SubtitleCommandTest, LogCarriesTheAnalysisLines) {
  Write(WithCaller());
  const CliResult json = RunCli({"subtitle", path_, "--log", "--json"});
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_NE(json.out.find("\"log\":[\"WList at 0x00000 - Count = 0 (0x00)\","
                          "\"OsdPosList NOT found!\",\"\","),
            std::string::npos);
  EXPECT_NE(json.out.find("\"\\twWindow ID: R7 xramF870 = 0x05\""),
            std::string::npos);
  EXPECT_NE(json.out.find("\"\\tLine Space = 0x04 = 4\"]}"), std::string::npos);

  const CliResult text = RunCli({"subtitle", path_, "--log"});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_NE(text.out.find("\n\t(X1; Y1)   = ( 48; 420)\n"), std::string::npos);
  EXPECT_NE(text.out.find("area        (48; 420) - (672; 540)\n"),
            std::string::npos);
}

TEST_F(SubtitleCommandTest, NothingFoundIsNotAnError) {
  Write(FirmwareBuilder(0x1000).Build());
  const CliResult result = RunCli({"subtitle", path_, "--json"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "{\"found\":false,\"valid\":false,\"params\":{\"windowId\":"
            "255,\"x1\":65535,\"y1\":65535,\"x2\":65535,\"y2\":65535,"
            "\"align\":255,\"flags\":255,\"lineSpace\":255}}\n");
}

TEST_F(SubtitleCommandTest, RunTimeErrorReportsTheLogWrittenBeforeIt) {
  // INC DPTR before anything set DPTR overflows during the trace.
  CodeEmitter caller;
  caller.Ret().IncDptr().Lcall(0x2340);
  Write(SubtitleFirmware().Bytes(0x15000, caller.bytes()).Build());
  const CliResult result = RunCli({"subtitle", path_, "--log", "--json"});
  EXPECT_EQ(result.exit_code, 4);
  EXPECT_EQ(result.out.rfind("{\"error\":{\"kind\":\"overflow\","
                             "\"message\":\"Integer overflow\"},\"log\":[",
                             0),
            0u);
  EXPECT_NE(result.out.find("\"\\tXREF function start at 0x15001\","
                            "\"\\tDisassembly:\"]}\n"),
            std::string::npos);

  const CliResult without_log = RunCli({"subtitle", path_, "--json"});
  EXPECT_EQ(without_log.exit_code, 4);
  EXPECT_EQ(without_log.out,
            "{\"error\":{\"kind\":\"overflow\","
            "\"message\":\"Integer overflow\"}}\n");
}

TEST_F(SubtitleCommandTest, MissingFileIsAFileError) {
  EXPECT_EQ(RunCli({"subtitle", path_ + ".none"}).exit_code, 3);
  EXPECT_EQ(RunCli({"subtitle"}).exit_code, 2);
  EXPECT_EQ(RunCli({"subtitle", path_, "-o", "x"}).exit_code, 2);
}

}  // namespace
}  // namespace orlindel::cli
