// Reads the parameters SetMpeg4SubtitleParams sends, from constants in an
// already patched image or by tracing the routine's one caller, and patches
// its twelve parameter loads to send constants of the user's choice.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/firmware_image.h"
#include "core/mcs51/trace_code.h"
#include "core/subtitle/subtitle_params.h"
#include "core/text.h"

namespace orlindel {

enum class SubtitleAnalysisMode { kRead, kUpdate };

struct SubtitleAnalysis {
  bool ok = false;
  // Offsets of the twelve parameter loads; valid when ok.
  std::array<int64_t, kSubtitleParamCount> load_positions{};
};

// Locates the routine, reads its twelve parameter loads and, in read mode,
// fills `params` with what it finds (the summary of `params` ends the log).
// In update mode `params` is left alone and the caller patches the loads.
// Resets `model` and traces on it when it traces (the caller's model, so that
// it can see what the caller left). Never writes the image. Throws the
// tracer's and the locator's run-time errors.
SubtitleAnalysis AnalyzeSubtitleParams(TraceModel& model, ImageView image,
                                       Mpeg4SubtitleParams& params,
                                       SubtitleAnalysisMode mode,
                                       AnalysisLog* log);

// Sets `params` to all-ones and reads them, tracing on `model`. False when
// nothing usable was found; `params` is then all-ones. A true result may
// still leave all-ones fields (check with IsValidSubtitleParams).
bool ReadSubtitleParams(TraceModel& model, ImageView image,
                        Mpeg4SubtitleParams& params, AnalysisLog* log);

// Rewrites the twelve parameter loads as constants holding `params`. False
// at once, with no log line, when `params` is not valid; false, with the
// image unchanged, when the analysis fails. The checksum is left to the
// caller. Traces on `model`.
bool UpdateSubtitleParams(TraceModel& model, std::span<uint8_t> image,
                          const Mpeg4SubtitleParams& params, AnalysisLog* log);

}  // namespace orlindel
