// One editor action in the undo stack: the image bytes it changed, before and
// after, the checksum word included.
#pragma once

#include <QString>
#include <QUndoCommand>
#include <cstdint>

#include "core/history/byte_edit.h"

namespace orlindel::editor {

// Where undo entries write their bytes.
class ImageEditTarget {
 public:
  virtual ~ImageEditTarget() = default;
  // Writes the old bytes of `edits` (undo) or their new bytes (redo) into the
  // image and shows the result. Reports its own errors; never throws.
  virtual void ReplayEdits(const EditList& edits, bool undo) noexcept = 0;
};

// An action is done before it is pushed, so the push's redo() writes
// nothing. Actions with the same non-zero `drag` key (the writes of one drag)
// merge into one entry.
class ImageEditCommand : public QUndoCommand {
 public:
  ImageEditCommand(ImageEditTarget& target, const QString& text, EditList edits,
                   int64_t drag);

  void undo() override;
  void redo() override;
  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;

  const EditList& edits() const { return edits_; }

 private:
  ImageEditTarget& target_;
  EditList edits_;
  int64_t drag_ = 0;
  bool done_ = true;  // the image holds the new bytes
};

}  // namespace orlindel::editor
