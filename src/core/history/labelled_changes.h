// What the changed bytes of an image are: window records of the WList, the
// subtitle routine's parameter loads and the image checksum, found once in
// the image as it was opened. Labels are plain text, stable for display and
// scripts: "window 3 record: Left, Top", "subtitle load 9 (Align)",
// "image checksum", "unknown".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/firmware_image.h"
#include "core/history/byte_edit.h"
#include "core/mcs51/trace_code.h"

namespace orlindel {

// One changed range with everything it touches.
struct LabelledChange {
  ByteEdit edit;
  std::vector<std::string> labels;
};

class ChangeLabeller {
 public:
  // Finds the structures in `opened`. A search that fails with a run-time
  // error (a hostile image) only leaves its structures unlabelled. The
  // subtitle analysis traces on `model`.
  ChangeLabeller(TraceModel& model, ImageView opened);

  // One label per structure that [offset, offset + length) touches, in the
  // order of the structures' offsets; a window record's label names the
  // fields touched. "unknown" comes last when some byte of the range lies in
  // none of them. A range is never split: a change that spans two structures
  // carries both labels.
  std::vector<std::string> Labels(int64_t offset, int64_t length) const;

 private:
  enum class Kind { kWindowRecord, kSubtitleLoad, kChecksum };
  struct Region {
    int64_t offset = 0;
    int64_t length = 0;
    Kind kind = Kind::kChecksum;
    int index = 0;  // the window number or the load index
  };

  std::string Label(const Region& region, int64_t offset, int64_t length) const;

  std::vector<Region> regions_;  // ordered by offset
};

// The labels of one change as one line of text: "a; b".
std::string JoinedLabels(const std::vector<std::string>& labels);

// The changes between the image as opened and as it is now, labelled from
// the image as opened: the first `limit` of them in offset order (a patch
// may change millions of runs), and how many there are in all.
// PatchError when the lengths differ.
struct ChangeList {
  std::vector<LabelledChange> listed;
  int64_t total = 0;
};
ChangeList ListChanges(const ChangeLabeller& labeller, ImageView opened,
                       ImageView current, size_t limit = SIZE_MAX);

}  // namespace orlindel
