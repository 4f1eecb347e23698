#include "editor/qt_user_dialogs.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStringList>

#include "editor/app_settings.h"
#include "editor/app_title.h"
#include "editor/file_dialog_safety.h"

namespace orlindel::editor {

namespace {

const QStringList kFirmwareFilters = {"*.bin (*.bin)", "*.* (*)"};

// A dialog that starts in the folder of `preset` with its file name preset,
// or in the folder last used for `kind` when the preset names none. The
// action that uses the chosen file remembers its folder once it succeeded.
std::optional<QString> Run(QFileDialog& dialog, FileKind kind,
                           const QString& preset) {
  const QString start = StartPath(kind, preset);
  UseNameOnlyIcons(dialog);
  // A folder is where the dialog starts, not a name for the file.
  if (start.endsWith('/'))
    dialog.setDirectory(start);
  else if (!start.isEmpty())
    dialog.selectFile(start);
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

constexpr int kPreviewSize = 160;

// Shows the picture under the cursor beside the file list. Qt's own dialog
// (not the platform's) is used, as only it can be extended.
void AddPicturePreview(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
  if (grid == nullptr) return;
  auto* preview = new QLabel(&dialog);
  preview->setFixedSize(kPreviewSize, kPreviewSize);
  preview->setAlignment(Qt::AlignCenter);
  preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
  QObject::connect(&dialog, &QFileDialog::currentChanged, preview,
                   [preview](const QString& path) {
                     if (!IsPlainFile(path)) {
                       preview->setPixmap(QPixmap());
                       return;
                     }
                     QImageReader reader(path);
                     reader.setAutoTransform(true);
                     const QImage picture = reader.read();
                     preview->setPixmap(picture.isNull()
                                            ? QPixmap()
                                            : QPixmap::fromImage(picture.scaled(
                                                  kPreviewSize, kPreviewSize,
                                                  Qt::KeepAspectRatio,
                                                  Qt::SmoothTransformation)));
                   });
}

}  // namespace

QString FilterSuffix(const QString& filter) {
  static const QRegularExpression first_pattern(R"(\(\*\.([^ )*?\[]+)[ )])");
  const QRegularExpressionMatch match = first_pattern.match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

void SetUpSaveDialog(QFileDialog& dialog, const QString& title,
                     const QStringList& filters, const QString& selected) {
  dialog.setWindowTitle(title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  const QString shown = selected.isEmpty() ? filters.value(0) : selected;
  dialog.selectNameFilter(shown);
  // A name typed without a suffix takes that of the filter shown.
  dialog.setDefaultSuffix(FilterSuffix(shown));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) {
                     dialog.setDefaultSuffix(FilterSuffix(filter));
                   });
  // The overwrite question is the dialog's own (on by default).
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
}

void SetUpOpenFirmwareDialog(QFileDialog& dialog) {
  dialog.setWindowTitle("Open firmware");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // No default suffix: the file opened is the one named, "twin" included,
  // never a "twin.bin" beside it.
  dialog.setDefaultSuffix(QString());
  dialog.setNameFilters(kFirmwareFilters);
}

std::optional<QString> QtUserDialogs::OpenFirmware(const QString& preset) {
  QFileDialog dialog(parent_);
  SetUpOpenFirmwareDialog(dialog);
  return Run(dialog, FileKind::kFirmware, preset);
}

std::optional<QString> QtUserDialogs::SaveFirmware(const QString& preset) {
  return RunSave(FileKind::kFirmware, "Save firmware", kFirmwareFilters, {},
                 preset);
}

std::optional<QString> QtUserDialogs::OpenPicture(const QString& preset) {
  QFileDialog dialog(parent_);
  dialog.setWindowTitle("Choose background picture");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(PictureFilters());
  AddPicturePreview(dialog);
  return Run(dialog, FileKind::kPicture, preset);
}

std::optional<QString> QtUserDialogs::SavePatch(const QString& preset) {
  return RunSave(FileKind::kPatch, "Export patch",
                 {"IPS patches (*.ips)", "BPS patches (*.bps)", "*.* (*)"}, {},
                 preset);
}

// Layouts travel with patches: their dialogs share the patch folder.
std::optional<QString> QtUserDialogs::OpenPatch(const QString& preset) {
  return RunOpen(FileKind::kPatch, "Apply patch",
                 {"Patches (*.ips *.bps)", "*.* (*)"}, preset);
}

std::optional<QString> QtUserDialogs::SaveLayout(const QString& preset) {
  return RunSave(FileKind::kLayout, "Export layout",
                 {"Layouts (*.json)", "*.* (*)"}, {}, preset);
}

std::optional<QString> QtUserDialogs::OpenLayout(const QString& preset) {
  return RunOpen(FileKind::kLayout, "Import layout",
                 {"Layouts (*.json)", "*.* (*)"}, preset);
}

std::optional<QString> QtUserDialogs::SavePicture(const QString& preset) {
  QStringList filters;
  QString png;
  for (const QByteArray& format : QImageWriter::supportedImageFormats()) {
    filters << QString("%1 (*.%2)").arg(QString(format).toUpper(), format);
    if (format == "png") png = filters.last();
  }
  filters << "*.* (*)";
  return RunSave(FileKind::kPicture, "Export preview", filters, png, preset);
}

std::optional<QString> QtUserDialogs::RunOpen(FileKind kind,
                                              const QString& title,
                                              const QStringList& filters,
                                              const QString& preset) {
  QFileDialog dialog(parent_);
  dialog.setWindowTitle(title);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  return Run(dialog, kind, preset);
}

std::optional<QString> QtUserDialogs::RunSave(FileKind kind,
                                              const QString& title,
                                              const QStringList& filters,
                                              const QString& selected,
                                              const QString& preset) {
  QFileDialog dialog(parent_);
  SetUpSaveDialog(dialog, title, filters, selected);
  return Run(dialog, kind, preset);
}

void QtUserDialogs::ShowMessage(const QString& text) {
  QMessageBox::critical(parent_, kAppTitle, text);
}

void QtUserDialogs::ShowStatus(const QString& text) {
  if (auto* window = qobject_cast<QMainWindow*>(parent_))
    window->statusBar()->showMessage(text);
}

void QtUserDialogs::ShowInformation(const QString& title, const QString& html) {
  QMessageBox box(QMessageBox::Information, title, html, QMessageBox::Ok,
                  parent_);
  box.setTextFormat(Qt::RichText);
  box.exec();
}

bool QtUserDialogs::AskQuestion(const QString& title, const QString& text) {
  return QMessageBox::question(parent_, title, text,
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

UnsavedChoice QtUserDialogs::AskSaveChanges() {
  switch (QMessageBox::question(
      parent_, kAppTitle,
      "The firmware has changes that are not saved. Save them first?",
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
      QMessageBox::Save)) {
    case QMessageBox::Save:
      return UnsavedChoice::kSave;
    case QMessageBox::Discard:
      return UnsavedChoice::kDiscard;
    default:
      return UnsavedChoice::kCancel;
  }
}

bool QtUserDialogs::AskRestoreEdits() {
  return QMessageBox::question(
             parent_, kAppTitle,
             "Restore unsaved edits?\n\nThis firmware has edits from a "
             "session that ended without saving them.",
             QMessageBox::Yes | QMessageBox::No,
             QMessageBox::Yes) == QMessageBox::Yes;
}

}  // namespace orlindel::editor
