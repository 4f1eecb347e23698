// The firmware being edited: the image, the file as opened, the structures
// located in it, and every operation that changes it. Each operation returns
// the EditList it made, so the editor's history, its Changes window and the
// command line's writing commands all change bytes through the same code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/firmware_image.h"
#include "core/history/byte_edit.h"
#include "core/history/labelled_changes.h"
#include "core/layout/layout.h"
#include "core/patch/patch_format.h"
#include "core/subtitle/subtitle_analysis.h"
#include "core/window_geometry.h"
#include "core/window_list.h"

namespace orlindel {

class FirmwareDocument {
 public:
  // No firmware: an empty image, nothing located.
  FirmwareDocument() = default;
  // Edits `image`; nothing located yet, no copy of it kept (StartHistory
  // keeps one).
  explicit FirmwareDocument(FirmwareImage image);

  // Loads the firmware at `path` and locates its window list and OSD message
  // position list; the loaded image becomes the file as opened. Everything is
  // located before anything changes: a file that cannot be read, is empty or
  // has no window list throws (FileError or RangeError), and one there is no
  // memory for throws OutOfMemoryError or std::bad_alloc, and each leaves the
  // document as it was.
  void Open(const std::string& path);

  // Looks for the window list of the image and, when there is one, takes it
  // as the document's. Returns what the search found (count 0: none).
  // RangeError where FindWindowList throws.
  WindowListInfo LocateWindowList();

  // Takes the image as it is now as the file as opened (after a load), and
  // finds the structures that name changed bytes.
  void StartHistory();

  // Fixes the checksum and writes the image to `path` (see
  // SaveFirmwareFile); FileError when it cannot be written. Returns what the
  // replaced file could not keep, as SaveFirmwareFile does.
  std::string Save(const std::string& path);

  const FirmwareImage& image() const { return image_; }
  // The image as StartHistory found it (empty before).
  const FirmwareImage& opened() const { return opened_; }
  // Names the structures of the file as opened; none before StartHistory.
  const ChangeLabeller* labeller() const {
    return labeller_ ? &*labeller_ : nullptr;
  }
  // The model this document's subtitle analyses trace on, and the one its
  // owner's own reads of the image may trace on: scratch state, reset by
  // every trace, never shared with another document.
  TraceModel& trace_model() const { return *trace_model_; }

  std::optional<int64_t> WindowListPos() const { return window_list_pos_; }
  bool WindowListKnown() const { return window_list_pos_.has_value(); }
  uint8_t MaxWindowIndex() const { return max_window_index_; }
  // Groups of the OsdPosList; 0: none found.
  uint8_t OsdPosCount() const { return osd_pos_count_; }
  // Offset of the OsdPosList; none when none was found.
  std::optional<int64_t> OsdPosListPos() const { return osd_pos_list_pos_; }

  // The image offset of window `index`'s record, as the editor looks it up
  // (WindowLookup::kEditor).
  // RangeError without a window list or when it cannot be resolved.
  int64_t WindowRecord(int index) const;
  // The edited fields of window `index`, read field by field
  // (RecordBounds::kFieldByField). RangeError as WindowRecord, or when a
  // field lies outside the image.
  PaletteValues WindowValues(int index) const;

  // The edit operations. Each returns the runs of bytes it changed, in the
  // order it wrote them, the checksum word last; an operation that fails
  // throws, and what it stored before the error is then kept for
  // TakeInterruptedEdits.

  // Stores `values` in window `index`'s record field by field
  // (RecordBounds::kFieldByField) and fixes the checksum. RangeError without
  // a window list, for a record outside the image or a value outside its
  // field; the fields stored before the refused one stay stored.
  EditList WriteWindow(int index, const PaletteValues& values);
  // Writes the subtitle parameters into the routine's loads (see
  // UpdateSubtitleParams), then fixes the checksum. `*updated` tells whether
  // the routine was found and written.
  EditList WriteSubtitleParams(const Mpeg4SubtitleParams& params,
                               AnalysisLog* log, bool* updated);
  // Writes the old bytes of `change` back and fixes the checksum.
  EditList RevertChange(const ByteEdit& change);
  // Fixes the image checksum.
  EditList FixChecksum();
  // Applies an IPS or BPS patch (told apart by their first bytes) as it is:
  // no checksum fix, since the patch carries the bytes its author meant.
  // The changes come back joined (see DiffImagesJoined), not run by run.
  // PatchError, with nothing written, for bytes that are neither, for a BPS
  // patch made from another file than this image (the text names both
  // CRC32s), and for any patch that would change the image's length: an IPS
  // record past the end or a BPS target of another size, which an open
  // image cannot take.
  EditList ApplyPatch(std::span<const uint8_t> patch);
  // Writes `layout` into the image (see orlindel::ImportLayout): all of it or
  // refused with LayoutError when `only` names no part, else the parts named
  // as far as they fit. A dry run reports the same and changes nothing.
  LayoutImport ImportLayout(const Layout& layout, LayoutParts only,
                            bool dry_run);
  // Writes the old bytes of `edits` in reverse order (undo) or their new
  // bytes in order (redo). RangeError for an edit outside the image.
  void Replay(const EditList& edits, bool undo);

  // What the last failed operation stored before its error (once).
  EditList TakeInterruptedEdits();

 private:
  // Runs `write`, which changes the image only inside `ranges`, and returns
  // what changed there; on failure keeps that for TakeInterruptedEdits.
  template <typename Write>
  EditList Record(std::vector<ByteRange> ranges, Write&& write);

  FirmwareImage image_;
  FirmwareImage opened_;
  std::optional<ChangeLabeller> labeller_;
  std::optional<int64_t> window_list_pos_;
  uint8_t max_window_index_ = 4;
  uint8_t osd_pos_count_ = 0;
  std::optional<int64_t> osd_pos_list_pos_;
  EditList interrupted_;
  std::unique_ptr<TraceModel> trace_model_ = std::make_unique<TraceModel>();
};

}  // namespace orlindel
