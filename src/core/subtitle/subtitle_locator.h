// Finds SetMpeg4SubtitleParams, the routine that sends PS_B number 0x49, and
// its callers in its bank; with a log, first lists the structures found and
// every OSD_PS_B sending routine for PS_B numbers 0..100.
#pragma once

#include <cstdint>

#include "core/firmware_image.h"
#include "core/subtitle/xrefs.h"
#include "core/text.h"

namespace orlindel {

inline constexpr uint8_t kSubtitlePsbNumber = 0x49;
// The candidate listing covers PS_B numbers 0..kLastListedPsbNumber.
inline constexpr int kLastListedPsbNumber = 100;

// The name the candidate listing shows beside PS_B number `n`, or nullptr.
const char* PsbName(int n);

enum class SubtitleRoutineOutcome { kNotFound, kTooManyXrefs, kLocated };

struct SubtitleRoutineLocation {
  SubtitleRoutineOutcome outcome = SubtitleRoutineOutcome::kNotFound;
  // Start of SetMpeg4SubtitleParams; valid unless kNotFound.
  int64_t routine_start = 0;
  // The calls found in the routine's bank; 0 or 1 of them when kLocated.
  XrefList xrefs;
};

// Locates the routine and lists its callers, appending the analysis lines to
// `log` when it is not null; the result is the same without a log. Never
// writes the image. RangeError when a byte the searches read lies past the
// analysis limit or the image end.
SubtitleRoutineLocation LocateSubtitleRoutine(ImageView image,
                                              AnalysisLog* log);

}  // namespace orlindel
