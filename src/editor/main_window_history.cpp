// The main window's edit history: every action that changes the image is one
// undo entry with the bytes before and after it, so undo and redo restore
// the image exactly, the Changes window lists what differs from the file as
// opened, and unsaved work is known exactly (the stack's clean point).
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>

#include "core/patch/ips.h"
#include "editor/guarded_slot.h"
#include "editor/local_path.h"
#include "editor/main_window.h"

namespace orlindel::editor {

namespace {

// The firmware's path with ".ips" in place of its extension.
QString SuggestedPatchName(const QString& firmware_path) {
  if (firmware_path.isEmpty()) return {};
  const QFileInfo file(firmware_path);
  return file.dir().filePath(file.completeBaseName() + ".ips");
}

}  // namespace

void TfrmMain::RecordImageEdit(const QString& text,
                               std::vector<ByteRange> ranges,
                               const std::function<void()>& write) {
  const RangeSnapshot before(state_.image, std::move(ranges));
  try {
    write();
  } catch (...) {
    PushImageEdit(text, before.Changes(state_.image));
    throw;
  }
  PushImageEdit(text, before.Changes(state_.image));
}

void TfrmMain::PushImageEdit(const QString& text, EditList edits) {
  if (edits.empty()) return;
  undo_stack_.push(new ImageEditCommand(*this, text, std::move(edits), drag_));
}

void TfrmMain::ReplayEdits(const EditList& edits, bool undo) noexcept {
  RunGuarded(dialogs_, [&] {
    if (undo)
      UndoEdits(state_.image, edits);
    else
      ApplyEdits(state_.image, edits);
    RefreshAfterEdit();
  });
}

void TfrmMain::RefreshAfterEdit() {
  tbIDChange();
  if (pcMain->currentWidget() == tsMpeg4Sub) RefreshSubtitlePage();
}

void TfrmMain::BeginDrag() { drag_ = ++drags_begun_; }

void TfrmMain::EndDrag() { drag_ = 0; }

void TfrmMain::UndoImageEdit() { undo_stack_.undo(); }

void TfrmMain::RedoImageEdit() { undo_stack_.redo(); }

void TfrmMain::RevertChange(const ByteEdit& change) {
  RunGuarded(dialogs_, [&] {
    PushImageEdit(
        QString::fromStdString(Format(
            "Revert 0x%.6llX", static_cast<unsigned long long>(change.offset))),
        RevertRange(state_.image, change));
    RefreshAfterEdit();
  });
}

void TfrmMain::ExportPatch() {
  RunGuarded(dialogs_, [this] {
    if (!state_.labeller) return;  // no firmware
    const std::optional<QString> chosen =
        dialogs_.SavePatch(SuggestedPatchName(ledFWFile->text()));
    if (!chosen) return;
    SaveWholeFile(LocalPath(*chosen), WriteIps(state_.opened, state_.image));
  });
}

void TfrmMain::StartHistory() {
  state_.opened = state_.image;
  state_.labeller.emplace(state_.image);
  drag_ = 0;
  undo_stack_.clear();
  UpdateChangesWindow();
}

void TfrmMain::UpdateChangesWindow() {
  if (frmChanges_ == nullptr || !frmChanges_->isVisible()) return;
  frmChanges_->ShowChanges(
      state_.labeller
          ? ListChanges(*state_.labeller, state_.opened, state_.image)
          : std::vector<LabelledChange>{});
}

void TfrmMain::btnChangesClick() {
  frmChanges_->show();
  frmChanges_->raise();
  frmChanges_->activateWindow();
  UpdateChangesWindow();
}

bool TfrmMain::SaveFirmwareAs() {
  const QString suggested = QString::fromStdString(
      SuggestedSaveName(ledFWFile->text().toStdString()));
  const std::optional<QString> chosen = dialogs_.SaveFirmware(suggested);
  if (!chosen) return false;
  // The saved file carries a right checksum; the fix is part of the history
  // like any other change of the image.
  drag_ = 0;
  RecordImageEdit("Fix checksum", {ChecksumRange(state_.image)},
                  [this] { FixImageChecksum(state_.image); });
  SaveFirmwareFile(LocalPath(*chosen), state_.image);
  undo_stack_.setClean();
  return true;
}

bool TfrmMain::UnsavedWorkSettled() {
  if (undo_stack_.isClean()) return true;
  switch (dialogs_.AskSaveChanges()) {
    case UnsavedChoice::kSave:
      return SaveFirmwareAs();
    case UnsavedChoice::kDiscard:
      return true;
    case UnsavedChoice::kCancel:
      break;
  }
  return false;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  event->ignore();
  RunGuarded(dialogs_, [&] {
    if (UnsavedWorkSettled()) event->accept();
  });
}

}  // namespace orlindel::editor
