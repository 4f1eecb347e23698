#include "editor/unsaved_edits_journal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>
#include <new>
#include <string_view>

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
// A journal is a few bytes per edit; anything larger is not one.
constexpr int64_t kMaxJournalSize = int64_t{64} << 20;

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
  const QByteArray key = QFile::encodeName(FileIdentity(path));
  const QByteArray hash =
      QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
  return QDir(folder_).filePath(QString::fromLatin1(hash) + ".json");
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

std::vector<JournalEntry> UnsavedEditsJournal::UnsavedEntries() const {
  std::vector<JournalEntry> entries;
  const QUndoStack& history = document_.History();
  const int clean = history.cleanIndex();
  const int now = history.index();
  const auto entry = [&history](int index) {
    return static_cast<const ImageEditCommand*>(history.command(index));
  };
  if (clean < 0) {
    // The state the file was saved in is no longer in the history: the
    // difference to the file stands for everything.
    entries.push_back(
        {"Unsaved changes",
         DiffImagesJoined(document_.FileContent(), document_.Document().image())});
  } else if (clean <= now) {
    for (int i = clean; i < now; ++i)
      entries.push_back({entry(i)->text().toStdString(), entry(i)->edits()});
  } else {
    // Undone past the save: the undone entries, turned around.
    for (int i = clean - 1; i >= now; --i)
      entries.push_back({"Undo " + entry(i)->text().toStdString(),
                         InvertEdits(entry(i)->edits())});
  }
  return entries;
}

void UnsavedEditsJournal::Write() {
  timer_.stop();
  if (document_.FilePath().isEmpty() || document_.IsClean()) return;
  try {
    const FirmwareImage& file = document_.FileContent();
    const EditJournal journal{LocalPath(FileIdentity(document_.FilePath())),
                              std::ssize(file), Crc32(file), UnsavedEntries()};
    const std::string text = EncodeJournal(journal);
    // The journals hold the firmware's paths and bytes: for this user only.
    if (!QDir().mkpath(folder_) ||
        !QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner |
                                            QFile::ExeOwner))
      throw FileError(FileError::Kind::kCreate, LocalPath(folder_),
                      "The folder cannot be made");
    io::WritePrivateFile(
        LocalPath(FileFor(document_.FilePath())),
        std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
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
  const QString file = FileFor(document_.FilePath());
  if (!QFileInfo::exists(file)) return std::nullopt;
  std::optional<EditJournal> journal;
  try {
    const std::vector<uint8_t> bytes =
        io::ReadWholeFile(LocalPath(file), kMaxJournalSize);
    journal = DecodeJournal(std::string_view(
        reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const OrlindelError&) {
    return std::nullopt;  // an unreadable journal is not offered
  }
  // A journal of other content (the file changed since) is not offered; the
  // next edit replaces it.
  if (!journal ||
      journal->firmware_path != LocalPath(FileIdentity(document_.FilePath())) ||
      !JournalFits(*journal, document_.FileContent()))
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
