#include "editor/shortcuts.h"

namespace orlindel::editor {

QString ShortcutsHtml() {
  QString html = "<table cellspacing=\"4\">";
  for (const ShortcutEntry& entry : kShortcuts)
    html += QString("<tr><td><b>%1</b></td><td>%2</td></tr>")
                .arg(QString::fromUtf8(entry.keys).toHtmlEscaped(),
                     QString::fromUtf8(entry.action).toHtmlEscaped());
  return html + "</table>";
}

QList<QKeySequence> ShortcutKeys(std::string_view action_name) {
  QList<QKeySequence> keys;
  for (const ShortcutEntry& entry : kShortcuts)
    if (entry.action_name != nullptr && entry.action_name == action_name)
      keys.push_back(QKeySequence(QString::fromUtf8(entry.keys)));
  return keys;
}

}  // namespace orlindel::editor
