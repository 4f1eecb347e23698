// The journal of unsaved edits, kept beside the document it observes: it
// exists exactly while the document has unsaved edits, and names the file
// those edits are edits of (the file opened or saved last), so that a
// session that ends without a save can be taken up again. Written a moment
// after each change (the many edits of a drag once), removed as soon as the
// history is clean again or another file is taken up, and when the user
// drops the edits for good. A session that ends any other way (a crash, a
// kill, a desktop session that ends without letting it ask) leaves it for
// the next one. The reads and writes of journal files are all in this class.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <vector>

#include "core/history/edit_journal.h"

namespace orlindel::editor {

class EditorDocument;
class UserDialogs;

class UnsavedEditsJournal : public QObject {
  Q_OBJECT

 public:
  // `document` outlives the journal.
  explicit UnsavedEditsJournal(EditorDocument& document,
                               QObject* parent = nullptr);
  // A write still pending is done first.
  ~UnsavedEditsJournal() override;

  // The folder of the journals, one file per firmware path; by default
  // "journal" in the user's application data folder.
  void SetFolder(const QString& folder) { folder_ = folder; }
  // The journal file of the firmware at `path`.
  QString FileFor(const QString& path) const;

  // Writes the journal now when a write is pending.
  void Flush();
  bool Pending() const { return timer_.isActive(); }
  // The unsaved edits are dropped for good (the user discarded them and
  // quits): their journal goes.
  void Forget();

  // The entries of a journal of the document's file that fits the file's
  // content exactly; nullopt when there is none (or none readable).
  std::optional<std::vector<JournalEntry>> Restorable() const;

 private:
  void DocumentChanged();
  void FileChanged(const QString& previous);
  // The entries that lead from the document's file to the image now, as
  // views of the history's edits, or of `difference` where the difference to
  // the file stands for them.
  std::vector<JournalEntryToWrite> UnsavedEntries(EditList& difference) const;
  // The journal file of the firmware at `path` under the name ending in
  // `suffix`.
  QString JournalFile(const QString& path, const char* suffix) const;
  void Write();
  void Remove(const QString& firmware_path);

  EditorDocument& document_;
  QString folder_;
  QTimer timer_;
  // This session's unsaved edits have a journal (written or pending); one
  // left by another session is only removed when declined.
  bool owned_ = false;
  bool failed_ = false;  // a failed write was reported once
};

// Offers the journal of the file just opened in `document`: when one fits,
// the user is asked; yes replays its edits, no removes it.
void OfferRestore(EditorDocument& document, UnsavedEditsJournal& journal,
                  UserDialogs& dialogs);

}  // namespace orlindel::editor
