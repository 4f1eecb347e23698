#include "editor/editor_program.h"

#include <QTimer>

namespace orlindel::editor {

EditorProgram::EditorProgram(const std::optional<QString>& file)
    : frmMain_(dialogs_), frmWB_(frmMain_.Windows(), &frmMain_) {
  dialogs_.SetParent(&frmMain_);
  frmMain_.AttachPalette(&frmWB_);
  frmWB_.hide();
  frmMain_.show();
  if (file) {
    QTimer::singleShot(0, &frmMain_,
                       [this, path = *file] { frmMain_.OpenAtStart(path); });
  }
}

}  // namespace orlindel::editor
