#include "cli/subtitle_command.h"

#include <memory>

#include "cli/image_files.h"
#include "cli/json_output.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/text.h"

namespace orlindel::cli {

namespace {

void WriteJson(std::ostream& out, bool found, const Mpeg4SubtitleParams& p,
               const AnalysisLog* log) {
  Json json{{"found", found},
            {"valid", IsValidSubtitleParams(p)},
            {"params",
             {{"windowId", p.window_id},
              {"x1", p.x1},
              {"y1", p.y1},
              {"x2", p.x2},
              {"y2", p.y2},
              {"align", p.align},
              {"flags", p.flags},
              {"lineSpace", p.line_space}}}};
  if (log != nullptr) json["log"] = TextArray(*log);
  WriteJsonLine(out, json);
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
  const FirmwareImage image = LoadInputImage(context, FileArgument(line));
  context.report_log = line.Has("--log");
  AnalysisLog* log = context.report_log ? &context.log : nullptr;
  Mpeg4SubtitleParams params;
  // The command's own model for the analysis's trace.
  const auto model = std::make_unique<TraceModel>();
  const bool found = ReadSubtitleParams(*model, image, params, log);
  if (context.json) {
    WriteJson(context.out, found, params, log);
  } else {
    WriteText(context.out, found, params, log);
  }
  return kExitOk;
}

}  // namespace orlindel::cli
