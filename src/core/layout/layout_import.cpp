#include <functional>
#include <utility>

#include "core/checks.h"
#include "core/errors.h"
#include "core/layout/layout.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/text.h"
#include "core/tv_geometry.h"
#include "core/window_list.h"

namespace orlindel {

namespace {

// Refusal texts list at most this many items, then a count of the rest.
constexpr size_t kListedMisfits = 10;

const char* const kNotNamed = "its part was not named for import";

// One item of the layout with the write that applies it (none when it is
// not applied, skipped, or already identical).
struct PlannedItem {
  LayoutItem item;
  std::function<EditList(std::span<uint8_t>)> write;
};

LayoutItem Item(LayoutPart part, LayoutOutcome outcome, std::string reason) {
  LayoutItem item;
  item.part = part;
  item.outcome = outcome;
  item.reason = std::move(reason);
  return item;
}

// Writes through `write` and returns what changed in `range`.
EditList WriteRange(std::span<uint8_t> image, ByteRange range,
                    const std::function<void(std::span<uint8_t>)>& write) {
  const RangeSnapshot before(image, {range});
  write(image);
  return before.Changes(image);
}

std::string WindowMisfit(ImageView image, const WindowListInfo& list,
                         const LayoutWindow& window, WindowRecord& record,
                         int64_t& offset) {
  if (list.count == 0) return "this firmware has no window list";
  if (window.id >= list.count)
    return Format("this firmware has no window %d (its windows are 0..%d)",
                  window.id, list.count - 1);
  offset = WindowRecordOffset(image, list, window.id);
  record = ReadWindowRecordAt(image, offset);
  record.left = window.left;
  record.top = window.top;
  record.right = window.right;
  record.bottom = window.bottom;
  record.pal_dy = window.pal_dy;
  record.blend = window.blend;
  // A record that fails the table check would end the window list there.
  if (!IsValidWindowRecord(window.id, record))
    return Format("its edges would lie outside %d x %d", kTableMaxX,
                  kTableMaxY);
  return {};
}

void PlanWindows(ImageView image, const WindowListInfo& list,
                 const Layout& layout, bool named,
                 std::vector<PlannedItem>& plan) {
  for (const LayoutWindow& window : layout.windows) {
    PlannedItem planned{
        Item(LayoutPart::kWindow, LayoutOutcome::kIdentical, {}), {}};
    planned.item.window_id = window.id;
    WindowRecord record;
    int64_t offset = 0;
    if (!named) {
      planned.item.outcome = LayoutOutcome::kSkipped;
      planned.item.reason = kNotNamed;
    } else if (std::string misfit =
                   WindowMisfit(image, list, window, record, offset);
               !misfit.empty()) {
      planned.item.outcome = LayoutOutcome::kNotApplied;
      planned.item.reason = std::move(misfit);
    } else {
      planned.write = [offset, record](std::span<uint8_t> bytes) {
        return WriteRange(bytes, {offset, kWindowRecordSize},
                          [&](std::span<uint8_t> target) {
                            WriteWindowRecordAt(target, offset, record);
                          });
      };
    }
    plan.push_back(std::move(planned));
  }
}

void PlanSubtitle(TraceModel& model, ImageView image,
                  const Mpeg4SubtitleParams& wanted, bool named,
                  std::vector<PlannedItem>& plan) {
  PlannedItem planned{
      Item(LayoutPart::kSubtitle, LayoutOutcome::kIdentical, {}), {}};
  Mpeg4SubtitleParams current;
  if (!named) {
    planned.item.outcome = LayoutOutcome::kSkipped;
    planned.item.reason = kNotNamed;
  } else if (!IsValidSubtitleParams(wanted)) {
    planned.item.outcome = LayoutOutcome::kNotApplied;
    planned.item.reason = "the layout's subtitle parameters are incomplete";
  } else if (const SubtitleAnalysis analysis = AnalyzeSubtitleParams(
                 model, image, current, SubtitleAnalysisMode::kRead, nullptr);
             !analysis.ok) {
    planned.item.outcome = LayoutOutcome::kNotApplied;
    planned.item.reason =
        "this firmware has no subtitle routine whose parameters can be read";
  } else if (current != wanted) {
    planned.write = [&model, wanted, loads = analysis.load_positions](
                        std::span<uint8_t> bytes) {
      std::vector<ByteRange> ranges;
      for (const int64_t load : loads) ranges.push_back({load, kParamLoadSize});
      const RangeSnapshot before(bytes, std::move(ranges));
      if (!UpdateSubtitleParams(model, bytes, wanted, nullptr))
        throw LayoutError(
            "The subtitle parameters could not be written into this firmware");
      return before.Changes(bytes);
    };
  }
  plan.push_back(std::move(planned));
}

// Why group `group` of the layout does not fit, or empty when it does.
std::string GroupMisfit(const OsdPosListInfo& list, ImageView image,
                        const LayoutPositionGroup& group) {
  if (list.count == 0) return "this firmware has no OSD message position list";
  if (group.group < 0 || group.group >= list.count)
    return Format("this firmware has no group %d (its groups are 0..%d)",
                  group.group, list.count - 1);
  const int count =
      ReadOsdPosGroup(image, list.offset, group.group).entry_count;
  if (count != group.entry_count)
    return Format("it has %d entries in this firmware, %d in the layout", count,
                  group.entry_count);
  return {};
}

std::string EntryMisfit(ImageView image, const OsdPosGroup& group,
                        int max_window_id, const LayoutPosition& position,
                        int64_t& offset) {
  if (position.entry < 0 || position.entry >= group.entry_count)
    return Format("the group has no entry %d", position.entry);
  offset = OsdPosEntryOffset(group, position.entry);
  if (!FitsInside(image, offset, kOsdPosEntrySize))
    return "it lies past the end of the image";
  // An entry that fails the list check would hide the whole list.
  if (position.place.window_id > max_window_id)
    return Format("this firmware has no window %d", position.place.window_id);
  if (!IsValidOsdPosEntry(position.place, max_window_id))
    return Format("its position would lie outside %d x %d", kTableMaxX,
                  kTableMaxY);
  return {};
}

void PlanPositions(ImageView image, const WindowListInfo& windows,
                   const OsdPosListInfo& list, const Layout& layout, bool named,
                   std::vector<PlannedItem>& plan) {
  for (const LayoutPositionGroup& group : layout.positions) {
    std::string misfit =
        named ? GroupMisfit(list, image, group) : std::string(kNotNamed);
    if (!misfit.empty()) {
      PlannedItem planned{
          Item(LayoutPart::kPosition,
               named ? LayoutOutcome::kNotApplied : LayoutOutcome::kSkipped,
               std::move(misfit)),
          {}};
      planned.item.group = group.group;
      plan.push_back(std::move(planned));
      continue;
    }
    const OsdPosGroup found = ReadOsdPosGroup(image, list.offset, group.group);
    for (const LayoutPosition& position : group.entries) {
      PlannedItem planned{
          Item(LayoutPart::kPosition, LayoutOutcome::kIdentical, {}), {}};
      planned.item.group = group.group;
      planned.item.entry = position.entry;
      int64_t offset = 0;
      if (std::string entry_misfit =
              EntryMisfit(image, found, windows.count - 1, position, offset);
          !entry_misfit.empty()) {
        planned.item.outcome = LayoutOutcome::kNotApplied;
        planned.item.reason = std::move(entry_misfit);
      } else {
        planned.write = [offset,
                         place = position.place](std::span<uint8_t> bytes) {
          return WriteRange(bytes, {offset, kOsdPosEntrySize},
                            [&](std::span<uint8_t> target) {
                              WriteOsdPosEntryAt(target, offset, place);
                            });
        };
      }
      plan.push_back(std::move(planned));
    }
  }
}

[[noreturn]] void RefuseMisfits(const std::vector<PlannedItem>& plan) {
  std::string text = "The layout does not fit this firmware:";
  size_t misfits = 0;
  for (const PlannedItem& planned : plan) {
    if (planned.item.outcome != LayoutOutcome::kNotApplied) continue;
    if (++misfits <= kListedMisfits)
      text.append("\n")
          .append(LayoutItemName(planned.item))
          .append(": ")
          .append(planned.item.reason);
  }
  if (misfits > kListedMisfits)
    text += Format("\nand %zu more", misfits - kListedMisfits);
  throw LayoutMisfitError(text);
}

}  // namespace

std::string LayoutItemName(const LayoutItem& item) {
  switch (item.part) {
    case LayoutPart::kWindow:
      return Format("window %d", item.window_id);
    case LayoutPart::kSubtitle:
      return "subtitle parameters";
    case LayoutPart::kPosition:
      return item.entry < 0
                 ? Format("group %d", item.group)
                 : Format("group %d entry %d", item.group, item.entry);
  }
  return {};
}

LayoutImport ImportLayout(TraceModel& model, FirmwareImage& image,
                          const Layout& layout, LayoutParts only,
                          bool dry_run) {
  if (dry_run) {
    // The same import on a copy reports exactly what the real one would.
    FirmwareImage copy = image;
    return ImportLayout(model, copy, layout, only, false);
  }
  const bool strict = !only.Any();
  const LayoutParts parts = strict ? LayoutParts{true, true, true} : only;

  std::vector<PlannedItem> plan;
  const WindowListInfo windows = FindWindowList(image);
  PlanWindows(image, windows, layout, parts.windows, plan);
  if (layout.subtitle)
    PlanSubtitle(model, image, *layout.subtitle, parts.subtitle, plan);
  OsdPosListInfo list;
  if (parts.positions && windows.count > 0)
    list = FindOsdPosList(image, windows.count - 1);
  PlanPositions(image, windows, list, layout, parts.positions, plan);

  if (strict)
    for (const PlannedItem& planned : plan)
      if (planned.item.outcome == LayoutOutcome::kNotApplied)
        RefuseMisfits(plan);

  LayoutImport result;
  try {
    for (PlannedItem& planned : plan) {
      if (planned.write) {
        const EditList changes = planned.write(image);
        planned.item.outcome = changes.empty() ? LayoutOutcome::kIdentical
                                               : LayoutOutcome::kChanged;
        result.edits.insert(result.edits.end(), changes.begin(), changes.end());
      }
      result.items.push_back(std::move(planned.item));
    }
    if (!result.edits.empty()) {
      const EditList checksum = FixChecksumEdit(image);
      result.edits.insert(result.edits.end(), checksum.begin(), checksum.end());
    }
  } catch (...) {
    // The image is left as it was: a half-imported layout is never kept.
    UndoEdits(image, result.edits);
    throw;
  }
  return result;
}

}  // namespace orlindel
