// The editor's side of the firmware document: the document itself, its edit
// history (one undo entry per action, with the bytes before and after it),
// the clean point that tells unsaved work, and the file's name. Every change
// of the image passes through Perform or Push, so the history, the Changes
// window and the modified mark always agree with the bytes. Unsaved edits
// are kept in a crash journal (see core/history/edit_journal.h) and offered
// back when the same file is opened again.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUndoStack>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/firmware_document.h"
#include "core/history/edit_journal.h"
#include "editor/changes_window.h"
#include "editor/image_edit_command.h"
#include "editor/user_dialogs.h"

namespace orlindel::editor {

class EditorDocument : public QObject,
                       public ImageEditTarget,
                       public ChangesHost {
  Q_OBJECT

 public:
  // `dialogs` outlives the document; errors of undo, redo, revert and the
  // patch export are shown there.
  explicit EditorDocument(UserDialogs& dialogs, QObject* parent = nullptr);
  // A journal write still pending is done first.
  ~EditorDocument() override;

  const FirmwareDocument& Document() const { return document_; }
  const QUndoStack& History() const { return history_; }
  QUndoStack& History() { return history_; }

  // Opens the firmware at `path` (see FirmwareDocument::Open) and forgets the
  // history. On an error the document and its history stay as they were.
  // When the journal holds unsaved edits of exactly this file's content, the
  // user is asked to restore them: yes replays them as history entries (the
  // firmware shows as modified), no deletes the journal.
  void Open(const QString& path);
  // The name of the firmware file the user chose; the patch export suggests
  // a name beside it.
  void SetFilePath(const QString& path) { file_path_ = path; }
  const QString& FilePath() const { return file_path_; }

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

  // Fixes the checksum (an undoable edit), writes the image to `path` and
  // marks the history clean. FileError when the file cannot be written; the
  // checksum fix stays in the history then.
  void SaveAs(const QString& path);
  bool IsClean() const { return history_.isClean(); }

  // The folder of the journals, one file per firmware path; by default
  // "journal" in the user's application data folder.
  void SetJournalFolder(const QString& folder) { journal_folder_ = folder; }
  // The journal file of the firmware at `path`.
  QString JournalFileFor(const QString& path) const;
  // Writes the journal now when a write is pending (they wait a moment, so
  // that the many edits of a drag are written once).
  void FlushJournal();
  bool JournalPending() const { return journal_timer_.isActive(); }
  // The user dropped the unsaved edits: their journal goes.
  void DiscardJournal();

  // Edits pushed between BeginDrag and EndDrag merge into one entry.
  void BeginDrag() { drag_ = ++drags_begun_; }
  void EndDrag() { drag_ = 0; }
  // A fresh key for a series of edits that merge (a run of nudges), and a
  // way to make the following pushes part of such a series; returns the key
  // that was in force.
  int64_t NewDragKey() { return ++drags_begun_; }
  int64_t SwapDragKey(int64_t key) { return std::exchange(drag_, key); }

  // ImageEditTarget.
  void ReplayEdits(const EditList& edits, bool undo) noexcept override;

  // ChangesHost.
  void UndoImageEdit() override { history_.undo(); }
  void RedoImageEdit() override { history_.redo(); }
  void RevertChange(const ByteEdit& change) override;
  void ExportPatch() override;

 signals:
  // The image changed by undo, redo or a revert, not by a page's own action:
  // every view reads it again.
  void ImageChanged();

 private:
  // Pushes `edits`, already written, as one entry (nothing when empty).
  void Push(const QString& text, EditList edits);

  // The history changed: a clean history needs no journal, else its write
  // is scheduled.
  void HistoryChanged();
  // The entries that lead from the file on the disk to the image now.
  std::vector<JournalEntry> UnsavedEntries() const;
  void WriteJournal();
  // Takes the file just opened or saved at `path` as the one the journal
  // refers to.
  void SetJournalBase(const QString& path);
  // Asks to restore the journal of the file just opened, if it fits.
  void OfferRestore();

  UserDialogs& dialogs_;
  FirmwareDocument document_;
  QUndoStack history_;
  QString file_path_;
  int64_t drag_ = 0;         // the drag that writes now; 0: none
  int64_t drags_begun_ = 0;  // drags so far, for their keys

  QString journal_folder_;
  QString journal_path_;  // the firmware the journal is about; empty: none
  FirmwareImage saved_;   // that file's content
  uint32_t saved_crc32_ = 0;
  QTimer journal_timer_;
  bool journal_paused_ = false;  // the history is being replaced
  bool journal_failed_ = false;  // a failed write was reported once
};

}  // namespace orlindel::editor
