// The look both editor windows share: one font, the window icon, and the
// application's names under which the settings are kept.
#pragma once

#include <QFont>

class QApplication;

namespace orlindel::editor {

// The editor's font: Tahoma at 11 pixels, loaded from the Tahoma-metric font
// that wine's fonts put outside the system's font folders when it is there;
// otherwise the narrowest usual sans-serif face, so captions keep within the
// fixed layout.
QFont EditorFont();

// Names the application (for its settings), gives it the window icon, and
// sets the process up for saves as io::InstallSaveCleanupOnSignals does.
void SetUpApplication(QApplication& app);

}  // namespace orlindel::editor
