#include "cli/set_subtitle_command.h"

#include <cstdint>
#include <string>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/firmware_document.h"
#include "core/subtitle/subtitle_analysis.h"

namespace orlindel::cli {

namespace {

int64_t Required(const CommandLine& line, const std::string& option,
                 int64_t max) {
  return ParseNumber(RequiredValue(line, option), 0, max, option);
}

Mpeg4SubtitleParams ParamsFrom(const CommandLine& line) {
  Mpeg4SubtitleParams p;
  p.window_id = static_cast<uint8_t>(Required(line, "--window", 0xFF));
  p.x1 = static_cast<uint16_t>(Required(line, "--x1", 0xFFFF));
  p.y1 = static_cast<uint16_t>(Required(line, "--y1", 0xFFFF));
  p.x2 = static_cast<uint16_t>(Required(line, "--x2", 0xFFFF));
  p.y2 = static_cast<uint16_t>(Required(line, "--y2", 0xFFFF));
  p.align = static_cast<uint8_t>(Required(line, "--align", 0xFF));
  p.flags = static_cast<uint8_t>(Required(line, "--flags", 0xFF));
  p.line_space = static_cast<uint8_t>(Required(line, "--line-space", 0xFF));
  return p;
}

}  // namespace

int RunSetSubtitle(const CommandLine& line, CommandContext& context) {
  const std::string& path = FileArgument(line);
  const std::string out_path = RequiredValue(line, "-o");
  const Mpeg4SubtitleParams params = ParamsFrom(line);

  FirmwareDocument document(LoadInputImage(context, path));
  context.report_log = line.Has("--log");
  AnalysisLog* log = context.report_log ? &context.log : nullptr;
  bool updated = false;
  document.WriteSubtitleParams(params, log, &updated);
  if (updated) SaveOutputFile(context, out_path, document.image());

  if (context.json) {
    Json json{{"updated", updated}};
    if (log != nullptr) json["log"] = TextArray(*log);
    WriteJsonLine(context.out, json);
  } else {
    if (log != nullptr)
      for (const std::string& text : *log) context.out << text << '\n';
    context.out << (updated ? "updated, written to " + out_path
                            : std::string("not updated, nothing written"))
                << '\n';
  }
  return updated ? kExitOk : kExitNegative;
}

}  // namespace orlindel::cli
