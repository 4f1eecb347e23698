// The main window's menu bar: one function per menu. A menu item whose page
// has a button runs the button's own handler.
#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "editor/app_settings.h"
#include "editor/app_title.h"
#include "editor/control_factory.h"
#include "editor/main_window.h"
#include "editor/shortcuts.h"
#include "orlindel/version.h"

namespace orlindel::editor {

void TfrmMain::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("mnuMain");
  const auto add = [bar](const char* name, const QString& title) {
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(name);
    return menu;
  };
  CreateFileMenu(*add("mnuFile", "&File"));
  CreateEditMenu(*add("mnuEdit", "&Edit"));
  CreateViewMenu(*add("mnuView", "&View"));
  CreateHelpMenu(*add("mnuHelp", "&Help"));
}

QAction* TfrmMain::AddMenuAction(QMenu& menu, const char* name,
                                 const QString& text, const QKeySequence& keys,
                                 void (TfrmMain::*handler)()) {
  QAction* action = menu.addAction(text);
  action->setObjectName(name);
  action->setShortcut(keys);
  // Like the history's keys, they work from the palette too.
  action->setShortcutContext(Qt::ApplicationShortcut);
  ConnectGuarded(dialogs_, action, &QAction::triggered, this, handler);
  return action;
}

void TfrmMain::CreateFileMenu(QMenu& menu) {
  actOpen = AddMenuAction(menu, "actOpen", QString::fromUtf8("&Open\u2026"),
                          QKeySequence("Ctrl+O"), &TfrmMain::btnFWOpenClick);
  mnuOpenRecent = menu.addMenu("Open &Recent");
  mnuOpenRecent->setObjectName("mnuOpenRecent");
  connect(mnuOpenRecent, &QMenu::aboutToShow, this,
          [this] { RebuildRecentMenu(); });
  RebuildRecentMenu();
  actSave =
      AddMenuAction(menu, "actSave", QString::fromUtf8("&Save firmware\u2026"),
                    QKeySequence("Ctrl+S"), &TfrmMain::btnSaveClick);
  actSave->setEnabled(false);
  actExportPatch = AddMenuAction(menu, "actExportPatch",
                                 QString::fromUtf8("Export &patch\u2026"), {},
                                 &TfrmMain::actExportPatchClick);
  actApplyPatch = AddMenuAction(menu, "actApplyPatch",
                                QString::fromUtf8("&Apply patch\u2026"), {},
                                &TfrmMain::actApplyPatchClick);
  actExportLayout = AddMenuAction(menu, "actExportLayout",
                                  QString::fromUtf8("Export &layout\u2026"), {},
                                  &TfrmMain::actExportLayoutClick);
  actImportLayout = AddMenuAction(menu, "actImportLayout",
                                  QString::fromUtf8("&Import layout\u2026"), {},
                                  &TfrmMain::actImportLayoutClick);
  actExportPreview = AddMenuAction(menu, "actExportPreview",
                                   QString::fromUtf8("Export pre&view\u2026"),
                                   {}, &TfrmMain::actExportPreviewClick);
  menu.addSeparator();
  actQuit = AddMenuAction(menu, "actQuit", "&Quit", QKeySequence("Ctrl+Q"),
                          &TfrmMain::actQuitClick);
}

void TfrmMain::CreateEditMenu(QMenu& menu) {
  // The history's actions exist already, with their shortcuts.
  menu.addAction(actUndo);
  menu.addAction(actRedo);
  menu.addSeparator();
  actChanges->setText(QString::fromUtf8("&Changes\u2026"));
  menu.addAction(actChanges);
}

void TfrmMain::CreateViewMenu(QMenu& menu) {
  QMenu* zoom = menu.addMenu("&Zoom");
  zoom->setObjectName("mnuZoom");
  auto* group = new QActionGroup(this);
  // The zoom chosen last time comes back.
  const int saved = SavedZoom(kZoomPercents);
  for (const int percent : kZoomPercents) {
    QAction* action = zoom->addAction(QString("%1 %").arg(percent));
    action->setObjectName(QString("actZoom%1").arg(percent));
    action->setCheckable(true);
    action->setChecked(percent == saved);
    group->addAction(action);
    connect(action, &QAction::triggered, this, GuardedSlot(dialogs_, [=, this] {
              SetZoom(percent);
              SaveZoom(percent);
            }));
  }
}

void TfrmMain::CreateHelpMenu(QMenu& menu) {
  actShortcuts =
      AddMenuAction(menu, "actShortcuts", "&Keyboard shortcuts",
                    QKeySequence("F1"), &TfrmMain::actShortcutsClick);
  actAbout = AddMenuAction(menu, "actAbout", QString::fromUtf8("&About\u2026"),
                           {}, &TfrmMain::actAboutClick);
}

void TfrmMain::RebuildRecentMenu() {
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
    QAction* action = mnuOpenRecent->addAction(
        QString("%1 %2").arg(number, QFileInfo(path).fileName()));
    action->setObjectName(QString("actRecent%1").arg(n));
    action->setData(path);
    action->setToolTip(path);
    connect(action, &QAction::triggered, this,
            GuardedSlot(dialogs_, [this, path] { OpenFirmwareFile(path); }));
  }
  mnuOpenRecent->setEnabled(!files.isEmpty());
}

void TfrmMain::actExportPatchClick() { editor_->ExportPatch(); }

void TfrmMain::actQuitClick() { close(); }

void TfrmMain::actShortcutsClick() {
  dialogs_.ShowInformation("Keyboard shortcuts", ShortcutsHtml());
}

void TfrmMain::actAboutClick() {
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
