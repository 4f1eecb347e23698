// Draws the editor on a firmware image without a display and saves the main
// window, with the palette beside it, as a PNG picture (the README's
// screenshot).
//
// Usage: editor_screenshot FIRMWARE OUTPUT.png
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

#include "editor/editor_font.h"
#include "editor/main_window.h"
#include "editor/palette_window.h"
#include "editor/user_dialogs.h"

namespace {

using orlindel::editor::UnsavedChoice;

// No dialog may open: every question is cancelled, every message printed.
class PrintingDialogs : public orlindel::editor::UserDialogs {
 public:
  int messages = 0;

  std::optional<QString> OpenFirmware(const QString&) override { return {}; }
  std::optional<QString> SaveFirmware(const QString&) override { return {}; }
  std::optional<QString> OpenPicture(const QString&) override { return {}; }
  std::optional<QString> SavePatch(const QString&) override { return {}; }
  std::optional<QString> OpenPatch(const QString&) override { return {}; }
  std::optional<QString> SaveLayout(const QString&) override { return {}; }
  std::optional<QString> OpenLayout(const QString&) override { return {}; }
  std::optional<QString> SavePicture(const QString&) override { return {}; }
  void ShowMessage(const QString& text) override {
    ++messages;
    std::fprintf(stderr, "editor_screenshot: %s\n", qPrintable(text));
  }
  void ShowInformation(const QString&, const QString&) override {}
  bool AskQuestion(const QString&, const QString&) override { return false; }
  void ShowStatus(const QString&) override {}
  UnsavedChoice AskSaveChanges() override { return UnsavedChoice::kCancel; }
  bool AskRestoreEdits() override { return false; }
};

constexpr int kGap = 8;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: editor_screenshot FIRMWARE OUTPUT.png\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  orlindel::editor::SetUpApplication(app);
  PrintingDialogs dialogs;
  orlindel::editor::TfrmMain frmMain(dialogs);
  orlindel::editor::TfrmWB frmWB(frmMain.Windows(), &frmMain);
  frmMain.AttachPalette(&frmWB);
  frmMain.show();
  // The off-screen platform's screen is small: the picture shows the
  // preview at full size, as on a screen where it fits.
  frmMain.FitToScreen(QRect(0, 0, 1920, 1080));
  frmMain.OpenAtStart(QString::fromLocal8Bit(argv[1]));
  if (dialogs.messages > 0) return 1;

  // The "Windows" page with a window selected shows the most.
  auto* pages = frmMain.findChild<QTabWidget*>("pcMain");
  pages->setCurrentWidget(frmMain.findChild<QWidget*>("tsWB"));
  frmMain.SelectWindow(2);
  QApplication::processEvents();

  const QPixmap main_window = frmMain.grab();
  const QPixmap palette = frmWB.grab();
  QPixmap shot(main_window.width() + kGap + palette.width(),
               main_window.height());
  shot.fill(frmMain.palette().color(QPalette::Window).darker(120));
  {
    QPainter painter(&shot);
    painter.drawPixmap(0, 0, main_window);
    painter.drawPixmap(main_window.width() + kGap, 0, palette);
  }
  if (!shot.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "editor_screenshot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
