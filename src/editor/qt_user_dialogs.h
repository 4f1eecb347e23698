// The real dialogs: Qt's file dialogs and message boxes.
#pragma once

#include <QStringList>

#include "editor/app_settings.h"
#include "editor/user_dialogs.h"

class QFileDialog;
class QWidget;

namespace orlindel::editor {

// Makes `dialog` the firmware Open dialog: an existing file, "*.bin" offered
// first, and exactly the name typed (no extension added).
void SetUpOpenFirmwareDialog(QFileDialog& dialog);

// The suffix of a name filter's first pattern ("bps" for "BPS patches
// (*.bps)"); empty when it names none ("*.* (*)").
QString FilterSuffix(const QString& filter);
// Makes `dialog` a save dialog captioned `title` that offers `filters`,
// shows `selected` (empty: the first) and asks before an existing file is
// replaced. A name given without a suffix takes that of the filter shown.
void SetUpSaveDialog(QFileDialog& dialog, const QString& title,
                     const QStringList& filters, const QString& selected);

class QtUserDialogs : public UserDialogs {
 public:
  // `parent` (may be null) owns the dialogs while they are open.
  explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<QString> OpenFirmware(const QString& preset) override;
  std::optional<QString> SaveFirmware(const QString& preset) override;
  std::optional<QString> OpenPicture(const QString& preset) override;
  std::optional<QString> SavePatch(const QString& preset) override;
  std::optional<QString> OpenPatch(const QString& preset) override;
  std::optional<QString> SaveLayout(const QString& preset) override;
  std::optional<QString> OpenLayout(const QString& preset) override;
  std::optional<QString> SavePicture(const QString& preset) override;
  void ShowMessage(const QString& text) override;
  void ShowStatus(const QString& text) override;
  void ShowInformation(const QString& title, const QString& html) override;
  bool AskQuestion(const QString& title, const QString& text) override;
  UnsavedChoice AskSaveChanges() override;
  bool AskRestoreEdits() override;

 private:
  // An open dialog for an existing file, and a save dialog (see
  // SetUpSaveDialog), captioned `title`.
  std::optional<QString> RunOpen(FileKind kind, const QString& title,
                                 const QStringList& filters,
                                 const QString& preset);
  std::optional<QString> RunSave(FileKind kind, const QString& title,
                                 const QStringList& filters,
                                 const QString& selected,
                                 const QString& preset);

  QWidget* parent_;
};

}  // namespace orlindel::editor
