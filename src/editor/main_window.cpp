#include "editor/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>

#include "core/checks.h"
#include "core/osd_pos_list.h"
#include "core/window_list.h"
#include "editor/app_title.h"
#include "editor/background_picture.h"
#include "editor/control_updates.h"
#include "editor/guarded_slot.h"
#include "editor/local_path.h"

namespace orlindel::editor {

namespace {

constexpr int kPreviewWidth = 720;
constexpr int kStatusBarHeight = 19;

QString PositionText(int x, int y) { return QString("(%1;%2)").arg(x).arg(y); }

}  // namespace

TfrmMain::TfrmMain(UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
  setObjectName("frmMain");
  // Where Tahoma is missing, a face of similar width keeps the captions
  // inside the fixed layout.
  QFont font;
  font.setFamilies(
      {"Tahoma", "Liberation Sans", "Arial", "DejaVu Sans Condensed"});
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(kMainClientWidth, kMainClientHeight);
  setMouseTracking(true);
  nudge_pause_.setSingleShot(true);
  CreateControls();
  CreateActions();
  frmChanges_ = new TfrmChanges(*this, this);
  FormCreate();
  ConnectHandlers();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::AttachPalette(TfrmWB* palette) { frmWB_ = palette; }

void TfrmMain::FormCreate() {
  state_.PreviewBitmap = QImage();
  // "[*]" shows the mark of unsaved changes while there are some.
  setWindowTitle(QString(kAppTitle) + "[*]");
  state_.PaletteLoading = false;
  cmbRects->setCurrentIndex(1);
  cmbBackgrY->setCurrentIndex(1);
  state_.ResizeAllowed = false;
  state_.image.clear();
  state_.WindowBank = 0;
  for (QSlider* selector : {tbID, tbID2})
    selector->setRange(0, state_.MaxWindowIndex);
  state_.WindowListPos.reset();
  state_.BackgroundPicture.reset();
  state_.NtscRect = Rect{};
  state_.PalRect = Rect{};
  cmbTV->setCurrentIndex(0);
  state_.NormalHeight = height();
  state_.OsdPosListPos = -1;
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  if (const QScreen* screen = this->screen()) {
    const QRect available = screen->availableGeometry();
    move(available.center() - frameGeometry().center() + pos());
  }
  RunGuarded(dialogs_, [this] { FormShow(); });
}

void TfrmMain::FormShow() { RenderPreview(-1, false, -1); }

void TfrmMain::paintEvent(QPaintEvent* /*event*/) {
  if (state_.PreviewBitmap.isNull()) return;
  QPainter painter(this);
  painter.drawImage(kPreviewLeft, kPreviewTop, state_.PreviewBitmap);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The status bar stays on the bottom edge when the TV switch resizes.
  if (sbInfo != nullptr)
    sbInfo->setGeometry(0, height() - kStatusBarHeight, width(),
                        kStatusBarHeight);
}

void TfrmMain::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  RunGuarded(dialogs_, [&] {
    FormMouseMove(point.x(), point.y());
    DragWindowTo(point.x() - kPreviewLeft, point.y() - kPreviewTop);
  });
}

bool TfrmMain::PointInRect(int x, int y, const Rect& rect) {
  return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

void TfrmMain::FormMouseMove(int x, int y) {
  const QImage& bitmap = state_.PreviewBitmap;
  const Rect preview{kPreviewLeft, kPreviewTop,
                     kPreviewLeft + bitmap.width() - 1,
                     kPreviewTop + bitmap.height() - 1};
  if (!bitmap.isNull() && PointInRect(x, y, preview)) {
    setCursor(Qt::CrossCursor);
    ImageMouseMove(x - kPreviewLeft, y - kPreviewTop);
  } else {
    setCursor(Qt::ArrowCursor);
    SetStatusPanel(5, "");
    SetStatusPanel(9, "");
  }
}

void TfrmMain::ImageMouseMove(int px, int py) {
  SetStatusPanel(1, PositionText(px, py));
  const Rect& ntsc = state_.NtscRect;
  SetStatusPanel(5, cmbRects->currentIndex() != 1 && PointInRect(px, py, ntsc)
                        ? PositionText(px - ntsc.left, py - ntsc.top)
                        : QString());
  const Rect& pal = state_.PalRect;
  SetStatusPanel(9, cmbRects->currentIndex() != 0 && PointInRect(px, py, pal)
                        ? PositionText(px - pal.left, py - pal.top)
                        : QString());
}

void TfrmMain::tbIDChange() {
  if (WindowListKnown())
    RenderPreview(tbID->value(), cb2nd->isChecked(), tbID2->value());
  else
    RenderPreview(-1, false, -1);
}

void TfrmMain::cmbRectsChange() { tbIDChange(); }
void TfrmMain::cmbBackgrYChange() { tbIDChange(); }
void TfrmMain::cbStrechBackClick() { tbIDChange(); }

void TfrmMain::cb2ndClick() {
  tbID2->setEnabled(cb2nd->isChecked());
  tbIDChange();
}

void TfrmMain::btnFWOpenClick() {
  if (!UnsavedWorkSettled()) return;
  const std::optional<QString> chosen =
      dialogs_.OpenFirmware(ledFWFile->text().trimmed());
  if (!chosen) return;
  ledFWFile->setText(*chosen);
  btnShowClick();
}

void TfrmMain::btnShowClick() {
  OpenFirmware(ledFWFile->text());
  RenderPreview(tbID->value(), cb2nd->isChecked(), tbID2->value());
  if (WindowListKnown()) btnSave->setEnabled(true);
}

void TfrmMain::OpenFirmware(const QString& path) {
  // Load and locate into locals first: a file that turns out not to be a
  // firmware leaves the open image, with its unsaved edits, untouched.
  FirmwareImage image = LoadFirmwareFile(LocalPath(path));
  const WindowListInfo list = FindWindowList(image);
  const auto max_window_index = NarrowTo<uint8_t>(list.count - 1);
  if (!FitsInside(image, list.offset, 1)) throw RangeError();
  const uint8_t window_bank = WindowBankOf(list);
  const OsdPosListInfo osd_list = FindOsdPosList(image, max_window_index);
  const auto osd_list_pos = NarrowTo<int32_t>(osd_list.offset);

  state_.image = std::move(image);
  state_.MaxWindowIndex = max_window_index;
  state_.WindowListPos = list.offset;
  state_.WindowBank = window_bank;
  state_.OsdPosCount = osd_list.count;
  state_.OsdPosListPos = osd_list_pos;
  StartHistory();

  for (QSlider* selector : {tbID2, tbID}) {
    if (selector->value() > max_window_index)
      SetWindowSelector(*selector, max_window_index);
  }
  for (QSlider* selector : {tbID2, tbID})
    SetSliderMaximum(*selector, max_window_index, [this] { tbIDChange(); });

  if (state_.OsdPosCount == 0)
    dialogs_.ShowMessage("OSD Messages Position list not found!");
  tsWinPos->setEnabled(state_.OsdPosCount > 0);
  if (state_.OsdPosCount > 0) {
    SetSliderPosition(*tbR6, 0, [this] { tbR6Change(); });
    SetSliderPosition(*tbR7, 0, [this] { tbR7Change(); });
    SetSliderMaximum(*tbR6, state_.OsdPosCount - 1, [this] { tbR6Change(); });
    tbR6Change();
  }
}

bool TfrmMain::SetWindowSelector(QSlider& selector, int position) {
  return SetSliderPosition(selector, position, [this] { tbIDChange(); });
}

void TfrmMain::btnSaveClick() { SaveFirmwareAs(); }

void TfrmMain::btnOpenImgClick() {
  const std::optional<QString> chosen =
      dialogs_.OpenPicture(ledBackrgoundImg->text().trimmed());
  if (!chosen) return;
  ledBackrgoundImg->setText(*chosen);
  LoadBackgroundPicture();
  tbIDChange();
}

void TfrmMain::LoadBackgroundPicture() {
  const QString path = ledBackrgoundImg->text().trimmed();
  ledBackrgoundImg->setText(path);
  if (QFileInfo(path).isFile()) {
    state_.BackgroundPicture.emplace();
    *state_.BackgroundPicture = LoadBmpPicture(path);
  } else {
    state_.BackgroundPicture.reset();
  }
}

void TfrmMain::cmbTVChange() {
  state_.ResizeAllowed = true;
  const bool pal = cmbTV->currentIndex() == 0;
  if (pal) {
    FormCanResizeTo(state_.NormalHeight);
    cmbRects->setCurrentIndex(1);
    cmbBackgrY->setCurrentIndex(1);
  } else {
    FormCanResizeTo(state_.NormalHeight - kNtscHeightReduction);
    cmbRects->setCurrentIndex(0);
    cmbBackgrY->setCurrentIndex(1);
    // Wipe the taller PAL picture before the shorter one is drawn.
    state_.PreviewBitmap.fill(palette().color(QPalette::Window));
    repaint();
  }
  state_.ResizeAllowed = false;
  tbIDChange();
  meLog->resize(kPreviewWidth, state_.PreviewBitmap.height());
}

void TfrmMain::FormCanResizeTo(int height) {
  // The window's size is fixed; only the TV switch, which allows it for the
  // moment, gives it another height.
  if (state_.ResizeAllowed) setFixedSize(width(), height);
}

void TfrmMain::pcMainChange() {
  QWidget* page = pcMain->currentWidget();
  if (frmWB_ != nullptr) {
    if (page == tsWB) {
      frmWB_->show();
      frmWB_->PlacePalette();
    } else {
      frmWB_->hide();
    }
  }
  if (page == tsWB) tbID->setFocus();
  if (page == tsWinPos || page == tsMpeg4Sub)
    SetChecked(*cb2nd, false, [this] { cb2ndClick(); });
  meLog->setVisible(page == tsMpeg4Sub && cbViewLog->isChecked());
  tbIDChange();
  if (page == tsMpeg4Sub) {
    meLog->resize(kPreviewWidth, state_.PreviewBitmap.height());
    RefreshSubtitlePage();
  }
  if (page == tsWinPos && tsWinPos->isEnabled()) tbR6Change();
}

bool TfrmMain::IsWindowsPageActive() const {
  return pcMain->currentWidget() == tsWB;
}

QRect TfrmMain::MainFrameGeometry() const { return frameGeometry(); }

void TfrmMain::SetStatusPanel(int panel, const QString& text) {
  sbInfoPanels.at(static_cast<size_t>(panel))->setText(text);
}

QString TfrmMain::StatusPanel(int panel) const {
  return sbInfoPanels.at(static_cast<size_t>(panel))->text();
}

}  // namespace orlindel::editor
