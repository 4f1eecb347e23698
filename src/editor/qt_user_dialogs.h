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
  UnsavedChoice AskSaveChanges() override;
  bool AskRestoreEdits() override;

 private:
  // A save dialog with `suffix` as the default extension; it asks before an
  // existing file is replaced.
  std::optional<QString> RunOpen(FileKind kind, const QStringList& filters,
                                 const QString& preset);
  std::optional<QString> RunSave(FileKind kind, const QString& suffix,
                                 const QStringList& filters,
                                 const QString& preset);

  QWidget* parent_;
};

}  // namespace orlindel::editor
