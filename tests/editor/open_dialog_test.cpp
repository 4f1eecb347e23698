// The firmware Open dialog opens exactly the file the user names.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include "editor/qt_user_dialogs.h"

namespace orlindel::editor::testing {
namespace {

TEST(OpenDialogTest, ANameWithoutExtensionIsOpenedAsTyped) {
  QTemporaryDir folder;
  for (const char* name : {"twin", "twin.bin"}) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QFileDialog dialog;
  SetUpOpenFirmwareDialog(dialog);
  EXPECT_EQ(dialog.defaultSuffix(), "");
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog.nameFilters(), QStringList({"*.bin (*.bin)", "*.* (*)"}));

  // What the dialog hands back once the user typed the name: never run
  // modally, the typed name is taken as the dialog would take it.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setDirectory(folder.path());
  dialog.selectFile("twin");
  EXPECT_EQ(dialog.selectedFiles(), QStringList({folder.filePath("twin")}));
}

}  // namespace
}  // namespace orlindel::editor::testing
