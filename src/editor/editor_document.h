// The editor's side of the firmware document, and nothing else: the document
// itself, its edit history (one undo entry per action, with the bytes before
// and after it), the clean point that tells unsaved work, and the files it
// came from and was saved to. Every change of the image passes through
// Perform, Push, undo, redo, RevertChange or Restore, and each ends with one
// Changed signal: the views, the Changes window, the modified mark and the
// journal of unsaved edits (see unsaved_edits_journal.h) all read the
// document again from that one signal. The document shows no dialog; its
// errors pass on to the caller.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "core/firmware_document.h"
#include "core/history/edit_journal.h"
#include "editor/image_edit_command.h"

namespace orlindel::editor {

class EditorDocument : public QObject, public ImageEditTarget {
  Q_OBJECT

 public:
  explicit EditorDocument(QObject* parent = nullptr);

  const FirmwareDocument& Document() const { return document_; }
  const QUndoStack& History() const { return history_; }
  QUndoStack& History() { return history_; }

  // Opens the firmware at `path` (see FirmwareDocument::Open) and forgets the
  // history. On an error, a lack of memory included, the document, its
  // history and its file stay as they were.
  void Open(const QString& path);
  // The path the open firmware was opened from, as given; empty: none.
  const QString& OpenedPath() const { return opened_path_; }
  // The absolute path of the file whose content the clean point holds: the
  // file opened, or the one saved last. Unsaved edits are edits of it.
  const QString& FilePath() const { return file_path_; }
  // That file's content.
  const FirmwareImage& FileContent() const {
    return saved_content_ ? *saved_content_ : document_.opened();
  }

  // Runs `operation` on the document and pushes the EditList it returns as
  // one undo entry named `text` (nothing when it changed no byte). When the
  // operation fails, what it stored before its error is pushed too; then the
  // error passes on.
  template <typename Operation>
  void Perform(const QString& text, Operation&& operation) {
    EditList edits;
    try {
      edits = std::forward<Operation>(operation)(document_);
    } catch (...) {
      Push(text, document_.TakeInterruptedEdits());
      throw;
    }
    Push(text, std::move(edits));
  }

  // Replays the entries of a journal of unsaved edits of the file just
  // opened, each as one history entry (the firmware shows as modified).
  void Restore(std::vector<JournalEntry> entries);

  // Fixes the checksum (an undoable edit), writes the image to `path` and
  // marks the history clean; `path` is then the document's file. FileError
  // when the file cannot be written; the checksum fix stays in the history
  // then, and the file stays the one before. Returns what the saved file
  // could not keep of the one it replaced (empty: everything was kept).
  std::string SaveAs(const QString& path);
  bool IsClean() const { return history_.isClean(); }

  // Edits pushed between BeginDrag and EndDrag merge into one entry.
  void BeginDrag() { drag_ = ++drags_begun_; }
  void EndDrag() { drag_ = 0; }
  // A fresh key for a series of edits that merge (a run of nudges), and a
  // way to make the following pushes part of such a series; returns the key
  // that was in force.
  int64_t NewDragKey() { return ++drags_begun_; }
  int64_t SwapDragKey(int64_t key) { return std::exchange(drag_, key); }

  // Undo, redo and the revert of one changed range as opened. An error of
  // the replay passes on once the history has moved.
  void Undo();
  void Redo();
  void RevertChange(const ByteEdit& change);

  // ImageEditTarget: a failure is kept for Undo or Redo to throw.
  void ReplayEdits(const EditList& edits, bool undo) noexcept override;

 signals:
  // The image, the history or the file changed: every view reads them again.
  void Changed();
  // Another file is the document's file now (opened or saved as); `previous`
  // is the one before (empty: none).
  void FileChanged(const QString& previous);

 private:
  // Pushes `edits`, already written, as one entry (nothing when empty).
  void Push(const QString& text, EditList edits);
  // Runs a move of the history, then throws what its replay failed with.
  template <typename Move>
  void MoveHistory(Move&& move);
  // Takes the file just opened or saved at `path` (an absolute path) as the
  // document's file, holding `saved` (none: the file as opened).
  void SetFile(const QString& path, std::optional<FirmwareImage> saved);

  FirmwareDocument document_;
  QUndoStack history_;
  QString opened_path_;
  QString file_path_;
  // The content of the file saved last; none while the document's file is
  // the one opened, whose content the document keeps already.
  std::optional<FirmwareImage> saved_content_;
  int64_t drag_ = 0;         // the drag that writes now; 0: none
  int64_t drags_begun_ = 0;  // drags so far, for their keys
  std::exception_ptr replay_error_;
};

}  // namespace orlindel::editor
