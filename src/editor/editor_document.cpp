#include "editor/editor_document.h"

#include <QCryptographicHash>
#include <QDir>
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
#include "core/text.h"
#include "editor/flag_scope.h"
#include "editor/guarded_slot.h"
#include "editor/local_path.h"
#include "editor/patch_files.h"

namespace orlindel::editor {

namespace {

// The firmware's path with ".ips" in place of its extension.
QString SuggestedPatchName(const QString& firmware_path) {
  if (firmware_path.isEmpty()) return {};
  const QFileInfo file(firmware_path);
  return file.dir().filePath(file.completeBaseName() + ".ips");
}

// How long the journal write waits for more edits (the moves of a drag).
constexpr int kJournalDelayMs = 200;
// A journal is a few bytes per edit; anything larger is not one.
constexpr int64_t kMaxJournalSize = int64_t{64} << 20;

}  // namespace

EditorDocument::EditorDocument(UserDialogs& dialogs, QObject* parent)
    : QObject(parent),
      dialogs_(dialogs),
      journal_folder_(
          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
          "/journal") {
  journal_timer_.setSingleShot(true);
  journal_timer_.setInterval(kJournalDelayMs);
  connect(&journal_timer_, &QTimer::timeout, this, [this] { WriteJournal(); });
  const auto changed = [this] {
    RunGuarded(dialogs_, [this] { HistoryChanged(); });
  };
  connect(&history_, &QUndoStack::indexChanged, this, changed);
  connect(&history_, &QUndoStack::cleanChanged, this, changed);
}

EditorDocument::~EditorDocument() {
  FlushJournal();
  // The history empties itself as it goes, telling whoever listens; by then
  // the timer, and the window that owns this document, are gone.
  history_.blockSignals(true);
}

void EditorDocument::Open(const QString& path) {
  // The firmware open so far keeps its unsaved edits in its journal.
  FlushJournal();
  document_.Open(LocalPath(path));
  drag_ = 0;
  const FlagScope pause(journal_paused_);
  history_.clear();
  SetJournalBase(path);
  OfferRestore();
}

QString EditorDocument::JournalFileFor(const QString& path) const {
  const QByteArray key = QFile::encodeName(QFileInfo(path).absoluteFilePath());
  const QByteArray hash =
      QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex();
  return QDir(journal_folder_).filePath(QString::fromLatin1(hash) + ".json");
}

void EditorDocument::FlushJournal() {
  if (journal_timer_.isActive()) WriteJournal();
}

void EditorDocument::DiscardJournal() {
  journal_timer_.stop();
  if (!journal_path_.isEmpty()) QFile::remove(JournalFileFor(journal_path_));
}

void EditorDocument::HistoryChanged() {
  if (journal_paused_ || journal_path_.isEmpty()) return;
  if (history_.isClean()) {
    DiscardJournal();
    return;
  }
  if (!journal_timer_.isActive()) journal_timer_.start();
}

std::vector<JournalEntry> EditorDocument::UnsavedEntries() const {
  std::vector<JournalEntry> entries;
  const int clean = history_.cleanIndex();
  const int now = history_.index();
  const auto entry = [this](int index) {
    return static_cast<const ImageEditCommand*>(history_.command(index));
  };
  if (clean < 0) {
    // The state the file was saved in is no longer in the history: the
    // difference to the file stands for everything.
    entries.push_back(
        {"Unsaved changes", DiffImages(saved_, document_.image())});
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

void EditorDocument::WriteJournal() {
  journal_timer_.stop();
  if (journal_path_.isEmpty() || history_.isClean()) return;
  try {
    const EditJournal journal{LocalPath(journal_path_), std::ssize(saved_),
                              saved_crc32_, UnsavedEntries()};
    const std::string text = EncodeJournal(journal);
    // The journals hold the firmware's paths and bytes: for this user only.
    if (!QDir().mkpath(journal_folder_) ||
        !QFile::setPermissions(journal_folder_, QFile::ReadOwner |
                                                    QFile::WriteOwner |
                                                    QFile::ExeOwner))
      throw FileError(FileError::Kind::kCreate, LocalPath(journal_folder_),
                      "The folder cannot be made");
    io::WritePrivateFile(
        LocalPath(JournalFileFor(journal_path_)),
        std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    journal_failed_ = false;
  } catch (const OrlindelError& error) {
    // Editing goes on without the journal; said once, not at every edit.
    if (!journal_failed_)
      qWarning("orlindel: the journal of unsaved edits cannot be written: %s",
               error.what());
    journal_failed_ = true;
  } catch (const std::bad_alloc&) {
    if (!journal_failed_)
      qWarning(
          "orlindel: not enough memory to write the journal of unsaved "
          "edits");
    journal_failed_ = true;
  }
}

void EditorDocument::SetJournalBase(const QString& path) {
  // The file's own path, links and "." or ".." resolved: every spelling of
  // the same file finds the same journal.
  const QFileInfo file(path);
  journal_path_ =
      file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
  saved_ = document_.image();
  saved_crc32_ = Crc32(saved_);
}

void EditorDocument::OfferRestore() {
  const QString file = JournalFileFor(journal_path_);
  if (!QFileInfo::exists(file)) return;
  std::optional<EditJournal> journal;
  try {
    const std::vector<uint8_t> bytes =
        io::ReadWholeFile(LocalPath(file), kMaxJournalSize);
    journal = DecodeJournal(std::string_view(
        reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const OrlindelError&) {
    return;  // an unreadable journal is not offered
  }
  // A journal of other content (the file changed since) is not offered; the
  // next edit replaces it.
  if (!journal || journal->firmware_path != LocalPath(journal_path_) ||
      !JournalFits(*journal, saved_))
    return;
  if (!dialogs_.AskRestoreEdits()) {
    DiscardJournal();
    return;
  }
  for (JournalEntry& entry : journal->entries) {
    document_.Replay(entry.edits, false);
    Push(QString::fromStdString(entry.text), std::move(entry.edits));
  }
}

void EditorDocument::SaveAs(const QString& path) {
  // The saved file carries a right checksum; the fix is part of the history
  // like any other change of the image.
  drag_ = 0;
  Perform("Fix checksum",
          [](FirmwareDocument& document) { return document.FixChecksum(); });
  dialogs_.ShowSaveNotice(document_.Save(LocalPath(path)));
  // The edits are in the file now: the journal goes, and the saved file is
  // what a later journal refers to.
  DiscardJournal();
  SetJournalBase(path);
  history_.setClean();
  HistoryChanged();
}

void EditorDocument::Push(const QString& text, EditList edits) {
  if (edits.empty()) return;
  history_.push(new ImageEditCommand(*this, text, std::move(edits), drag_));
}

void EditorDocument::ReplayEdits(const EditList& edits, bool undo) noexcept {
  RunGuarded(dialogs_, [&] {
    document_.Replay(edits, undo);
    emit ImageChanged();
  });
}

void EditorDocument::RevertChange(const ByteEdit& change) {
  RunGuarded(dialogs_, [&] {
    Push(
        QString::fromStdString(Format(
            "Revert 0x%.6llX", static_cast<unsigned long long>(change.offset))),
        document_.RevertChange(change));
    emit ImageChanged();
  });
}

void EditorDocument::ExportPatch() {
  RunGuarded(dialogs_, [this] {
    if (document_.labeller() == nullptr) return;  // no firmware
    const std::optional<QString> chosen =
        dialogs_.SavePatch(SuggestedPatchName(file_path_));
    if (!chosen) return;
    // ".bps" chooses a BPS patch, which only applies to the file as opened.
    dialogs_.ShowSaveNotice(SaveWholeFile(
        LocalPath(*chosen),
        PatchFileFor(*chosen, document_.opened(), document_.image())));
  });
}

}  // namespace orlindel::editor
