// The real dialogs: Qt's file dialogs and message boxes.
#pragma once

#include "editor/user_dialogs.h"

class QWidget;

namespace orlindel::editor {

class QtUserDialogs : public UserDialogs {
 public:
  // `parent` (may be null) owns the dialogs while they are open.
  explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<QString> OpenFirmware(const QString& preset) override;
  std::optional<QString> SaveFirmware(const QString& preset) override;
  std::optional<QString> OpenPicture(const QString& preset) override;
  std::optional<QString> SavePatch(const QString& preset) override;
  void ShowMessage(const QString& text) override;
  UnsavedChoice AskSaveChanges() override;

 private:
  QWidget* parent_;
};

}  // namespace orlindel::editor
