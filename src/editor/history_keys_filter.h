// Keeps spin edits from taking the edit history's keys (Ctrl+Z and the redo
// keys) for the undo of their own text: the keys reach the application-wide
// undo and redo actions wherever the focus is.
#pragma once

#include <QList>
#include <QObject>

class QAction;

namespace orlindel::editor {

class HistoryKeysFilter : public QObject {
  Q_OBJECT

 public:
  HistoryKeysFilter(QList<QAction*> actions, QObject* parent);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QList<QAction*> actions_;
};

}  // namespace orlindel::editor
