// A firmware's OSD layout, apart from the firmware: the windows' rectangles,
// the MPEG-4 subtitle area and the OSD message positions. Modders carry a
// layout from one firmware version to the next of the same family: export
// it from one image, keep it as a JSON document, import it into another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/firmware_image.h"
#include "core/history/byte_edit.h"
#include "core/mcs51/trace_code.h"
#include "core/osd_pos_list.h"
#include "core/subtitle/subtitle_params.h"

namespace orlindel {

// The fields of one window's record that the layout carries.
struct LayoutWindow {
  uint8_t id = 0;
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t right = 0;   // inclusive
  uint16_t bottom = 0;  // inclusive
  uint16_t pal_dy = 0;
  uint8_t blend = 0;

  bool operator==(const LayoutWindow&) const = default;
};

// One message position: entry `entry` of its group.
struct LayoutPosition {
  int entry = 0;
  OsdPosEntry place;

  bool operator==(const LayoutPosition&) const = default;
};

// Group `group` of the OSD message position list with its entry count, so
// that an import can tell a group of another size. `entries` may leave out
// entries (those that lay past the end of the exported image).
struct LayoutPositionGroup {
  int group = 0;
  int entry_count = 0;
  std::vector<LayoutPosition> entries;

  bool operator==(const LayoutPositionGroup&) const = default;
};

struct Layout {
  std::vector<LayoutWindow> windows;
  // Present when the subtitle parameters could be read in full.
  std::optional<Mpeg4SubtitleParams> subtitle;
  std::vector<LayoutPositionGroup> positions;

  bool operator==(const Layout&) const = default;
};

// The layout of `image`, located as opening the image does: the window list,
// the OSD message position list for the highest window id (count - 1), and
// the subtitle parameters. What is not found is left empty (no windows, no
// groups, no subtitle). Throws the searches' RangeError and the tracer's
// run-time errors. The subtitle analysis traces on `model`.
Layout ExportLayout(TraceModel& model, ImageView image);

// The parts of a layout an import may be limited to. None named: import
// everything, and refuse a layout that does not wholly fit.
struct LayoutParts {
  bool windows = false;
  bool subtitle = false;
  bool positions = false;

  bool Any() const { return windows || subtitle || positions; }
};

enum class LayoutPart { kWindow, kSubtitle, kPosition };

enum class LayoutOutcome {
  kChanged,     // written (in a dry run: would be written)
  kIdentical,   // the firmware already holds it
  kNotApplied,  // it does not fit this firmware; `reason` says why
  kSkipped,     // its part was not among those named
};

// What happened to one item of the layout: a window, the subtitle
// parameters, a whole group (entry -1: the group is missing or of another
// size) or one entry of a group.
struct LayoutItem {
  LayoutPart part = LayoutPart::kWindow;
  int window_id = -1;
  int group = -1;
  int entry = -1;
  LayoutOutcome outcome = LayoutOutcome::kIdentical;
  std::string reason;

  bool operator==(const LayoutItem&) const = default;
};

// "window 3", "subtitle parameters", "group 2" or "group 2 entry 1".
std::string LayoutItemName(const LayoutItem& item);

struct LayoutImport {
  std::vector<LayoutItem> items;  // windows, subtitle, then positions
  // The writes in order, the checksum word last; empty when nothing changed.
  EditList edits;
};

// Writes `layout` into `image`: windows matched by id, message positions by
// group and entry index, the subtitle parameters through the subtitle
// routine's parameter loads; then fixes the image checksum when anything
// changed. A window or position whose values would no longer pass the
// firmware's table checks is not applied, so the tables stay findable.
// With no part named in `only`, a layout with any item that cannot be applied
// is refused with LayoutError before anything is written; with parts named,
// those parts are applied as far as they fit and every other item is
// reported skipped. A dry run writes nothing and returns the same report and
// edits. Throws the searches' and the tracer's run-time errors. The subtitle
// analysis traces on `model`.
LayoutImport ImportLayout(TraceModel& model, FirmwareImage& image,
                          const Layout& layout, LayoutParts only, bool dry_run);

// The refusal of a layout that does not wholly fit: the text lists what does
// not fit; the program that asked adds how to apply the rest in its own
// words.
class LayoutMisfitError : public LayoutError {
 public:
  using LayoutError::LayoutError;
};

// The layout as a JSON document: {"format": "orlindel-layout", "version": 1,
// "windows": [...], "subtitle": {...} | null, "positions": [...]}, with the
// field names of the command line's `info` output.
std::string LayoutToJson(const Layout& layout);

// The layout a JSON document holds. LayoutError naming what is wrong for text
// that is not JSON, another format, a newer version, a missing field, a
// value of the wrong type or outside its field's range, or a window, group or
// entry listed twice.
Layout LayoutFromJson(std::string_view json);

}  // namespace orlindel
