#include "core/history/labelled_changes.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "core/errors.h"
#include "core/history/image_diff.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/text.h"
#include "core/window_list.h"

namespace orlindel {

namespace {

// The longest structure labelled: a window record.
constexpr int64_t kLongestRegion = kWindowRecordSize;

constexpr std::array<const char*, kSubtitleParamCount> kLoadNames = {
    "WindowId", "X1.Low", "X1.High", "Y1.Low", "Y1.High", "X2.Low",
    "X2.High",  "Y2.Low", "Y2.High", "Align",  "Flags",   "LineSpace",
};

}  // namespace

ChangeLabeller::ChangeLabeller(TraceModel& model, ImageView opened) {
  try {
    const WindowListInfo list = FindWindowList(opened);
    for (int n = 0; n < list.count; ++n) {
      try {
        regions_.push_back({WindowRecordOffset(opened, list, n),
                            kWindowRecordSize, Kind::kWindowRecord, n});
      } catch (const OrlindelError&) {
        // A record outside the image is left unlabelled.
      }
    }
  } catch (const OrlindelError&) {
    // No window list could be searched: its records stay unlabelled.
  }

  try {
    // Update mode finds the loads wherever the subtitle page could patch
    // them, also in an image whose loads are partly patched already; it
    // never writes the image and leaves `params` alone.
    Mpeg4SubtitleParams params;
    const SubtitleAnalysis analysis = AnalyzeSubtitleParams(
        model, opened, params, SubtitleAnalysisMode::kUpdate, nullptr);
    if (analysis.ok) {
      for (int i = 0; i < kSubtitleParamCount; ++i)
        regions_.push_back({analysis.load_positions[static_cast<size_t>(i)],
                            kParamLoadSize, Kind::kSubtitleLoad, i});
    }
  } catch (const OrlindelError&) {
    // The analysis stopped: the loads stay unlabelled.
  }

  if (opened.size() >= 4)
    regions_.push_back({static_cast<int64_t>(opened.size() / 4 * 4 - 4), 4,
                        Kind::kChecksum, 0});

  std::stable_sort(
      regions_.begin(), regions_.end(),
      [](const Region& a, const Region& b) { return a.offset < b.offset; });
}

std::string ChangeLabeller::Label(const Region& region, int64_t offset,
                                  int64_t length) const {
  switch (region.kind) {
    case Kind::kWindowRecord: {
      const int64_t first = std::max<int64_t>(offset - region.offset, 0);
      const int64_t last =
          std::min<int64_t>(offset + length - region.offset, region.length);
      std::string label = Format("window %d record: ", region.index);
      std::string_view previous;
      for (int64_t k = first; k < last; ++k) {
        const std::string_view field =
            WindowRecordFieldName(static_cast<int>(k));
        if (field == previous) continue;
        if (!previous.empty()) label += ", ";
        label += field;
        previous = field;
      }
      return label;
    }
    case Kind::kSubtitleLoad:
      return Format("subtitle load %d (%s)", region.index,
                    kLoadNames[static_cast<size_t>(region.index)]);
    case Kind::kChecksum:
      return "image checksum";
  }
  return "unknown";
}

std::vector<std::string> ChangeLabeller::Labels(int64_t offset,
                                                int64_t length) const {
  std::vector<std::string> labels;
  const int64_t end = offset + length;
  // Regions are at most kLongestRegion long, so none that starts further
  // back can reach the range.
  auto region = std::lower_bound(
      regions_.begin(), regions_.end(), offset - (kLongestRegion - 1),
      [](const Region& r, int64_t at) { return r.offset < at; });
  int64_t covered_to = offset;  // the range is covered up to here
  bool gap = false;
  for (; region != regions_.end() && region->offset < end; ++region) {
    if (region->offset + region->length <= offset) continue;
    labels.push_back(Label(*region, offset, length));
    if (region->offset > covered_to) gap = true;
    covered_to = std::max(covered_to, region->offset + region->length);
  }
  if (gap || covered_to < end) labels.push_back("unknown");
  return labels;
}

std::string JoinedLabels(const std::vector<std::string>& labels) {
  std::string text;
  for (const std::string& label : labels) {
    if (!text.empty()) text += "; ";
    text += label;
  }
  return text;
}

ChangeList ListChanges(const ChangeLabeller& labeller, ImageView opened,
                       ImageView current, size_t limit) {
  ChangeList changes;
  VisitImageDifferences(opened, current, [&](const DiffRun& run) {
    ++changes.total;
    if (changes.listed.size() >= limit) return;
    const auto length = static_cast<int64_t>(run.before.size());
    changes.listed.push_back({{run.offset,
                               {run.before.begin(), run.before.end()},
                               {run.after.begin(), run.after.end()}},
                              labeller.Labels(run.offset, length)});
  });
  return changes;
}

}  // namespace orlindel
