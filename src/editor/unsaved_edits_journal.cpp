#include "editor/unsaved_edits_journal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>
#include <new>
#include <vector>

#include "core/errors.h"
#include "core/history/image_diff.h"
#include "core/io/bounded_read.h"
#include "core/io/safe_write.h"
#include "core/patch/crc32.h"
#include "editor/editor_document.h"
#include "editor/local_path.h"
#include "editor/user_dialogs.h"

namespace orlindel::editor {

namespace {

// How long the write waits for more edits (the moves of a drag).
constexpr int kJournalDelayMs = 200;
// The journal file of a firmware: its name, then the name the first format
// (JSON) was written under, still read and removed.
constexpr char kJournalSuffix[] = ".journal";
constexpr char kJsonJournalSuffix[] = ".json";

// The file's own path, links and "." or ".." resolved: every spelling of the
// same file finds the same journal.
QString FileIdentity(const QString& path) {
  const QFileInfo file(path);
  return file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
}

}  // namespace

UnsavedEditsJournal::UnsavedEditsJournal(EditorDocument& document,
                                         QObject* parent)
    : QObject(parent),
      document_(document),
      folder_(
          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
          "/journal") {
  timer_.setSingleShot(true);
  timer_.setInterval(kJournalDelayMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Write(); });
  connect(&document_, &EditorDocument::Changed, this,
          &UnsavedEditsJournal::DocumentChanged);
  connect(&document_, &EditorDocument::FileChanged, this,
          &UnsavedEditsJournal::FileChanged);
}

UnsavedEditsJournal::~UnsavedEditsJournal() { Flush(); }

QString UnsavedEditsJournal::FileFor(const QString& path) const {
  return JournalFile(path, kJournalSuffix);
}

QString UnsavedEditsJournal::JournalFile(const QString& path,
                                         const char* suffix) const {
  const QByteArray key = QFile::encodeName(FileIdentity(path));
  const QByteArray hash =
      QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
  return QDir(folder_).filePath(QString::fromLatin1(hash) + suffix);
}

void UnsavedEditsJournal::Flush() {
  if (timer_.isActive()) Write();
}

void UnsavedEditsJournal::Forget() {
  timer_.stop();
  if (!document_.FilePath().isEmpty()) Remove(document_.FilePath());
}

void UnsavedEditsJournal::Remove(const QString& firmware_path) {
  QFile::remove(FileFor(firmware_path));
  QFile::remove(JournalFile(firmware_path, kJsonJournalSuffix));
  owned_ = false;
}

void UnsavedEditsJournal::DocumentChanged() {
  if (document_.FilePath().isEmpty()) return;
  if (!document_.IsClean()) {
    owned_ = true;
    if (!timer_.isActive()) timer_.start();
  } else if (owned_) {
    // Saved, or undone back to the file: nothing is left to keep. A journal
    // this session did not write (one still to be offered) stays.
    timer_.stop();
    Remove(document_.FilePath());
  }
}

void UnsavedEditsJournal::FileChanged(const QString& previous) {
  // The edits of the file before are saved into the new one, or were
  // dropped when another file was opened.
  if (!owned_) return;
  timer_.stop();
  Remove(previous);
}

std::vector<JournalEntryToWrite> UnsavedEditsJournal::UnsavedEntries(
    EditList& difference) const {
  std::vector<JournalEntryToWrite> entries;
  const QUndoStack& history = document_.History();
  const int clean = history.cleanIndex();
  const int now = history.index();
  const auto edits = [&history](int index) {
    return &static_cast<const ImageEditCommand*>(history.command(index))
                ->edits();
  };
  if (clean < 0) {
    // The state the file was saved in is no longer in the history: the
    // difference to the file stands for everything.
    difference =
        DiffImagesJoined(document_.FileContent(), document_.Document().image());
    entries.push_back({"Unsaved changes", &difference, false});
  } else if (clean <= now) {
    for (int i = clean; i < now; ++i)
      entries.push_back({history.text(i).toStdString(), edits(i), false});
  } else {
    // Undone past the save: the undone entries, turned around.
    for (int i = clean - 1; i >= now; --i)
      entries.push_back(
          {"Undo " + history.text(i).toStdString(), edits(i), true});
  }
  return entries;
}

void UnsavedEditsJournal::Write() {
  timer_.stop();
  if (document_.FilePath().isEmpty() || document_.IsClean()) return;
  try {
    const FirmwareImage& file = document_.FileContent();
    const JournalHeader header{LocalPath(FileIdentity(document_.FilePath())),
                               std::ssize(file), Crc32(file)};
    // The entries are written from the history itself, not from a copy.
    EditList difference;
    std::vector<JournalEntryToWrite> entries = UnsavedEntries(difference);
    if (EncodedJournalSize(header, entries) > kMaxJournalSize) {
      // A history longer than a reader takes: the difference to the file,
      // which never is, stands for it.
      difference = DiffImagesJoined(file, document_.Document().image());
      entries = {{"Unsaved changes", &difference, false}};
      if (EncodedJournalSize(header, entries) > kMaxJournalSize)
        throw FileError(FileError::Kind::kCreate,
                        LocalPath(FileFor(document_.FilePath())),
                        "The journal would be larger than a reader takes");
    }
    const std::vector<uint8_t> bytes = EncodeJournal(header, entries);
    // The journals hold the firmware's paths and bytes: for this user only.
    if (!QDir().mkpath(folder_) ||
        !QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner |
                                            QFile::ExeOwner))
      throw FileError(FileError::Kind::kCreate, LocalPath(folder_),
                      "The folder cannot be made");
    io::WritePrivateFile(LocalPath(FileFor(document_.FilePath())), bytes);
    failed_ = false;
  } catch (const OrlindelError& error) {
    // Editing goes on without the journal; said once, not at every edit.
    if (!failed_)
      qWarning("orlindel: the journal of unsaved edits cannot be written: %s",
               error.what());
    failed_ = true;
  } catch (const std::bad_alloc&) {
    if (!failed_)
      qWarning(
          "orlindel: not enough memory to write the journal of unsaved "
          "edits");
    failed_ = true;
  }
}

std::optional<std::vector<JournalEntry>> UnsavedEditsJournal::Restorable()
    const {
  if (document_.FilePath().isEmpty()) return std::nullopt;
  QString file = FileFor(document_.FilePath());
  if (!QFileInfo::exists(file)) {
    // One written in the first format, by an earlier version.
    file = JournalFile(document_.FilePath(), kJsonJournalSuffix);
    if (!QFileInfo::exists(file)) return std::nullopt;
  }
  std::optional<EditJournal> journal;
  try {
    // A journal of other content (the file changed since) is not offered;
    // the next edit replaces it.
    journal = DecodeJournal(io::ReadWholeFile(LocalPath(file), kMaxJournalSize),
                            document_.FileContent());
  } catch (const OrlindelError&) {
    return std::nullopt;  // an unreadable journal is not offered
  }
  if (!journal ||
      journal->firmware_path != LocalPath(FileIdentity(document_.FilePath())))
    return std::nullopt;
  return std::move(journal->entries);
}

void OfferRestore(EditorDocument& document, UnsavedEditsJournal& journal,
                  UserDialogs& dialogs) {
  std::optional<std::vector<JournalEntry>> entries = journal.Restorable();
  if (!entries) return;
  if (dialogs.AskRestoreEdits())
    document.Restore(std::move(*entries));
  else
    journal.Forget();
}

}  // namespace orlindel::editor
