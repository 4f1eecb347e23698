#include "editor/editor_document.h"

#include <QDir>
#include <QFileInfo>

#include "core/text.h"
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

}  // namespace

EditorDocument::EditorDocument(UserDialogs& dialogs, QObject* parent)
    : QObject(parent), dialogs_(dialogs) {}

void EditorDocument::Open(const QString& path) {
  document_.Open(LocalPath(path));
  drag_ = 0;
  history_.clear();
}

void EditorDocument::SaveAs(const QString& path) {
  // The saved file carries a right checksum; the fix is part of the history
  // like any other change of the image.
  drag_ = 0;
  Perform("Fix checksum",
          [](FirmwareDocument& document) { return document.FixChecksum(); });
  document_.Save(LocalPath(path));
  history_.setClean();
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
    SaveWholeFile(LocalPath(*chosen),
                  PatchFileFor(*chosen, document_.opened(), document_.image()));
  });
}

}  // namespace orlindel::editor
