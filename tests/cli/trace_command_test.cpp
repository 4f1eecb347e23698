#include <gtest/gtest.h>

#include "tests/cli/cli_test_helpers.h"
#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::cli {
namespace {

using orlindel::testing::CodeEmitter;
using orlindel::testing::FirmwareBuilder;
using testing::CliResult;
using testing::RunCli;
using testing::TempPath;
using testing::WriteBytes;

// Bank 2: a store of 0x05 to XRAM 0xF860 at 0x24000; at 0x20100 an LCALL of
// it followed by MOV R3,#0x33 and an unknown byte; at 0x20200 INC DPTR after
// MOV A,#0x01.
FirmwareImage TraceFirmware() {
  return FirmwareBuilder(0x30000, 0xA5)
      .Bytes(
          0x24000,
          CodeEmitter().MovDptr(0xF860).MovA(5).MovxDptrFromA().Ret().bytes())
      .Bytes(0x20100, CodeEmitter().Lcall(0x4000).MovR(3, 0x33).bytes())
      .Bytes(0x20200, CodeEmitter().MovA(1).IncDptr().Ret().bytes())
      .Build();
}

class TraceCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(file_, TraceFirmware()); }
  CliResult Trace(std::vector<std::string> options) {
    options.insert(options.begin(), {"trace", file_.str()});
    return RunCli(options);
  }

  TempPath file_{"fw.bin"};
};

constexpr const char* kUnsetRegisters = "\"R\":[255,255,255,255,255,255,255]";

TEST_F(TraceCommandTest, JsonHoldsResultLogAndModel) {
  const CliResult result = Trace({"--start", "0x24000", "--json"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            std::string("{\"result\":0,\"log\":["
                        "\"0x24000  MOV   DPTR, #0xF860   ; DPTR := 0xF860\","
                        "\"0x24003  MOV   A, #0x05        ; A := 0x05\","
                        "\"0x24005  MOVX  @DPTR, A        ; xram0xF860 := "
                        "0x05\","
                        "\"0x24006  RET                   ; \"],"
                        "\"model\":{\"A\":5,") +
                kUnsetRegisters + ",\"DPTR\":63584,\"xram\":[[63584,5]]}}\n");
  EXPECT_EQ(result.err, "");
}

// Nested lines carry a TAB; the unknown byte after the stop offset is never
// reached; each run starts from a reset model.
TEST_F(TraceCommandTest, StopAndDepthReachTheTracer) {
  const CliResult nested =
      Trace({"--start", "131328", "--stop", "0x20105", "--json"});
  EXPECT_EQ(nested.exit_code, 0);
  EXPECT_NE(nested.out.find("\"0x20100  LCALL  0x4000         ; \","
                            "\"\\t0x24000  MOV   DPTR, #0xF860   ; DPTR := "
                            "0xF860\""),
            std::string::npos);
  EXPECT_NE(nested.out.find("\"A\":5,\"R\":[255,255,51,255"),
            std::string::npos);

  const CliResult flat =
      Trace({"--start", "0x20100", "--stop", "-1", "--depth", "0", "--json"});
  EXPECT_EQ(flat.exit_code, 0);
  EXPECT_EQ(flat.out,
            std::string("{\"result\":1,\"log\":["
                        "\"0x20100  LCALL  0x4000         ; \","
                        "\"0x20103  MOV   R3, #0x33       ; R3 := 0x33\","
                        "\"0x20105  .byte 0xA5            ; UNKNOWN -> "
                        "ERROR\"],"
                        "\"model\":{\"A\":255,\"R\":[255,255,51,255,"
                        "255,255,255],\"DPTR\":65535,\"xram\":[]}}\n"));
}

TEST_F(TraceCommandTest, TextShowsListingAndModel) {
  const CliResult result = Trace({"--start", "0x24000"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "0x24000  MOV   DPTR, #0xF860   ; DPTR := 0xF860\n"
            "0x24003  MOV   A, #0x05        ; A := 0x05\n"
            "0x24005  MOVX  @DPTR, A        ; xram0xF860 := 0x05\n"
            "0x24006  RET                   ; \n"
            "result  0 (ok)\n"
            "A       0x05\n"
            "R1..R7  0xFF 0xFF 0xFF 0xFF 0xFF 0xFF 0xFF\n"
            "DPTR    0xF860\n"
            "xram    0xF860 = 0x05\n");
}

// INC DPTR on the reset pointer is an overflow; the error report carries
// the lines written before it.
TEST_F(TraceCommandTest, RunTimeErrorsCarryTheLogSoFar) {
  const CliResult overflow = Trace({"--start", "0x20200", "--json"});
  EXPECT_EQ(overflow.exit_code, 4);
  EXPECT_EQ(overflow.out,
            "{\"error\":{\"kind\":\"overflow\",\"message\":\"Integer "
            "overflow\"},\"log\":[\"0x20200  MOV   A, #0x01        ; A := "
            "0x01\"]}\n");
  EXPECT_EQ(overflow.err, "orlindel-cli: Integer overflow\n");

  const CliResult text = Trace({"--start", "0x20200"});
  EXPECT_EQ(text.exit_code, 4);
  EXPECT_EQ(text.out, "0x20200  MOV   A, #0x01        ; A := 0x01\n");

  const CliResult range = Trace({"--start", "0xA00000", "--json"});
  EXPECT_EQ(range.exit_code, 4);
  EXPECT_EQ(range.out,
            "{\"error\":{\"kind\":\"range\",\"message\":\"Range check "
            "error\"},\"log\":[]}\n");
}

TEST_F(TraceCommandTest, BadCommandLinesAreUsageErrors) {
  EXPECT_EQ(Trace({}).exit_code, 2);
  EXPECT_EQ(Trace({"--start"}).exit_code, 2);
  EXPECT_EQ(Trace({"--start", "-1"}).exit_code, 2);
  EXPECT_EQ(Trace({"--start", "0x10", "--depth", "x"}).exit_code, 2);
  EXPECT_EQ(Trace({"--start", "0x10", "--stop", "0x80000000"}).exit_code, 2);
  EXPECT_EQ(RunCli({"trace", "--start", "0"}).exit_code, 2);
}

TEST_F(TraceCommandTest, MissingFileIsAFileError) {
  const CliResult result =
      RunCli({"trace", file_.str() + ".none", "--start", "0"});
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out, "");
}

}  // namespace
}  // namespace orlindel::cli
