#include "core/firmware_document.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/checks.h"
#include "core/errors.h"
#include "core/history/image_diff.h"
#include "core/image_scan.h"
#include "core/osd_pos_list.h"
#include "core/patch/bps.h"
#include "core/patch/ips.h"
#include "core/text.h"

namespace orlindel {

FirmwareDocument::FirmwareDocument(FirmwareImage image)
    : image_(std::move(image)) {}

void FirmwareDocument::Open(const std::string& path) {
  // Load and locate into locals first: a file that turns out not to be a
  // firmware leaves the open image, with its unsaved edits, untouched.
  FirmwareImage image = LoadFirmwareFile(path);
  // Both searches read the image in one shared pass.
  const ImageScan scan(image, ScannedSearches::kTables);
  const WindowListInfo list = FindWindowList(image, scan);
  const auto max_window_index = NarrowTo<uint8_t>(list.count - 1);
  CheckFits(image, list.offset, 1);
  WindowBankOf(list);  // RangeError above bank 255, before anything changes
  const OsdPosListInfo osd_list = FindOsdPosList(image, max_window_index, scan);
  // The copy kept as opened and the labels are made before anything
  // changes too: a lack of memory for them leaves the document whole.
  FirmwareImage opened = image;
  ChangeLabeller labeller(*trace_model_, image);

  image_ = std::move(image);
  max_window_index_ = max_window_index;
  window_list_pos_ = list.offset;
  osd_pos_count_ = osd_list.count;
  osd_pos_list_pos_ = osd_list.count > 0
                          ? std::optional<int64_t>(osd_list.offset)
                          : std::nullopt;
  opened_ = std::move(opened);
  labeller_.emplace(std::move(labeller));
  interrupted_.clear();
}

WindowListInfo FirmwareDocument::LocateWindowList() {
  const WindowListInfo list = FindWindowList(image_);
  if (list.count > 0) {
    WindowBankOf(list);  // RangeError above bank 255, before anything changes
    window_list_pos_ = list.offset;
    max_window_index_ = static_cast<uint8_t>(list.count - 1);
  }
  return list;
}

void FirmwareDocument::StartHistory() {
  FirmwareImage opened = image_;
  ChangeLabeller labeller(*trace_model_, image_);
  opened_ = std::move(opened);
  labeller_.emplace(std::move(labeller));
  interrupted_.clear();
}

std::string FirmwareDocument::Save(const std::string& path) {
  return SaveFirmwareFile(path, image_);
}

int64_t FirmwareDocument::WindowRecord(int index) const {
  if (!window_list_pos_) throw RangeError();
  return WindowRecordOffset(image_, {*window_list_pos_, max_window_index_ + 1},
                            index, WindowLookup::kEditor);
}

PaletteValues FirmwareDocument::WindowValues(int index) const {
  return ReadWindowValues(image_, WindowRecord(index),
                          RecordBounds::kFieldByField);
}

template <typename Write>
EditList FirmwareDocument::Record(std::vector<ByteRange> ranges,
                                  Write&& write) {
  interrupted_.clear();
  const RangeSnapshot before(image_, std::move(ranges));
  try {
    write();
  } catch (...) {
    interrupted_ = before.Changes(image_);
    throw;
  }
  return before.Changes(image_);
}

EditList FirmwareDocument::WriteWindow(int index, const PaletteValues& values) {
  interrupted_.clear();  // a record that cannot be resolved stores nothing
  const int64_t record = WindowRecord(index);
  const int64_t record_length =
      std::min<int64_t>(kWindowRecordSize, std::ssize(image_) - record);
  return Record({{record, record_length}, ChecksumRange(image_)}, [&] {
    WriteWindowValues(image_, record, values, RecordBounds::kFieldByField);
    FixImageChecksum(image_);
  });
}

EditList FirmwareDocument::WriteSubtitleParams(
    const Mpeg4SubtitleParams& params, AnalysisLog* log, bool* updated) {
  // The update's writes lie somewhere in the routine: the whole image is
  // compared. The checksum is fixed before the caller can fail, so the image
  // never keeps new parameters under an old checksum.
  return Record({{0, std::ssize(image_)}}, [&] {
    *updated = UpdateSubtitleParams(*trace_model_, image_, params, log);
    FixImageChecksum(image_);
  });
}

EditList FirmwareDocument::RevertChange(const ByteEdit& change) {
  interrupted_.clear();
  return RevertRange(image_, change);
}

EditList FirmwareDocument::FixChecksum() {
  return Record({ChecksumRange(image_)}, [&] { FixImageChecksum(image_); });
}

EditList FirmwareDocument::ApplyPatch(std::span<const uint8_t> patch) {
  interrupted_.clear();
  if (PatchFormatOf(patch) == PatchFormat::kBps) {
    CheckBpsSourceFits(ReadBpsHeader(patch), image_);
    return ApplyBpsPatchInPlace(image_, patch);
  }
  // An IPS record past the end is refused, so an IPS patch never grows the
  // open image. A patch may change millions of scattered bytes: they are
  // held as a few joined ranges, not one edit per run.
  const FirmwareImage patched = ApplyIps(image_, patch);
  EditList edits = DiffImagesJoined(image_, patched);
  ApplyEdits(image_, edits);
  return edits;
}

LayoutImport FirmwareDocument::ImportLayout(const Layout& layout,
                                            LayoutParts only, bool dry_run) {
  interrupted_.clear();
  // The import undoes its own writes when it fails, so nothing is kept for
  // TakeInterruptedEdits.
  return orlindel::ImportLayout(*trace_model_, image_, layout, only, dry_run);
}

void FirmwareDocument::Replay(const EditList& edits, bool undo) {
  if (undo)
    UndoEdits(image_, edits);
  else
    ApplyEdits(image_, edits);
}

EditList FirmwareDocument::TakeInterruptedEdits() {
  return std::exchange(interrupted_, {});
}

}  // namespace orlindel
