// The dialogs the editor puts in front of the user, behind one interface so
// the main window can run headless with queued answers.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace orlindel::editor {

// The answer to the question about unsaved changes.
enum class UnsavedChoice { kSave, kDiscard, kCancel };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Firmware file to open ("*.bin" offered first, any file accepted; the file
  // must exist). `preset` is the full path to start from, or empty. nullopt
  // when the user cancels.
  virtual std::optional<QString> OpenFirmware(const QString& preset) = 0;
  // File to save the firmware into, with "bin" as the default extension and a
  // question before an existing file is overwritten. nullopt on cancel.
  virtual std::optional<QString> SaveFirmware(const QString& preset) = 0;
  // Picture to show under the windows (any picture format is offered; the
  // file must exist). nullopt on cancel.
  virtual std::optional<QString> OpenPicture(const QString& preset) = 0;
  // File to write a patch into: IPS or BPS, as its suffix says ("ips" is the
  // default extension; an existing file is overwritten only after a
  // question). nullopt on cancel.
  virtual std::optional<QString> SavePatch(const QString& preset) = 0;
  // Patch file to apply to the open image (IPS and BPS offered; the file
  // must exist). nullopt on cancel.
  virtual std::optional<QString> OpenPatch(const QString& preset) = 0;
  // File to write a layout document into ("json" is the default extension;
  // an existing file is overwritten only after a question). nullopt on
  // cancel.
  virtual std::optional<QString> SaveLayout(const QString& preset) = 0;
  // Layout document to import (the file must exist). nullopt on cancel.
  virtual std::optional<QString> OpenLayout(const QString& preset) = 0;
  // Picture file to write the preview into ("png" is the default extension;
  // the suffix chooses the format). nullopt on cancel.
  virtual std::optional<QString> SavePicture(const QString& preset) = 0;
  // A modal error message captioned with the application title.
  virtual void ShowMessage(const QString& text) = 0;
  // A modal window of information (rich text `html`) captioned `title`.
  virtual void ShowInformation(const QString& title, const QString& html) = 0;
  // A yes-or-no question captioned `title`; true for yes.
  virtual bool AskQuestion(const QString& title, const QString& text) = 0;
  // A passing note in the main window's status bar.
  virtual void ShowStatus(const QString& text) = 0;
  // Shows what a saved file could not keep (a save's returned notice), when
  // there is anything.
  void ShowSaveNotice(const std::string& notice) {
    if (!notice.empty()) ShowStatus(QString::fromStdString(notice));
  }
  // Asks whether the unsaved changes of the firmware are to be saved first,
  // dropped, or the action that would lose them cancelled.
  virtual UnsavedChoice AskSaveChanges() = 0;
  // Asks whether the unsaved edits found in the journal of the firmware just
  // opened are to be restored; false drops them.
  virtual bool AskRestoreEdits() = 0;
};

}  // namespace orlindel::editor
