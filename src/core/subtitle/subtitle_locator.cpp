#include "core/subtitle/subtitle_locator.h"

#include "core/errors.h"
#include "core/image_scan.h"
#include "core/osd_pos_list.h"
#include "core/subtitle/psb_routine.h"
#include "core/subtitle/psb_routine_finder.h"
#include "core/window_list.h"

namespace orlindel {

namespace {

// Offsets print as 32-bit patterns, so -1 shows as FFFFFFFF.
unsigned Hex32(int64_t value) { return static_cast<uint32_t>(value); }

void LogStructures(ImageView image, const ImageScan& scan, AnalysisLog* log) {
  const WindowListInfo windows = FindWindowList(image, scan);
  LogLine(log, "WList at 0x%.5X - Count = %d (0x%.2X)", Hex32(windows.offset),
          windows.count, Hex32(windows.count));
  // Without a window list no entry can name a window.
  const OsdPosListInfo osd = FindOsdPosList(image, windows.count - 1, scan);
  if (osd.count == 0) {
    LogLine(log, "OsdPosList NOT found!");
  } else {
    LogLine(log, "OsdPosList at 0x%.5X - Count = %d (0x%.2X)",
            Hex32(osd.offset), osd.count, Hex32(osd.count));
  }
  LogLine(log, "%s", "");
}

// Lists the sending routines of PS_B numbers 0..100; returns the one of
// SetMpeg4SubtitleParams, which the listing finds on its way.
PsbRoutineInfo LogPsbCandidates(ImageView image, const ImageScan& scan,
                                AnalysisLog* log) {
  LogLine(log, "Possible OSD_PS_B functions (found first)...");
  const PsbRoutineFinder finder(image, scan);
  PsbRoutineInfo subtitle;
  for (int n = 0; n <= kLastListedPsbNumber; ++n) {
    PsbRoutineInfo info;
    try {
      info = finder.Find(static_cast<uint8_t>(n));
    } catch (const RangeError&) {
      // The listing only informs: a call of another number whose operands
      // lie past the image must not end the analysis that the same image
      // passes without a log.
      if (n == kSubtitlePsbNumber) throw;
      LogLine(log, "PS_B_0x%.2X call at the image end skipped", Hex32(n));
      continue;
    }
    if (n == kSubtitlePsbNumber) subtitle = info;
    if (!info.found) continue;
    const char* name = PsbName(n);
    LogLine(log, "ARM_PutChar at 0x%.4X  -  PS_B_0x%.2X at 0x%.5X%s",
            unsigned{info.put_char_address}, Hex32(n),
            Hex32(info.routine_start),
            name == nullptr ? "" : Format("    %s", name).c_str());
  }
  LogLine(log, "%s", "");
  return subtitle;
}

}  // namespace

const char* PsbName(int n) {
  switch (n) {
    case 0x09:
      return "SetColor2 or SetColor4";
    case 0x17:
      return "Line";
    case 0x1D:
      return "Rectangle";
    case 0x1E:
      return "Rectangle2";
    case 0x31:
      return "ClearRect";
    case 0x49:
      return "SetMpeg4SubtitleParams";
    case 0x52:
      return "DisplayDRAMStrAsFiltered";
    default:
      return nullptr;
  }
}

SubtitleRoutineLocation LocateSubtitleRoutine(ImageView image,
                                              AnalysisLog* log) {
  PsbRoutineInfo info;
  if (log != nullptr) {
    // The three searches of the log read the image in one shared pass.
    const ImageScan scan(image);
    LogStructures(image, scan, log);
    info = LogPsbCandidates(image, scan, log);
  } else {
    info = FindOsdPsbRoutine(image, kSubtitlePsbNumber);
  }

  SubtitleRoutineLocation location;
  if (!info.found || info.routine_start == -1) {
    LogLine(log, "Possible 'SetMpeg4SubtitleParams' function not found!");
    return location;
  }
  LogLine(log, "Possible 'SetMpeg4SubtitleParams' function found!");
  LogLine(log, "Checking for XREFs in current bank...");
  location.routine_start = info.routine_start;
  location.xrefs = FindXrefsInBank(image, info.routine_start);
  if (location.xrefs.empty()) {
    LogLine(log, "No xref found!");
  } else {
    LogLine(log, "XREF(s):");
    for (const int64_t xref : location.xrefs)
      LogLine(log, "    0x%.5X", Hex32(xref));
  }
  if (location.xrefs.size() > 1) {
    LogLine(log,
            "Too many XREFs! Maybe this is not the 'SetMpeg4SubtitleParams' "
            "function!");
    location.outcome = SubtitleRoutineOutcome::kTooManyXrefs;
    return location;
  }
  location.outcome = SubtitleRoutineOutcome::kLocated;
  return location;
}

}  // namespace orlindel
