#include "editor/main_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "editor/app_settings.h"
#include "editor/app_title.h"
#include "editor/editor_document.h"
#include "editor/guarded_slot.h"
#include "editor/shortcuts.h"
#include "editor/transfer_actions.h"
#include "editor/user_dialogs.h"
#include "orlindel/version.h"

namespace orlindel::editor {

MainMenus::MainMenus(QMenuBar& bar, MenuHost& host, EditorDocument& editor,
                     UserDialogs& dialogs, QAction& undo, QAction& redo,
                     QAction& changes)
    : QObject(&bar),
      host_(host),
      editor_(editor),
      dialogs_(dialogs),
      undo_(undo),
      redo_(redo),
      changes_(changes) {
  bar.setObjectName("mnuMain");
  const auto add = [&bar](const char* name, const QString& title) {
    QMenu* menu = bar.addMenu(title);
    menu->setObjectName(name);
    return menu;
  };
  CreateFileMenu(*add("mnuFile", "&File"));
  CreateEditMenu(*add("mnuEdit", "&Edit"));
  CreateViewMenu(*add("mnuView", "&View"));
  CreateHelpMenu(*add("mnuHelp", "&Help"));
}

template <typename Handler>
QAction* MainMenus::AddMenuAction(QMenu& menu, const char* name,
                                  const QString& text, Handler handler) {
  QAction* action = menu.addAction(text);
  action->setObjectName(name);
  action->setShortcuts(ShortcutKeys(name));
  // Like the history's keys, they work from the palette too.
  action->setShortcutContext(Qt::ApplicationShortcut);
  ConnectGuarded(dialogs_, action, &QAction::triggered, this,
                 std::move(handler));
  return action;
}

void MainMenus::CreateFileMenu(QMenu& menu) {
  AddMenuAction(menu, "actOpen", QString::fromUtf8("&Open\u2026"),
                [this] { host_.OpenThroughDialog(); });
  mnuOpenRecent = menu.addMenu("Open &Recent");
  mnuOpenRecent->setObjectName("mnuOpenRecent");
  ConnectGuarded(dialogs_, mnuOpenRecent, &QMenu::aboutToShow, this,
                 &MainMenus::RebuildRecentMenu);
  RebuildRecentMenu();
  actSave =
      AddMenuAction(menu, "actSave", QString::fromUtf8("&Save firmware\u2026"),
                    [this] { host_.SaveThroughDialog(); });
  actExportPatch = AddMenuAction(menu, "actExportPatch",
                                 QString::fromUtf8("Export &patch\u2026"),
                                 [this] { actExportPatchClick(); });
  actApplyPatch = AddMenuAction(menu, "actApplyPatch",
                                QString::fromUtf8("&Apply patch\u2026"),
                                [this] { actApplyPatchClick(); });
  actExportLayout = AddMenuAction(menu, "actExportLayout",
                                  QString::fromUtf8("Export &layout\u2026"),
                                  [this] { actExportLayoutClick(); });
  actImportLayout = AddMenuAction(menu, "actImportLayout",
                                  QString::fromUtf8("&Import layout\u2026"),
                                  [this] { actImportLayoutClick(); });
  // Without a firmware there is nothing to save, export or apply a patch to.
  SetSaveEnabled(false);
  AddMenuAction(menu, "actExportPreview",
                QString::fromUtf8("Export pre&view\u2026"),
                [this] { actExportPreviewClick(); });
  menu.addSeparator();
  AddMenuAction(menu, "actQuit", "&Quit", [this] { host_.Quit(); });
}

void MainMenus::CreateEditMenu(QMenu& menu) {
  menu.addAction(&undo_);
  menu.addAction(&redo_);
  menu.addSeparator();
  changes_.setText(QString::fromUtf8("&Changes\u2026"));
  menu.addAction(&changes_);
}

void MainMenus::CreateViewMenu(QMenu& menu) {
  QMenu* zoom = menu.addMenu("&Zoom");
  zoom->setObjectName("mnuZoom");
  zoom_group_ = new QActionGroup(this);
  // The zoom chosen last time comes back.
  const int saved = SavedZoom(kZoomPercents);
  for (const int percent : kZoomPercents) {
    QAction* action = zoom->addAction(QString("%1 %").arg(percent));
    action->setObjectName(QString("actZoom%1").arg(percent));
    action->setCheckable(true);
    action->setChecked(percent == saved);
    action->setData(percent);
    zoom_group_->addAction(action);
    ConnectGuarded(dialogs_, action, &QAction::triggered, this,
                   [this, percent] {
                     host_.SetZoom(percent);
                     SaveZoom(percent);
                   });
  }
}

void MainMenus::CreateHelpMenu(QMenu& menu) {
  AddMenuAction(menu, "actShortcuts", "&Keyboard shortcuts",
                [this] { actShortcutsClick(); });
  AddMenuAction(menu, "actAbout", QString::fromUtf8("&About\u2026"),
                [this] { actAboutClick(); });
}

void MainMenus::RebuildRecentMenu() {
  // The entry that opened a file may be the one whose trigger runs now: it
  // goes once that has ended.
  for (QAction* old : mnuOpenRecent->actions()) {
    mnuOpenRecent->removeAction(old);
    old->deleteLater();
  }
  const QStringList files = RecentFiles();
  for (int n = 0; n < files.size(); ++n) {
    const QString path = files[n];
    // "&1" .. "&9", "1&0": the number picks the entry from the keyboard.
    const QString number = n < 9 ? QString("&%1").arg(n + 1) : QString("1&0");
    // The name first, then its folder: files of the same name in other
    // folders stay apart. A "&" in them is shown, not taken as a mnemonic.
    const QFileInfo file(path);
    QString shown = QString::fromUtf8("%1 \u2014 %2")
                        .arg(file.fileName(),
                             QDir::toNativeSeparators(file.absolutePath()));
    shown.replace('&', "&&");
    QAction* action =
        mnuOpenRecent->addAction(QString("%1 %2").arg(number, shown));
    action->setObjectName(QString("actRecent%1").arg(n));
    action->setData(path);
    action->setToolTip(path);
    ConnectGuarded(dialogs_, action, &QAction::triggered, this,
                   [this, path] { host_.OpenFirmwareFile(path); });
  }
  mnuOpenRecent->setEnabled(!files.isEmpty());
}

void MainMenus::ShowZoom(int percent) {
  for (QAction* action : zoom_group_->actions())
    if (action->data().toInt() == percent) action->setChecked(true);
}

void MainMenus::SetSaveEnabled(bool enabled) {
  for (QAction* action : {actSave, actExportPatch, actApplyPatch,
                          actExportLayout, actImportLayout})
    action->setEnabled(enabled);
}

void MainMenus::actExportPatchClick() { ExportPatchToFile(editor_, dialogs_); }

void MainMenus::actApplyPatchClick() { ApplyPatchFromFile(editor_, dialogs_); }

void MainMenus::actExportLayoutClick() {
  ExportLayoutToFile(editor_, dialogs_);
}

void MainMenus::actImportLayoutClick() {
  ImportLayoutFromFile(editor_, dialogs_);
}

void MainMenus::actExportPreviewClick() {
  ExportPreviewToFile(host_.PreviewBitmap(), editor_.FilePath(), dialogs_);
}

void MainMenus::actShortcutsClick() {
  dialogs_.ShowInformation("Keyboard shortcuts", ShortcutsHtml());
}

void MainMenus::actAboutClick() {
  dialogs_.ShowInformation(
      "About Orlindel",
      QString("<p><b>%1</b></p>"
              "<p>Orlindel %2: an editor for the OSD windows, the OSD message "
              "positions and the subtitle parameters of DVD-player "
              "firmware.</p>"
              "<p>Licence: GPL-3.0-or-later</p>"
              "<p>Built with Qt %3, running on Qt %4.</p>")
          .arg(QString(kAppTitle).toHtmlEscaped(), QString(kVersion),
               QT_VERSION_STR, qVersion()));
}

}  // namespace orlindel::editor
