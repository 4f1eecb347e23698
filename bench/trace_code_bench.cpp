// Tracing 8051 code: a caller routine of the size the subtitle analysis
// traces, and the worst case a trace can meet (its instruction budget spent
// on a run of accepted bytes), each with and without a listing.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/mcs51/trace_code.h"
#include "tests/support/code_emitter.h"
#include "tests/support/firmware_builder.h"

namespace orlindel {
namespace {

// At 0x20100 a routine of 40 parameter loads, each an XRAM store and two
// register loads, with an LCALL of a 20-instruction helper after every
// fourth load; it ends with RET.
const FirmwareImage& CallerImage() {
  static const FirmwareImage image = [] {
    testing::CodeEmitter caller;
    for (int k = 0; k < 40; ++k) {
      caller.MovDptr(static_cast<uint16_t>(0x8000 + k))
          .MovA(static_cast<uint8_t>(k))
          .MovxDptrFromA()
          .MovR(5, static_cast<uint8_t>(k))
          .MovR(7, 0xE0);
      if (k % 4 == 3) caller.Lcall(0x4000);
    }
    caller.Ret();
    testing::CodeEmitter helper;
    for (int k = 0; k < 10; ++k) helper.MovAFromR(5).MovRFromA(6);
    helper.Ret();
    return testing::FirmwareBuilder(0x30000, 0xA5)
        .Bytes(0x20100, caller.bytes())
        .Bytes(0x24000, helper.bytes())
        .Build();
  }();
  return image;
}

void BM_TraceCallerRoutine(benchmark::State& state) {
  const bool with_log = state.range(0) != 0;
  const auto model = std::make_unique<TraceModel>();
  for (auto _ : state) {
    *model = TraceModel{};
    AnalysisLog log;
    benchmark::DoNotOptimize(TraceCode(*model, CallerImage(), 0x20100, -1, -1,
                                       with_log ? &log : nullptr, "\t\t"));
  }
}
BENCHMARK(BM_TraceCallerRoutine)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TraceBudgetSpent(benchmark::State& state) {
  static const FirmwareImage image =
      testing::FirmwareBuilder(0x200000, 0xFF).Build(false);  // MOV R7,A
  const bool with_log = state.range(0) != 0;
  const auto model = std::make_unique<TraceModel>();
  for (auto _ : state) {
    AnalysisLog log;
    benchmark::DoNotOptimize(TraceCode(*model, image, 0x300, -1, -1,
                                       with_log ? &log : nullptr, "\t\t"));
  }
}
BENCHMARK(BM_TraceBudgetSpent)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orlindel
