// The File menu's patch, layout and picture items: each runs its action on
// the open firmware (see transfer_actions.h); the views follow the image
// through the document's ImageChanged.
#include "editor/main_window.h"
#include "editor/preview_widget.h"
#include "editor/transfer_actions.h"

namespace orlindel::editor {

void TfrmMain::actApplyPatchClick() { ApplyPatchFromFile(*editor_, dialogs_); }

void TfrmMain::actExportLayoutClick() {
  ExportLayoutToFile(*editor_, dialogs_);
}

void TfrmMain::actImportLayoutClick() {
  ImportLayoutFromFile(*editor_, dialogs_);
}

void TfrmMain::actExportPreviewClick() {
  ExportPreviewToFile(preview_->Bitmap(), dialogs_);
}

}  // namespace orlindel::editor
