// The firmware Open dialog opens exactly the file the user names; a save
// dialog adds the suffix of the filter shown to a name typed without one.
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

TEST(SaveDialogTest, ANameWithoutSuffixTakesThatOfTheFilterShown) {
  EXPECT_EQ(FilterSuffix("IPS patches (*.ips)"), "ips");
  EXPECT_EQ(FilterSuffix("Patches (*.ips *.bps)"), "ips");
  EXPECT_EQ(FilterSuffix("*.bin (*.bin)"), "bin");
  EXPECT_EQ(FilterSuffix("*.* (*)"), "");

  QTemporaryDir folder;
  QFileDialog dialog;
  const QStringList filters = {"PNG (*.png)", "BMP (*.bmp)", "*.* (*)"};
  SetUpSaveDialog(dialog, "Export preview", filters, "BMP (*.bmp)");
  EXPECT_EQ(dialog.windowTitle(), "Export preview");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_EQ(dialog.selectedNameFilter(), "BMP (*.bmp)");
  EXPECT_EQ(dialog.defaultSuffix(), "bmp");

  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setDirectory(folder.path());
  const struct Row {
    const char* filter;
    const char* name;
    QString chosen;
  } rows[] = {
      {"PNG (*.png)", "shot", folder.filePath("shot.png")},
      {"BMP (*.bmp)", "shot", folder.filePath("shot.bmp")},
      {"PNG (*.png)", "shot.jpg", folder.filePath("shot.jpg")},
      {"*.* (*)", "shot", folder.filePath("shot")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.filter);
    // As when the user picks the filter in the dialog.
    dialog.selectNameFilter(row.filter);
    emit dialog.filterSelected(row.filter);
    dialog.selectFile(row.name);
    EXPECT_EQ(dialog.selectedFiles(), QStringList({row.chosen}));
  }
}

}  // namespace
}  // namespace orlindel::editor::testing
