#include "editor/qt_user_dialogs.h"

#include <QFileDialog>
#include <QImageReader>
#include <QMessageBox>
#include <QStringList>

#include "editor/app_title.h"

namespace orlindel::editor {

namespace {

const QStringList kFirmwareFilters = {"*.bin (*.bin)", "*.* (*)"};

// A dialog that starts in the folder of `preset` with its file name preset.
std::optional<QString> Run(QFileDialog& dialog, const QString& preset) {
  if (!preset.isEmpty()) dialog.selectFile(preset);
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

// Every picture format Qt can read, as one "all pictures" entry followed by
// one entry per format.
QStringList PictureFilters() {
  QStringList patterns;
  QStringList filters;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    const QString pattern = "*." + QString::fromLatin1(format);
    patterns << pattern;
    filters << QString("%1 (%2)").arg(QString::fromLatin1(format).toUpper(),
                                      pattern);
  }
  filters.prepend(QString("All pictures (%1)").arg(patterns.join(' ')));
  return filters;
}

}  // namespace

std::optional<QString> QtUserDialogs::OpenFirmware(const QString& preset) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("bin");
  dialog.setNameFilters(kFirmwareFilters);
  return Run(dialog, preset);
}

std::optional<QString> QtUserDialogs::SaveFirmware(const QString& preset) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix("bin");
  dialog.setNameFilters(kFirmwareFilters);
  // The overwrite question is the dialog's own (on by default).
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  return Run(dialog, preset);
}

std::optional<QString> QtUserDialogs::OpenPicture(const QString& preset) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(PictureFilters());
  return Run(dialog, preset);
}

void QtUserDialogs::ShowMessage(const QString& text) {
  QMessageBox::information(parent_, kAppTitle, text);
}

}  // namespace orlindel::editor
