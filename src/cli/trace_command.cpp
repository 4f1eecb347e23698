#include "cli/trace_command.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <utility>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/errors.h"
#include "core/mcs51/trace_code.h"

namespace orlindel::cli {

namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

void WriteJson(std::ostream& out, TraceResult result, const AnalysisLog& log,
               const TraceModel& model) {
  Json registers = Json::array();
  for (int n = 1; n <= 7; ++n) registers.push_back(model.R[n]);
  Json xram = Json::array();
  for (size_t address = 0; address < model.Xram.size(); ++address) {
    if (model.Xram[address] == 0xFF) continue;
    xram.push_back(Json::array({address, model.Xram[address]}));
  }
  WriteJsonLine(out, Json{{"result", static_cast<int>(result)},
                          {"log", TextArray(log)},
                          {"model",
                           {{"A", model.A},
                            {"R", std::move(registers)},
                            {"DPTR", model.DPTR},
                            {"xram", std::move(xram)}}}});
}

void WriteLog(std::ostream& out, const AnalysisLog& log) {
  for (const std::string& text : log) out << text << '\n';
}

void WriteText(std::ostream& out, TraceResult result, const AnalysisLog& log,
               const TraceModel& model) {
  WriteLog(out, log);
  const bool completed = result == TraceResult::kCompleted;
  out << Format("result  %d (%s)\n", static_cast<int>(result),
                completed ? "ok" : "failed")
      << Format("A       0x%.2X\n", model.A) << "R1..R7 ";
  for (int n = 1; n <= 7; ++n) out << Format(" 0x%.2X", model.R[n]);
  out << Format("\nDPTR    0x%.4X\n", model.DPTR);
  for (size_t address = 0; address < model.Xram.size(); ++address) {
    if (model.Xram[address] == 0xFF) continue;
    out << Format("xram    0x%.4zX = 0x%.2X\n", address, model.Xram[address]);
  }
}

}  // namespace

int RunTrace(const CommandLine& line, CommandContext& context) {
  const int64_t start =
      ParseNumber(RequiredValue(line, "--start"), 0, kInt32Max, "--start");
  const std::optional<std::string> stop_text = line.Value("--stop");
  const int64_t stop =
      stop_text ? ParseNumber(*stop_text, kInt32Min, kInt32Max, "--stop") : -1;
  const std::optional<std::string> depth_text = line.Value("--depth");
  const int depth = depth_text
                        ? static_cast<int>(ParseNumber(*depth_text, kInt32Min,
                                                       kInt32Max, "--depth"))
                        : -1;
  const FirmwareImage image = LoadInputImage(context, FileArgument(line));

  // The command's own model, fresh for its one trace.
  const auto model = std::make_unique<TraceModel>();
  context.report_log = true;
  TraceResult result = TraceResult::kCompleted;
  try {
    result = TraceCode(*model, image, start, stop, depth, &context.log, "");
  } catch (const OrlindelError&) {
    // The error report names the failure; the listing shows where it was.
    if (!context.json) WriteLog(context.out, context.log);
    throw;
  }
  if (context.json) {
    WriteJson(context.out, result, context.log, *model);
  } else {
    WriteText(context.out, result, context.log, *model);
  }
  return kExitOk;
}

}  // namespace orlindel::cli
