#include "editor/editor_document.h"

#include <QFileInfo>

#include "core/text.h"
#include "editor/local_path.h"

namespace orlindel::editor {

EditorDocument::EditorDocument(QObject* parent) : QObject(parent) {}

void EditorDocument::Open(const QString& path) {
  const QString absolute =
      path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
  // Nothing after the open allocates: the opened file's content is the one
  // the document keeps.
  document_.Open(LocalPath(path));
  drag_ = 0;
  history_.clear();
  opened_path_ = path;
  SetFile(absolute, std::nullopt);
  emit Changed();
}

void EditorDocument::SetFile(const QString& path,
                             std::optional<FirmwareImage> saved) {
  const QString previous = std::exchange(file_path_, path);
  saved_content_ = std::move(saved);
  emit FileChanged(previous);
}

void EditorDocument::Restore(std::vector<JournalEntry> entries) {
  for (JournalEntry& entry : entries) {
    document_.Replay(entry.edits, false);
    Push(QString::fromStdString(entry.text), std::move(entry.edits));
  }
}

std::string EditorDocument::SaveAs(const QString& path) {
  // The saved file carries a right checksum; the fix is part of the history
  // like any other change of the image.
  drag_ = 0;
  Perform("Fix checksum",
          [](FirmwareDocument& document) { return document.FixChecksum(); });
  // The copy of what is saved is made first: without memory for it, nothing
  // is saved.
  FirmwareImage saved = document_.image();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  const std::string notice = document_.Save(LocalPath(path));
  history_.setClean();
  SetFile(absolute, std::move(saved));
  emit Changed();
  return notice;
}

void EditorDocument::Push(const QString& text, EditList edits) {
  if (edits.empty()) return;
  history_.push(new ImageEditCommand(*this, text, std::move(edits), drag_));
  emit Changed();
}

template <typename Move>
void EditorDocument::MoveHistory(Move&& move) {
  const int before = history_.index();
  replay_error_ = nullptr;
  std::forward<Move>(move)();
  if (history_.index() != before) emit Changed();
  if (replay_error_) std::rethrow_exception(std::exchange(replay_error_, {}));
}

void EditorDocument::Undo() {
  MoveHistory([this] { history_.undo(); });
}

void EditorDocument::Redo() {
  MoveHistory([this] { history_.redo(); });
}

void EditorDocument::RevertChange(const ByteEdit& change) {
  Push(QString::fromStdString(Format(
           "Revert 0x%.6llX", static_cast<unsigned long long>(change.offset))),
       document_.RevertChange(change));
}

void EditorDocument::ReplayEdits(const EditList& edits, bool undo) noexcept {
  // Undo and redo run inside the history, which must not be unwound: the
  // error waits there for MoveHistory.
  try {
    document_.Replay(edits, undo);
  } catch (...) {
    replay_error_ = std::current_exception();
  }
}

}  // namespace orlindel::editor
