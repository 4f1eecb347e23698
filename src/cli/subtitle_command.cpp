#include "cli/subtitle_command.h"

#include "cli/json_writer.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/text.h"

namespace orlindel::cli {

namespace {

void WriteJson(std::ostream& out, bool found, const Mpeg4SubtitleParams& p,
               const AnalysisLog* log) {
  JsonWriter json;
  // clang-format off
  json.BeginObject()
      .Key("found").Bool(found)
      .Key("valid").Bool(IsValidSubtitleParams(p))
      .Key("params").BeginObject()
      .Key("windowId").Int(p.window_id)
      .Key("x1").Int(p.x1)
      .Key("y1").Int(p.y1)
      .Key("x2").Int(p.x2)
      .Key("y2").Int(p.y2)
      .Key("align").Int(p.align)
      .Key("flags").Int(p.flags)
      .Key("lineSpace").Int(p.line_space)
      .EndObject();
  // clang-format on
  if (log != nullptr) {
    json.Key("log").BeginArray();
    for (const std::string& line : *log) json.String(line);
    json.EndArray();
  }
  json.EndObject();
  out << json.text() << '\n';
}

void WriteText(std::ostream& out, bool found, const Mpeg4SubtitleParams& p,
               const AnalysisLog* log) {
  if (log != nullptr)
    for (const std::string& line : *log) out << line << '\n';
  out << "found       " << (found ? "yes" : "no") << '\n'
      << "valid       " << (IsValidSubtitleParams(p) ? "yes" : "no") << '\n'
      << Format("window      %u\n", unsigned{p.window_id})
      << Format("area        (%u; %u) - (%u; %u)\n", unsigned{p.x1},
                unsigned{p.y1}, unsigned{p.x2}, unsigned{p.y2})
      << Format("align       %u\n", unsigned{p.align})
      << Format("flags       0x%.2X\n", unsigned{p.flags})
      << Format("line space  %u\n", unsigned{p.line_space});
}

}  // namespace

int RunSubtitle(const CommandLine& line, CommandContext& context) {
  const FirmwareImage image = LoadFirmwareFile(FileArgument(line));
  context.report_log = line.Has("--log");
  AnalysisLog* log = context.report_log ? &context.log : nullptr;
  Mpeg4SubtitleParams params;
  const bool found = ReadSubtitleParams(image, params, log);
  if (context.json) {
    WriteJson(context.out, found, params, log);
  } else {
    WriteText(context.out, found, params, log);
  }
  return kExitOk;
}

}  // namespace orlindel::cli
