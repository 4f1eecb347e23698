// The main window's menu bar: File, Edit, View and Help, one function per
// menu. An item whose page has a button (Open, Save firmware, Changes) runs
// the same handler as the button; the items without a button (patches,
// layouts, the preview picture, the shortcut list, About) are handled here.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QKeySequence;
class QMenu;
class QMenuBar;

namespace orlindel::editor {

class EditorDocument;
class UserDialogs;

// The sizes View -> Zoom offers for the preview, in percent.
inline constexpr int kZoomPercents[] = {100, 75, 50};

// What the menus ask of the main window.
class MenuHost {
 public:
  virtual ~MenuHost() = default;
  // The "..." beside "FW File:" and the page's "Save firmware" button.
  virtual void OpenThroughDialog() = 0;
  virtual void SaveThroughDialog() = 0;
  // Opens `path` after the unsaved-changes question; false when cancelled.
  virtual bool OpenFirmwareFile(const QString& path) = 0;
  virtual void SetZoom(int percent) = 0;
  virtual void Quit() = 0;
  virtual const QImage& PreviewBitmap() const = 0;
};

class MainMenus : public QObject {
  Q_OBJECT

 public:
  // Fills `bar`. The history's actions exist already, with their shortcuts;
  // the Edit menu shows them. Everything outlives the menus.
  MainMenus(QMenuBar& bar, MenuHost& host, EditorDocument& editor,
            UserDialogs& dialogs, QAction& undo, QAction& redo,
            QAction& changes);

  // Lists the remembered files again (after a file was opened).
  void RebuildRecentMenu();
  // Checks the View -> Zoom item of `percent`.
  void ShowZoom(int percent);
  // "Save firmware…" follows the page's button, and so do the patch and
  // layout items, which need a firmware as well.
  void SetSaveEnabled(bool enabled);

 private:
  void CreateFileMenu(QMenu& menu);
  void CreateEditMenu(QMenu& menu);
  void CreateViewMenu(QMenu& menu);
  void CreateHelpMenu(QMenu& menu);
  // A menu action named `name`, with the keys the shortcut list gives that
  // name, whose trigger runs `handler` guarded.
  template <typename Handler>
  QAction* AddMenuAction(QMenu& menu, const char* name, const QString& text,
                         Handler handler);

  void actExportPatchClick();
  void actApplyPatchClick();
  void actExportLayoutClick();
  void actImportLayoutClick();
  void actExportPreviewClick();
  void actShortcutsClick();
  void actAboutClick();

  MenuHost& host_;
  EditorDocument& editor_;
  UserDialogs& dialogs_;
  QAction& undo_;
  QAction& redo_;
  QAction& changes_;
  QMenu* mnuOpenRecent = nullptr;
  QActionGroup* zoom_group_ = nullptr;
  QAction* actSave = nullptr;
  QAction* actExportPatch = nullptr;
  QAction* actApplyPatch = nullptr;
  QAction* actExportLayout = nullptr;
  QAction* actImportLayout = nullptr;
};

}  // namespace orlindel::editor
