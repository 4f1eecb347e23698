#include "editor/editor_font.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QStringList>

#include "core/io/safe_write.h"
#include "orlindel/version.h"

// The compiled-in resources live in a static library: nothing else would
// pull them into the program.
static void InitEditorResources() { Q_INIT_RESOURCE(editor); }

namespace orlindel::editor {

namespace {

// Where Debian's wine fonts keep their Tahoma; fontconfig does not look
// there.
const char kWineTahoma[] = "/usr/share/wine/fonts/tahoma.ttf";

void LoadWineTahoma() {
  static const bool loaded = [] {
    if (QFontDatabase::families().contains("Tahoma")) return true;
    if (!QFile::exists(kWineTahoma)) return false;
    return QFontDatabase::addApplicationFont(kWineTahoma) >= 0;
  }();
  static_cast<void>(loaded);
}

}  // namespace

QFont EditorFont() {
  LoadWineTahoma();
  QFont font;
  // The layout is sized for Tahoma and DejaVu Sans Condensed, which is at
  // most a pixel wider per caption; DejaVu Sans, what fontconfig offers for
  // Tahoma otherwise, is wider and comes only last.
  font.setFamilies({"Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow",
                    "DejaVu Sans"});
  font.setPixelSize(11);
  return font;
}

void SetUpApplication(QApplication& app) {
  // A save cut short by a signal leaves no temporary file behind; a FIFO
  // whose reader left, or a file-size limit, fails the save with a message.
  io::InstallSaveCleanupOnSignals();
  QApplication::setOrganizationName("orlindel");
  QApplication::setApplicationName("orlindel");
  QApplication::setApplicationVersion(kVersion);
  InitEditorResources();
  QApplication::setDesktopFileName("io.github.orlindel.Orlindel");
  app.setWindowIcon(QIcon(":/icons/io.github.orlindel.Orlindel.svg"));
}

}  // namespace orlindel::editor
