#include "editor/history_keys_filter.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QKeyEvent>

namespace orlindel::editor {

namespace {

// A spin edit, or the text field inside one.
bool IsSpinEditPart(const QObject* object) {
  return qobject_cast<const QAbstractSpinBox*>(object) != nullptr ||
         (object != nullptr &&
          qobject_cast<const QAbstractSpinBox*>(object->parent()) != nullptr);
}

}  // namespace

HistoryKeysFilter::HistoryKeysFilter(QList<QAction*> actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions)) {}

bool HistoryKeysFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride || !IsSpinEditPart(watched))
    return false;
  const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
  for (const QAction* action : actions_) {
    if (action->shortcuts().contains(pressed)) {
      // Not accepted: the shortcut is not overridden, the action runs.
      event->ignore();
      return true;
    }
  }
  return false;
}

}  // namespace orlindel::editor
