#include "core/subtitle/subtitle_analysis.h"

#include <algorithm>

#include "core/checks.h"
#include "core/mcs51/trace_code.h"
#include "core/subtitle/subtitle_locator.h"
#include "core/tv_geometry.h"

namespace orlindel {

namespace {

using Sources = std::array<uint16_t, kSubtitleParamCount>;

constexpr std::array<const char*, kSubtitleParamCount> kLabels = {
    "\twWindow ID: R7 ", "\twX1.Low:       ", "\twX1.High:      ",
    "\twY1.Low:       ", "\twY1.High:      ", "\twX2.Low:       ",
    "\twX2.High:      ", "\twY2.Low:       ", "\twY2.High:      ",
    "\tbAlign:     R5 ", "\tbUnknown:   R3 ", "\tbLineSpace:    ",
};

// When the trace fails but these cells lie in a row, the routine is taken as
// the one known layout and the user picks the subtitle window.
constexpr Mpeg4SubtitleParams kFallbackParams = {
    0, 0, 0, kTvWidth, kPalLines, kSubtitleAlignCenter, kSubtitleFlagAllChars,
    0};

bool IsXramSource(uint16_t source) { return source >= kFirstXramSource; }

void LogSummary(const Mpeg4SubtitleParams& p, AnalysisLog* log) {
  LogLine(log, "%s", "");
  LogLine(log, "\tWindow ID  = 0x%.2X", unsigned{p.window_id});
  LogLine(log, "\t(X1; Y1)   = (%3d; %3d)", p.x1, p.y1);
  LogLine(log, "\t(X2; Y2)   = (%3d; %3d)", p.x2, p.y2);
  LogLine(log, "\tAlign      = 0x%.2X = %s", unsigned{p.align},
          SubtitleAlignName(p.align));
  LogLine(log, "\tUnknown    = 0x%.2X = %s", unsigned{p.flags},
          SubtitleFlagsName(p.flags));
  LogLine(log, "\tLine Space = 0x%.2X = %d", unsigned{p.line_space},
          p.line_space);
}

// The offset after the last RET in front of `call`, where the caller routine
// begins; -1 when no RET precedes it.
int64_t CallerStart(ImageView image, int64_t call) {
  if (call <= 0) return -1;
  CheckAnalysisOffset(call - 1);
  const auto before = image.first(static_cast<size_t>(call));
  const auto ret = std::find(before.rbegin(), before.rend(), uint8_t{0x22});
  if (ret == before.rend()) return -1;
  return static_cast<int64_t>(before.rend() - ret);
}

// Reads the values the caller leaves for the routine by tracing it up to the
// call; falls back to the known layout when it cannot be traced.
bool AnalyzeCaller(TraceModel& model, ImageView image, int64_t call,
                   const Sources& sources, Mpeg4SubtitleParams& params,
                   SubtitleAnalysisMode mode, AnalysisLog* log) {
  const int64_t start = CallerStart(image, call);
  if (start < 0) return false;
  LogLine(log, "\tXREF function start at 0x%.5X", static_cast<uint32_t>(start));
  LogLine(log, "\tDisassembly:");

  // A call that opens its routine leaves nothing to trace.
  bool traced = false;
  if (start != call) {
    model = TraceModel{};
    traced = TraceCode(model, image, start, call, -1, log, "\t\t") ==
             TraceResult::kCompleted;
  }

  if (traced) {
    model.Xram[sources[kWindowIdParam]] = model.R[7];
    model.Xram[sources[kAlignParam]] = model.R[5];
    model.Xram[sources[kFlagsParam]] = model.R[3];
    LogLine(log, "%s", "");
    SubtitleParamBytes bytes;
    for (int i = 0; i < kSubtitleParamCount; ++i) {
      bytes[i] = model.Xram[sources[i]];
      LogLine(log, "%sxram%.4X = 0x%.2X", kLabels[i], unsigned{sources[i]},
              unsigned{bytes[i]});
    }
    if (mode == SubtitleAnalysisMode::kRead)
      params = SubtitleParamsFromBytes(bytes);
    return true;
  }

  const bool cells_in_a_row =
      sources[kAlignParam] == sources[kWindowIdParam] + 1 &&
      sources[kFlagsParam] == sources[kAlignParam] + 1 &&
      sources[kLineSpaceParam] == sources[kFlagsParam] + 1;
  LogLine(log, "%s", "");
  if (!cells_in_a_row) {
    LogLine(log, "\tERROR: Unknown code was found!");
    LogLine(log, "\tERROR: XRAM addresses don't match!");
    return false;
  }
  LogLine(log, "\t!!! WARNING: Unknown code was found !!!");
  LogLine(log,
          "\t!!! XRAM addresses match -> Find Subtitle Window Manually !!!");
  if (mode == SubtitleAnalysisMode::kRead) params = kFallbackParams;
  return true;
}

// Steps 3 onwards of the analysis, after the routine has been located; the
// caller writes the summary.
bool AnalyzeLoads(TraceModel& model, ImageView image,
                  const SubtitleRoutineLocation& location,
                  Mpeg4SubtitleParams& params, SubtitleAnalysisMode mode,
                  AnalysisLog* log, SubtitleAnalysis& analysis) {
  Sources sources{};
  bool all_found = true;
  int64_t pos = location.routine_start;
  for (int i = 0; i < kSubtitleParamCount; ++i) {
    // After the first miss no further step is looked for.
    std::optional<ParamLoad> load;
    if (all_found) load = FindNextParamLoad(image, pos);
    all_found = load.has_value();
    if (all_found) {
      sources[i] = load->source;
      pos = analysis.load_positions[i] = load->position;
    }
    if (IsXramSource(sources[i])) {
      LogLine(log, "%sxram%.4X", kLabels[i], unsigned{sources[i]});
    } else {
      LogLine(log, "%s= 0x%.2X", kLabels[i], unsigned{sources[i]});
    }
  }
  LogLine(log, "%s", "");
  if (!all_found) return false;

  if (!std::all_of(sources.begin(), sources.end(), IsXramSource)) {
    LogLine(log, "Already patched.");
    if (mode == SubtitleAnalysisMode::kUpdate) return true;
    // A cell address among the constants fits no parameter byte.
    if (std::any_of(sources.begin(), sources.end(), IsXramSource)) {
      LogLine(log, "\tERROR: Patched and XRAM parameter loads are mixed!");
      return false;
    }
    SubtitleParamBytes bytes;
    for (int i = 0; i < kSubtitleParamCount; ++i)
      bytes[i] = static_cast<uint8_t>(sources[i]);
    params = SubtitleParamsFromBytes(bytes);
    return true;
  }

  LogLine(log, "Not yet patched. Trying to analyze XREF...");
  if (location.xrefs.empty()) {
    LogLine(log, "\tERROR: No XREF to analyze!");
    return false;
  }
  return AnalyzeCaller(model, image, location.xrefs.front(), sources, params,
                       mode, log);
}

}  // namespace

SubtitleAnalysis AnalyzeSubtitleParams(TraceModel& model, ImageView image,
                                       Mpeg4SubtitleParams& params,
                                       SubtitleAnalysisMode mode,
                                       AnalysisLog* log) {
  SubtitleAnalysis analysis;
  const SubtitleRoutineLocation location = LocateSubtitleRoutine(image, log);
  if (location.outcome != SubtitleRoutineOutcome::kLocated) return analysis;

  LogLine(log, "%s", "");
  LogLine(log, "'SetMpeg4SubtitleParams' analyze...");
  analysis.ok =
      AnalyzeLoads(model, image, location, params, mode, log, analysis);
  if (mode == SubtitleAnalysisMode::kRead) LogSummary(params, log);
  return analysis;
}

bool ReadSubtitleParams(TraceModel& model, ImageView image,
                        Mpeg4SubtitleParams& params, AnalysisLog* log) {
  params = {};
  return AnalyzeSubtitleParams(model, image, params,
                               SubtitleAnalysisMode::kRead, log)
      .ok;
}

bool UpdateSubtitleParams(TraceModel& model, std::span<uint8_t> image,
                          const Mpeg4SubtitleParams& params, AnalysisLog* log) {
  if (!IsValidSubtitleParams(params)) return false;
  Mpeg4SubtitleParams copy = params;
  const SubtitleAnalysis analysis = AnalyzeSubtitleParams(
      model, image, copy, SubtitleAnalysisMode::kUpdate, log);
  if (!analysis.ok) return false;
  // Every test has passed: only now is the image written.
  const SubtitleParamBytes bytes = SubtitleParamsToBytes(params);
  for (int i = 0; i < kSubtitleParamCount; ++i)
    PatchNextParamLoad(image, analysis.load_positions[i], bytes[i]);
  return true;
}

}  // namespace orlindel
