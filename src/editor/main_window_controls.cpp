// The main window's controls: fixed geometry in client (or page) pixels, one
// line per control, in the order the user's documents list them.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStringList>
#include <QTabWidget>

#include "editor/guarded_slot.h"
#include "editor/history_keys_filter.h"
#include "editor/main_window.h"

namespace orlindel::editor {

namespace {

constexpr int kComboHeight = 21;
constexpr int kEditHeight = 21;
constexpr int kCheckBoxHeight = 17;
constexpr int kStatusBarHeight = 19;
// A labelled edit keeps its label this far to the left of the field.
constexpr int kLabelSpacing = 3;

template <typename T>
T* Make(QWidget* parent, const char* name) {
  auto* control = new T(parent);
  control->setObjectName(name);
  return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption,
                  int left, int top) {
  auto* label = Make<QLabel>(parent, name);
  label->setText(caption);
  label->adjustSize();
  label->move(left, top);
  return label;
}

QComboBox* MakeComboBox(QWidget* parent, const char* name,
                        const QStringList& items, int left, int top,
                        int width) {
  auto* combo = Make<QComboBox>(parent, name);
  combo->addItems(items);
  combo->setGeometry(left, top, width, kComboHeight);
  return combo;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name,
                        const QString& caption, int left, int top,
                        int width = -1, int height = kCheckBoxHeight) {
  auto* box = Make<QCheckBox>(parent, name);
  box->setText(caption);
  if (width < 0) width = box->sizeHint().width();
  box->setGeometry(left, top, width, height);
  return box;
}

// A push button, or another kind of captioned button (a radio button).
template <typename Button = QPushButton>
Button* MakeButton(QWidget* parent, const char* name, const QString& caption,
                   int left, int top, int width, int height) {
  auto* button = Make<Button>(parent, name);
  button->setText(caption);
  button->setGeometry(left, top, width, height);
  return button;
}

QSlider* MakeTrackBar(QWidget* parent, const char* name, int left, int top,
                      int width, int height) {
  auto* slider = Make<QSlider>(parent, name);
  slider->setOrientation(Qt::Horizontal);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setMinimum(0);
  slider->setGeometry(left, top, width, height);
  return slider;
}

QSpinBox* MakeSpinEdit(QWidget* parent, const char* name, int left, int top,
                       int width, int height, int maximum) {
  auto* edit = Make<QSpinBox>(parent, name);
  edit->setRange(0, maximum);
  edit->setValue(0);
  edit->setGeometry(left, top, width, height);
  return edit;
}

QGroupBox* MakeGroupBox(QWidget* parent, const char* name,
                        const QString& caption, int left, int top, int width,
                        int height) {
  auto* box = Make<QGroupBox>(parent, name);
  box->setTitle(caption);
  box->setGeometry(left, top, width, height);
  return box;
}

// A read-only, grey text field with its caption on its left.
QLineEdit* MakeLabeledEdit(QWidget* parent, const char* name,
                           const QString& caption, int left, int top,
                           int width) {
  auto* edit = Make<QLineEdit>(parent, name);
  edit->setReadOnly(true);
  QPalette grey = edit->palette();
  grey.setColor(QPalette::Base, grey.color(QPalette::Window));
  edit->setPalette(grey);
  edit->setGeometry(left, top, width, kEditHeight);
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString(name) + "Label");
  label->adjustSize();
  label->move(left - kLabelSpacing - label->width(),
              top + (kEditHeight - label->height()) / 2);
  label->setBuddy(edit);
  return edit;
}

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
  pcMain = Make<QTabWidget>(this, "pcMain");
  pcMain->setGeometry(0, 0, kMainClientWidth, 87);
  CreateOpenSavePage();
  CreateWindowsPage();
  CreateOsdPositionsPage();
  CreateSubtitlePage();
  pcMain->setCurrentWidget(tsInOut);

  Label2 = MakeLabel(this, "Label2", "Resolution:", 5, 94);
  cmbTV = MakeComboBox(this, "cmbTV", {"PAL", "NTSC"}, 65, 89, 51);
  Label1 = MakeLabel(this, "Label1", "Background:", 125, 94);
  cmbBackgrY = MakeComboBox(this, "cmbBackgrY", {"Top", "Center", "Strech"},
                            192, 89, 73);
  cbSafeAction =
      MakeCheckBox(this, "cbSafeAction", "Safe Action Area", 273, 91);
  cbSafeTitle = MakeCheckBox(this, "cbSafeTitle", "Safe Title Area", 384, 91);

  meLog = Make<QPlainTextEdit>(this, "meLog");
  meLog->setGeometry(kPreviewLeft, kPreviewTop, 720, 576);
  meLog->setReadOnly(true);
  meLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  meLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  meLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont log_font("Courier New");
  log_font.setStyleHint(QFont::TypeWriter);
  log_font.setPixelSize(12);
  meLog->setFont(log_font);
  meLog->hide();

  CreateStatusBar();

  // The cross-hair belongs to the preview only: every control keeps the arrow
  // instead of inheriting the window's cursor.
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    child->setCursor(Qt::ArrowCursor);
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

void TfrmMain::CreateWindowsPage() {
  tsWB = Make<QWidget>(nullptr, "tsWB");
  pcMain->addTab(tsWB, "Windows");
  cmbRects = MakeComboBox(tsWB, "cmbRects",
                          {"NTSC windows", "PAL windows", "NTSC+PAL windows"},
                          5, 4, 105);
  tbID = MakeTrackBar(tsWB, "tbID", 123, 4, 280, 30);
  cb2nd = MakeCheckBox(tsWB, "cb2nd", "2nd", 409, 4);
  tbID2 = MakeTrackBar(tsWB, "tbID2", 445, 4, 280, 30);
  tbID2->setEnabled(false);
}

void TfrmMain::CreateOsdPositionsPage() {
  tsWinPos = Make<QWidget>(nullptr, "tsWinPos");
  pcMain->addTab(tsWinPos, "OSD Messages Positions");
  lblR6 = MakeLabel(tsWinPos, "lblR6", "R6", 2, 3);
  tbR6 = MakeTrackBar(tsWinPos, "tbR6", 18, 0, 340, 30);
  lblR6val = MakeLabel(tsWinPos, "lblR6val", "", 2, 33);
  lblR7 = MakeLabel(tsWinPos, "lblR7", "R7", 366, 5);
  tbR7 = MakeTrackBar(tsWinPos, "tbR7", 382, 0, 340, 30);
  lblR7val = MakeLabel(tsWinPos, "lblR7val", "", 366, 33);
  tsWinPos->setEnabled(false);
}

void TfrmMain::CreateSubtitlePage() {
  tsMpeg4Sub = Make<QWidget>(nullptr, "tsMpeg4Sub");
  // "&&" is the tab bar's escape for one visible ampersand.
  pcMain->addTab(tsMpeg4Sub,
                 "Mpeg4 Subtitle Parameters && Subtitle Area in Subtitle "
                 "Window");
  gbHAlign =
      MakeGroupBox(tsMpeg4Sub, "gbHAlign", "Horizontal Align", 0, 0, 153, 38);
  rbLeft = MakeButton<QRadioButton>(gbHAlign, "rbLeft", "Left", 4, 15, 43, 17);
  rbCenter =
      MakeButton<QRadioButton>(gbHAlign, "rbCenter", "Center", 49, 15, 57, 17);
  rbRight =
      MakeButton<QRadioButton>(gbHAlign, "rbRight", "Right", 105, 15, 45, 17);
  gbVAlign =
      MakeGroupBox(tsMpeg4Sub, "gbVAlign", "Vertical Align", 156, 0, 77, 57);
  rbTop = MakeButton<QRadioButton>(gbVAlign, "rbTop", "Top", 4, 15, 60, 17);
  rbBottom =
      MakeButton<QRadioButton>(gbVAlign, "rbBottom", "Bottom", 4, 35, 60, 17);
  gbCoords =
      MakeGroupBox(tsMpeg4Sub, "gbCoords",
                   "Subtitle Area Inside Selected Window", 236, 0, 344, 57);
  Label5 = MakeLabel(gbCoords, "Label5", "Left:", 8, 15);
  seLeft = MakeSpinEdit(gbCoords, "seLeft", 7, 29, 62, 22, 720);
  Label3 = MakeLabel(gbCoords, "Label3", "Right:", 73, 15);
  seRight = MakeSpinEdit(gbCoords, "seRight", 72, 29, 62, 22, 720);
  Label6 = MakeLabel(gbCoords, "Label6", "Top:", 138, 15);
  seTop = MakeSpinEdit(gbCoords, "seTop", 137, 29, 62, 22, 576);
  Label4 = MakeLabel(gbCoords, "Label4", "Bottom:", 203, 15);
  seBottom = MakeSpinEdit(gbCoords, "seBottom", 202, 29, 62, 22, 576);
  btnSetMax = MakeButton(gbCoords, "btnSetMax", "Set to max", 271, 12, 66, 39);
  btnApply = MakeButton(tsMpeg4Sub, "btnApply", "APPLY", 583, 5, 66, 50);
  QFont bold = btnApply->font();
  bold.setBold(true);
  btnApply->setFont(bold);
  btnApply->setEnabled(false);
  cbDebug = MakeCheckBox(tsMpeg4Sub, "cbDebug", "Debug", 657, 4, 70, 17);
  cbViewLog =
      MakeCheckBox(tsMpeg4Sub, "cbViewLog", "View Log", 657, 40, 70, 17);
  cbFullAscii = MakeCheckBox(tsMpeg4Sub, "cbFullAscii", "Display all 256 chars",
                             10, 41, 131, 17);
  cbFullAscii->setToolTip(
      "If unchecked then only #20..#128 chars will be displayed in some "
      "firmwares");
  cbFullAscii->setChecked(true);
}

void TfrmMain::CreateStatusBar() {
  sbInfo = Make<QFrame>(this, "sbInfo");
  sbInfo->setGeometry(0, height() - kStatusBarHeight, kMainClientWidth,
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
  const auto make = [this](const char* name, const QString& text,
                           const QList<QKeySequence>& keys) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::ApplicationShortcut);
    addAction(action);
    return action;
  };
  actUndo = make("actUndo", "Undo", {QKeySequence::Undo});
  actRedo = make("actRedo", "Redo",
                 {QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
  actChanges = make("actChanges", "Changes", {QKeySequence("Ctrl+H")});
  qApp->installEventFilter(new HistoryKeysFilter({actUndo, actRedo}, this));
}

template <typename Sender, typename Signal, typename Handler>
void TfrmMain::Connect(Sender* sender, Signal signal, Handler handler) {
  connect(sender, signal, this,
          GuardedSlot(dialogs_, [this, handler] { (this->*handler)(); }));
}

void TfrmMain::ConnectHandlers() {
  Connect(pcMain, &QTabWidget::currentChanged, &TfrmMain::pcMainChange);
  Connect(cmbTV, &QComboBox::activated, &TfrmMain::cmbTVChange);
  Connect(cmbBackgrY, &QComboBox::activated, &TfrmMain::cmbBackgrYChange);
  Connect(cbSafeAction, &QCheckBox::toggled, &TfrmMain::cbStrechBackClick);
  Connect(cbSafeTitle, &QCheckBox::toggled, &TfrmMain::cbStrechBackClick);
  Connect(btnFWOpen, &QPushButton::clicked, &TfrmMain::btnFWOpenClick);
  Connect(btnOpenImg, &QPushButton::clicked, &TfrmMain::btnOpenImgClick);
  Connect(btnSave, &QPushButton::clicked, &TfrmMain::btnSaveClick);
  Connect(cmbRects, &QComboBox::activated, &TfrmMain::cmbRectsChange);
  Connect(tbID, &QSlider::valueChanged, &TfrmMain::tbIDChange);
  Connect(cb2nd, &QCheckBox::toggled, &TfrmMain::cb2ndClick);
  Connect(tbID2, &QSlider::valueChanged, &TfrmMain::tbIDChange);
  Connect(tbR6, &QSlider::valueChanged, &TfrmMain::tbR6Change);
  Connect(tbR7, &QSlider::valueChanged, &TfrmMain::tbR7Change);
  for (QSpinBox* edit : {seLeft, seTop, seRight, seBottom})
    Connect(edit, &QSpinBox::valueChanged, &TfrmMain::tbIDChange);
  Connect(btnSetMax, &QPushButton::clicked, &TfrmMain::btnSetMaxClick);
  Connect(btnApply, &QPushButton::clicked, &TfrmMain::btnApplyClick);
  Connect(cbDebug, &QCheckBox::toggled, &TfrmMain::cbDebugClick);
  Connect(cbViewLog, &QCheckBox::toggled, &TfrmMain::cbViewLogClick);
  Connect(btnChanges, &QPushButton::clicked, &TfrmMain::btnChangesClick);
  Connect(actChanges, &QAction::triggered, &TfrmMain::btnChangesClick);
  Connect(actUndo, &QAction::triggered, &TfrmMain::UndoImageEdit);
  Connect(actRedo, &QAction::triggered, &TfrmMain::RedoImageEdit);
  connect(&undo_stack_, &QUndoStack::cleanChanged, this,
          [this](bool clean) { setWindowModified(!clean); });
  connect(&undo_stack_, &QUndoStack::indexChanged, this,
          GuardedSlot(dialogs_, [this] { UpdateChangesWindow(); }));
  const auto undo_redo_state = [this] {
    frmChanges_->SetUndoRedo(undo_stack_.canUndo(), undo_stack_.canRedo());
  };
  connect(&undo_stack_, &QUndoStack::canUndoChanged, this, undo_redo_state);
  connect(&undo_stack_, &QUndoStack::canRedoChanged, this, undo_redo_state);
}

}  // namespace orlindel::editor
