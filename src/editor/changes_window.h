// The "Changes" tool window: every byte range that differs from the file as
// opened, with its old and new bytes and what the bytes are; undo, redo,
// revert of one range and the patch export.
#pragma once

#include <QWidget>
#include <vector>

#include "core/history/labelled_changes.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace orlindel::editor {

class UserDialogs;

// What the window asks of the main window. Each reports its own errors.
class ChangesHost {
 public:
  virtual ~ChangesHost() = default;
  virtual void UndoImageEdit() = 0;
  virtual void RedoImageEdit() = 0;
  // Writes the bytes of `change` as opened back; one undoable action.
  virtual void RevertChange(const ByteEdit& change) = 0;
  virtual void ExportPatch() = 0;
};

class TfrmChanges : public QWidget {
  Q_OBJECT

 public:
  // `dialogs` shows the errors of the window's handlers.
  TfrmChanges(ChangesHost& host, UserDialogs& dialogs,
              QWidget* parent = nullptr);

  // The most rows the window lists: a patch may change millions of runs,
  // and a row costs far more than the bytes it shows.
  static constexpr size_t kMaxRows = 10000;

  // Shows one row per listed change, in offset order; the summary counts
  // all of them.
  void ShowChanges(ChangeList changes);
  void SetUndoRedo(bool can_undo, bool can_redo);

 private:
  void btnRevertClick();
  void UpdateRevertButton();

  ChangesHost& host_;
  std::vector<LabelledChange> changes_;  // the rows
  QLabel* lblSummary = nullptr;
  QTableWidget* twChanges = nullptr;
  QPushButton* btnUndo = nullptr;
  QPushButton* btnRedo = nullptr;
  QPushButton* btnRevert = nullptr;
  QPushButton* btnExportPatch = nullptr;
};

// The bytes as the window shows them: "0A 1B 2C", at most 16 of them, then
// " … (n bytes)" for a longer run.
QString ChangedBytesText(const std::vector<uint8_t>& bytes);

}  // namespace orlindel::editor
