#include "editor/changes_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iterator>
#include <utility>

#include "core/text.h"
#include "editor/guarded_slot.h"

namespace orlindel::editor {

namespace {

constexpr size_t kBytesShown = 16;

enum Column { kOffset, kOldBytes, kNewBytes, kWhat, kColumnCount };

QPushButton* AddButton(QWidget* parent, QLayout* layout, const char* name,
                       const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  layout->addWidget(button);
  return button;
}

QTableWidgetItem* Cell(const std::string& text) {
  return new QTableWidgetItem(QString::fromStdString(text));
}

}  // namespace

QString ChangedBytesText(const std::vector<uint8_t>& bytes) {
  QStringList shown;
  for (size_t n = 0; n < bytes.size() && n < kBytesShown; ++n)
    shown << QString::fromStdString(Format("%.2X", unsigned{bytes[n]}));
  QString text = shown.join(' ');
  if (bytes.size() > kBytesShown)
    text += QString::fromUtf8(" \u2026 (%1 bytes)").arg(bytes.size());
  return text;
}

TfrmChanges::TfrmChanges(ChangesHost& host, UserDialogs& dialogs,
                         QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host) {
  setObjectName("frmChanges");
  setWindowTitle("Changes");
  resize(620, 320);
  auto* layout = new QVBoxLayout(this);
  lblSummary = new QLabel(this);
  lblSummary->setObjectName("lblSummary");
  layout->addWidget(lblSummary);

  twChanges = new QTableWidget(0, kColumnCount, this);
  twChanges->setObjectName("twChanges");
  twChanges->setHorizontalHeaderLabels(
      {"Offset", "Old bytes", "New bytes", "What"});
  twChanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
  twChanges->setSelectionBehavior(QAbstractItemView::SelectRows);
  twChanges->setSelectionMode(QAbstractItemView::SingleSelection);
  twChanges->verticalHeader()->hide();
  twChanges->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(twChanges);

  auto* buttons = new QHBoxLayout;
  btnUndo = AddButton(this, buttons, "btnUndo", "Undo");
  btnRedo = AddButton(this, buttons, "btnRedo", "Redo");
  btnRevert = AddButton(this, buttons, "btnRevert", "Revert");
  buttons->addStretch();
  btnExportPatch = AddButton(this, buttons, "btnExportPatch",
                             QString::fromUtf8("Export patch\u2026"));
  layout->addLayout(buttons);

  ConnectGuarded(dialogs, btnUndo, &QPushButton::clicked, this,
                 [this] { host_.UndoImageEdit(); });
  ConnectGuarded(dialogs, btnRedo, &QPushButton::clicked, this,
                 [this] { host_.RedoImageEdit(); });
  ConnectGuarded(dialogs, btnRevert, &QPushButton::clicked, this,
                 &TfrmChanges::btnRevertClick);
  ConnectGuarded(dialogs, btnExportPatch, &QPushButton::clicked, this,
                 [this] { host_.ExportPatch(); });
  ConnectGuarded(dialogs, twChanges, &QTableWidget::itemSelectionChanged, this,
                 &TfrmChanges::UpdateRevertButton);
  SetUndoRedo(false, false);
  ShowChanges(ChangeList{});
}

void TfrmChanges::ShowChanges(ChangeList changes) {
  changes_ = std::move(changes.listed);
  QString summary =
      changes.total == 0
          ? QString("No changes since the file was opened.")
          : QString("%1 changed range(s) since the file was opened.")
                .arg(changes.total);
  if (changes.total > std::ssize(changes_))
    summary += QString(" The first %1 are listed.").arg(changes_.size());
  lblSummary->setText(summary);
  twChanges->setRowCount(static_cast<int>(changes_.size()));
  for (size_t n = 0; n < changes_.size(); ++n) {
    const LabelledChange& change = changes_[n];
    const int row = static_cast<int>(n);
    twChanges->setItem(row, kOffset,
                       Cell(Format("0x%.6llX", static_cast<unsigned long long>(
                                                   change.edit.offset))));
    twChanges->setItem(
        row, kOldBytes,
        new QTableWidgetItem(ChangedBytesText(change.edit.old_bytes)));
    twChanges->setItem(
        row, kNewBytes,
        new QTableWidgetItem(ChangedBytesText(change.edit.new_bytes)));
    twChanges->setItem(row, kWhat, Cell(JoinedLabels(change.labels)));
  }
  twChanges->resizeColumnsToContents();
  UpdateRevertButton();
}

void TfrmChanges::SetUndoRedo(bool can_undo, bool can_redo) {
  btnUndo->setEnabled(can_undo);
  btnRedo->setEnabled(can_redo);
}

void TfrmChanges::UpdateRevertButton() {
  btnRevert->setEnabled(!twChanges->selectedItems().isEmpty());
}

void TfrmChanges::btnRevertClick() {
  const int row = twChanges->currentRow();
  if (row < 0 || static_cast<size_t>(row) >= changes_.size()) return;
  // A copy: the revert refreshes this window, which replaces the list.
  const ByteEdit change = changes_[static_cast<size_t>(row)].edit;
  host_.RevertChange(change);
}

}  // namespace orlindel::editor
