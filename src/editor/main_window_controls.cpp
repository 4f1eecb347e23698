// The main window's own controls: fixed geometry in client (or page) pixels,
// one line per control, in the order the user's documents list them. The
// pages build their own.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QUndoStack>

#include "editor/control_factory.h"
#include "editor/history_keys_filter.h"
#include "editor/main_window.h"
#include "editor/shortcuts.h"

namespace orlindel::editor {

namespace {

constexpr int kStatusBarHeight = 19;

struct PanelLayout {
  int width;
  Qt::Alignment alignment;
  bool bevel;
  const char* text;
};

// The ten panels of sbInfo, numbered from 0. The constant captions have no
// bevel; the read-outs have a lowered one.
constexpr PanelLayout kPanels[10] = {
    {35, Qt::AlignRight, false, "XY="},
    {70, Qt::AlignHCenter, true, ""},
    {35, Qt::AlignRight, false, "Rect:"},
    {200, Qt::AlignHCenter, true, ""},
    {65, Qt::AlignRight, false, "InRectXY="},
    {70, Qt::AlignHCenter, true, ""},
    {50, Qt::AlignRight, false, "PalDY="},
    {40, Qt::AlignHCenter, true, ""},
    {90, Qt::AlignRight, false, "InPalRectXY="},
    {60, Qt::AlignLeft, true, ""},
};

}  // namespace

void TfrmMain::CreateControls() {
  pcMain = Make<QTabWidget>(client_, "pcMain");
  pcMain->setGeometry(0, 0, kMainClientWidth, 87);
  CreateOpenSavePage();
  windows_ = new WindowsPage(*this, *pcMain, *this);
  osd_positions_ = new OsdPositionsPage(*this, *pcMain, this);
  preview_ = new PreviewWidget(dialogs_, client_);
  preview_->move(kPreviewLeft, kPreviewTop);
  preview_->SetInput(windows_);
  preview_->SetHoverHandler([this](std::optional<QPoint> pixel) {
    if (pixel) {
      ImageMouseMove(pixel->x(), pixel->y());
    } else {
      SetStatusPanel(5, "");
      SetStatusPanel(9, "");
    }
  });
  // meLog, made by the subtitle page, lies over the preview.
  subtitle_ =
      new SubtitlePage(*this, *pcMain, *client_, {kPreviewLeft, kPreviewTop});
  pcMain->setCurrentWidget(tsInOut);

  Label2 = MakeLabel(client_, "Label2", "Resolution:", 5, 94);
  cmbTV = MakeComboBox(client_, "cmbTV", {"PAL", "NTSC"}, 65, 89, 53);
  Label1 = MakeLabel(client_, "Label1", "Background:", 125, 94);
  cmbBackgrY = MakeComboBox(client_, "cmbBackgrY", {"Top", "Center", "Strech"},
                            192, 89, 73);
  cbSafeAction =
      MakeCheckBox(client_, "cbSafeAction", "Safe Action Area", 273, 91);
  cbSafeTitle =
      MakeCheckBox(client_, "cbSafeTitle", "Safe Title Area", 384, 91);

  CreateStatusBar();

  // The cross-hair belongs to the preview only: every other control keeps
  // the arrow instead of inheriting the window's cursor.
  for (QWidget* child :
       client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child != preview_) child->setCursor(Qt::ArrowCursor);
}

void TfrmMain::CreateOpenSavePage() {
  tsInOut = Make<QWidget>(nullptr, "tsInOut");
  pcMain->addTab(tsInOut, "Open / Save");
  ledFWFile = MakeLabeledEdit(tsInOut, "ledFWFile", "FW File:", 45, 5, 550);
  btnFWOpen = MakeButton(tsInOut, "btnFWOpen", "...", 600, 3, 25, 25);
  ledBackrgoundImg =
      MakeLabeledEdit(tsInOut, "ledBackrgoundImg", "Backgr.:", 45, 32, 550);
  btnOpenImg = MakeButton(tsInOut, "btnOpenImg", "...", 600, 30, 25, 25);
  btnSave = MakeButton(tsInOut, "btnSave", "Save firmware", 640, 3, 82, 25);
  btnSave->setEnabled(false);
  btnChanges = MakeButton(tsInOut, "btnChanges",
                          QString::fromUtf8("Changes\u2026"), 640, 30, 82, 25);
}

void TfrmMain::CreateStatusBar() {
  sbInfo = Make<QFrame>(client_, "sbInfo");
  sbInfo->setGeometry(0, client_->height() - kStatusBarHeight, kMainClientWidth,
                      kStatusBarHeight);
  int left = 0;
  for (size_t n = 0; n < sbInfoPanels.size(); ++n) {
    const PanelLayout& layout = kPanels[n];
    auto* panel = new QLabel(layout.text, sbInfo);
    panel->setObjectName(QString("sbInfoPanel%1").arg(n));
    panel->setAlignment(layout.alignment | Qt::AlignVCenter);
    panel->setFrameStyle(layout.bevel ? QFrame::Panel | QFrame::Sunken
                                      : QFrame::NoFrame);
    panel->setGeometry(left, 0, layout.width, kStatusBarHeight);
    left += layout.width;
    sbInfoPanels[n] = panel;
  }
}

void TfrmMain::CreateActions() {
  // Application-wide, so they work from the palette and the Changes window
  // as well as from every page.
  const auto make = [this](const char* name, const QString& text) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setShortcuts(ShortcutKeys(name));
    action->setShortcutContext(Qt::ApplicationShortcut);
    addAction(action);
    return action;
  };
  actChanges = make("actChanges", "Changes");
  // They name the entry they undo or redo and are disabled at the history's
  // ends (UpdateHistoryActions).
  actUndo = make("actUndo", "&Undo");
  actRedo = make("actRedo", "&Redo");
  UpdateHistoryActions();
  qApp->installEventFilter(new HistoryKeysFilter({actUndo, actRedo}, this));
}

void TfrmMain::ConnectHandlers() {
  const auto guarded = [this](auto* sender, auto signal,
                              void (TfrmMain::*handler)()) {
    ConnectGuarded(dialogs_, sender, signal, this, handler);
  };
  guarded(pcMain, &QTabWidget::currentChanged, &TfrmMain::pcMainChange);
  guarded(cmbTV, &QComboBox::activated, &TfrmMain::cmbTVChange);
  guarded(cmbBackgrY, &QComboBox::activated, &TfrmMain::cmbBackgrYChange);
  guarded(cbSafeAction, &QCheckBox::toggled, &TfrmMain::cbStrechBackClick);
  guarded(cbSafeTitle, &QCheckBox::toggled, &TfrmMain::cbStrechBackClick);
  guarded(btnFWOpen, &QPushButton::clicked, &TfrmMain::btnFWOpenClick);
  guarded(btnOpenImg, &QPushButton::clicked, &TfrmMain::btnOpenImgClick);
  guarded(btnSave, &QPushButton::clicked, &TfrmMain::btnSaveClick);
  guarded(btnChanges, &QPushButton::clicked, &TfrmMain::btnChangesClick);
  guarded(actChanges, &QAction::triggered, &TfrmMain::btnChangesClick);
  guarded(actUndo, &QAction::triggered, &TfrmMain::UndoImageEdit);
  guarded(actRedo, &QAction::triggered, &TfrmMain::RedoImageEdit);
  ConnectGuarded(dialogs_, ledFWFile, &QLineEdit::textChanged, this,
                 [this] { ShowFileInTitle(ledFWFile->text()); });
  // The one way the views learn of a change of the document.
  guarded(editor_, &EditorDocument::Changed, &TfrmMain::DocumentChanged);
  // The session manager's request carries the manager the handler answers,
  // so this one slot takes its argument and runs the same guard.
  connect(qApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager& manager) {
            RunGuarded(dialogs_, [&] { CommitSessionData(manager); });
          });
  // The end of the program by any other way (the session manager's, an
  // unhandled signal's handler) keeps the unsaved edits in their journal.
  ConnectGuarded(dialogs_, qApp, &QCoreApplication::aboutToQuit, journal_,
                 [this] { journal_->Flush(); });
}

}  // namespace orlindel::editor
