// Every keyboard shortcut and mouse gesture of the editor, as Help ->
// Keyboard shortcuts lists them. The menu actions take their keys from here,
// and README.md carries the same list.
#pragma once

#include <QString>
#include <span>

namespace orlindel::editor {

struct ShortcutEntry {
  const char* keys;    // as the user presses them ("Ctrl+O")
  const char* action;  // what they do
};

inline constexpr ShortcutEntry kShortcuts[] = {
    {"Ctrl+O", "Open a firmware file"},
    {"Ctrl+S", "Save the firmware under a name"},
    {"Ctrl+Q", "Quit (asks about unsaved changes)"},
    {"Ctrl+Z", "Undo the last change"},
    {"Ctrl+Shift+Z", "Redo"},
    {"Ctrl+Y", "Redo"},
    {"Ctrl+H", "Show the list of changed bytes"},
    {"F1", "Show this list"},
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

}  // namespace orlindel::editor
