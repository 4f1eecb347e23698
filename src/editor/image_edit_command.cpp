#include "editor/image_edit_command.h"

#include <utility>

namespace orlindel::editor {

namespace {

// The id shared by every entry that may merge; -1 never merges.
constexpr int kDragId = 1;

}  // namespace

ImageEditCommand::ImageEditCommand(ImageEditTarget& target, const QString& text,
                                   EditList edits, int64_t drag)
    : QUndoCommand(text),
      target_(target),
      edits_(std::move(edits)),
      drag_(drag) {}

void ImageEditCommand::undo() {
  target_.ReplayEdits(edits_, true);
  done_ = false;
}

void ImageEditCommand::redo() {
  if (done_) return;
  target_.ReplayEdits(edits_, false);
  done_ = true;
}

int ImageEditCommand::id() const { return drag_ != 0 ? kDragId : -1; }

bool ImageEditCommand::mergeWith(const QUndoCommand* other) {
  const auto* next = static_cast<const ImageEditCommand*>(other);
  if (next->drag_ != drag_) return false;
  // Undone in reverse order, the merged list restores the bytes from before
  // the drag's first write.
  edits_.insert(edits_.end(), next->edits_.begin(), next->edits_.end());
  return true;
}

}  // namespace orlindel::editor
