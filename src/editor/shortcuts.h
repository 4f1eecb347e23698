// Every keyboard shortcut and mouse gesture of the editor, as Help ->
// Keyboard shortcuts lists them. The actions take their keys from here (by
// the action's object name), and README.md carries the same list.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <string_view>

namespace orlindel::editor {

struct ShortcutEntry {
  const char* keys;    // as the user presses them ("Ctrl+O")
  const char* action;  // what they do
  // The object name of the QAction the keys trigger; none for a gesture.
  const char* action_name = nullptr;
};

inline constexpr ShortcutEntry kShortcuts[] = {
    {"Ctrl+O", "Open a firmware file", "actOpen"},
    {"Ctrl+S", "Save the firmware under a name", "actSave"},
    {"Ctrl+Q", "Quit (asks about unsaved changes)", "actQuit"},
    {"Ctrl+Z", "Undo the last change", "actUndo"},
    {"Ctrl+Shift+Z", "Redo", "actRedo"},
    {"Ctrl+Y", "Redo", "actRedo"},
    {"Ctrl+H", "Show the list of changed bytes", "actChanges"},
    {"F1", "Show this list", "actShortcuts"},
    {"Drag a window", "Move the selected window on the preview"},
    {"Drag an edge or corner", "Resize the selected window"},
    {"Arrow keys",
     "Nudge the selected window by 1 pixel (after a click on "
     "the preview)"},
    {"Shift+Arrow keys", "Nudge the selected window by 10 pixels"},
    {"Alt+Arrow keys", "Move the window's right or bottom edge"},
    {"Drop a file", "Open the firmware file dropped on the window"},
};

// The list as an HTML table for the help window.
QString ShortcutsHtml();

// The keys of the action named `action_name`, in the list's order; empty
// when the list gives it none.
QList<QKeySequence> ShortcutKeys(std::string_view action_name);

}  // namespace orlindel::editor
