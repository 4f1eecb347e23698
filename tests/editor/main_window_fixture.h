// A real main window and palette on the off-screen platform, driven through
// their controls, with fake dialogs and firmware files in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <span>
#include <stdexcept>
#include <vector>

#include "core/firmware_image.h"
#include "editor/main_window.h"
#include "editor/palette_window.h"
#include "tests/editor/fake_user_dialogs.h"
#include "tests/support/firmware_builder.h"

namespace orlindel::editor::testing {

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    frmMain.AttachPalette(&frmWB);
    frmMain.show();
  }

  // The control named `name` in the main window; fails the test when absent.
  template <typename T>
  T& Control(const QString& name) {
    T* control = frmMain.findChild<T*>(name);
    if (control == nullptr) {
      ADD_FAILURE() << "no control " << name.toStdString();
      throw std::logic_error(name.toStdString());
    }
    return *control;
  }

  QString Panel(int n) {
    return Control<QLabel>(QString("sbInfoPanel%1").arg(n)).text();
  }

  // Writes `bytes` to `name` in the temporary folder; returns the full path.
  QString WriteFile(const QString& name, const std::vector<uint8_t>& bytes) {
    return WriteFile(name, std::span<const uint8_t>(bytes));
  }
  QString WriteFile(const QString& name, std::span<const uint8_t> bytes) {
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<qint64>(bytes.size()));
    return path;
  }

  // Picks `path` in the firmware dialog opened by "..." beside "FW File:".
  void OpenThroughDialog(const QString& path) {
    dialogs.open_firmware_answers.push_back(path);
    Control<QPushButton>("btnFWOpen").click();
  }

  // Moves the mouse over the main window's client point (x, y): the event
  // goes to the preview where it lies over the preview.
  void MouseAt(int x, int y) {
    QWidget* target = &frmMain;
    QPointF point(x, y);
    if (frmMain.Preview().geometry().contains(x, y)) {
      target = &frmMain.Preview();
      point -= frmMain.Preview().pos();
    }
    QMouseEvent move(QEvent::MouseMove, point, target->mapToGlobal(point),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
  }

  // The mouse cursor the user sees at the main window's client point (x, y).
  Qt::CursorShape CursorAt(int x, int y) {
    QWidget* preview = &frmMain.Preview();
    const bool over_preview = preview->geometry().contains(x, y);
    return (over_preview ? preview : &frmMain)->cursor().shape();
  }

  QTemporaryDir folder;
  FakeUserDialogs dialogs;
  TfrmMain frmMain{dialogs};
  TfrmWB frmWB{frmMain.Windows()};
};

// A 256 KiB image whose window list of `windows` entries lies at 0x18000,
// with the records at 0x1000.. of bank 1.
inline orlindel::testing::FirmwareBuilder FirmwareWithWindows(int windows) {
  return orlindel::testing::FirmwareBuilder(0x40000).WindowList(
      0x18000, orlindel::testing::DemoWindows(windows, 0x1000));
}

}  // namespace orlindel::editor::testing
