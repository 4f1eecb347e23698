#include "editor/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "core/tv_geometry.h"
#include "editor/app_settings.h"
#include "editor/app_title.h"
#include "editor/editor_font.h"
#include "editor/guarded_slot.h"
#include "render/background_picture.h"

namespace orlindel::editor {

namespace {

constexpr int kStatusBarHeight = 19;

QString PositionText(int x, int y) { return QString("(%1;%2)").arg(x).arg(y); }

}  // namespace

TfrmMain::TfrmMain(UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs) {
  setObjectName("frmMain");
  setFont(EditorFont());
  client_ = new QWidget(this);
  client_->setObjectName("frmMainClient");
  client_->setFixedSize(kMainClientWidth, kMainClientHeight);
  client_->setMouseTracking(true);
  setCentralWidget(client_);
  // The window is the menu bar over the fixed client: it takes their size
  // and cannot be resized by the user.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setMouseTracking(true);
  setAcceptDrops(true);
  editor_ = new EditorDocument(dialogs_, this);
  CreateControls();
  CreateActions();
  menus_ = new MainMenus(*menuBar(), *this, *editor_, dialogs_, *actUndo,
                         *actRedo, *actChanges);
  frmChanges_ = new TfrmChanges(*editor_, dialogs_, this);
  FormCreate();
  ConnectHandlers();
  // The zoom chosen last time (View -> Zoom is checked to match).
  if (const int zoom = SavedZoom(kZoomPercents); zoom != 100) SetZoom(zoom);
}

TfrmMain::~TfrmMain() {
  // The document and its history go with the window's children, once this
  // window is no longer a TfrmMain: their last signals must not reach it.
  editor_->History().disconnect(this);
  editor_->disconnect(this);
}

void TfrmMain::AttachPalette(TfrmWB* palette) {
  windows_->AttachPalette(palette);
}

void TfrmMain::FormCreate() {
  // "[*]" shows the mark of unsaved changes while there are some.
  setWindowTitle(QString(kAppTitle) + "[*]");
  windows_->SetRectsMode(1);
  cmbBackgrY->setCurrentIndex(1);
  state_.ResizeAllowed = false;
  windows_->ResetSelectors(Document().MaxWindowIndex());
  state_.BackgroundPicture.reset();
  state_.NtscRect = Rect{};
  state_.PalRect = Rect{};
  cmbTV->setCurrentIndex(0);
  state_.NormalHeight = client_->height();
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

void TfrmMain::SetClientHeight(int height) {
  client_->setFixedSize(client_->width(), height);
  // The status bar stays on the bottom edge.
  sbInfo->setGeometry(0, height - kStatusBarHeight, client_->width(),
                      kStatusBarHeight);
}

void TfrmMain::mouseMoveEvent(QMouseEvent* /*event*/) {
  // Over the main window itself, outside the preview.
  SetStatusPanel(5, "");
  SetStatusPanel(9, "");
}

void TfrmMain::ImageMouseMove(int px, int py) {
  SetStatusPanel(1, PositionText(px, py));
  const int rects = windows_->RectsMode();
  const Rect& ntsc = state_.NtscRect;
  SetStatusPanel(5, rects != 1 && PointInRect(px, py, ntsc)
                        ? PositionText(px - ntsc.left, py - ntsc.top)
                        : QString());
  const Rect& pal = state_.PalRect;
  SetStatusPanel(9, rects != 0 && PointInRect(px, py, pal)
                        ? PositionText(px - pal.left, py - pal.top)
                        : QString());
}

void TfrmMain::Refresh() {
  if (Document().WindowListKnown()) {
    const WindowsPage::Selection selection = windows_->Selected();
    RenderPreview(selection.primary, selection.draw_second, selection.second);
  } else {
    RenderPreview(-1, false, -1);
  }
}

void TfrmMain::RefreshSelectedOnly() {
  RenderPreview(windows_->SelectedWindow(), false, -1);
}

void TfrmMain::RenderPreview(int primary, bool draw_second, int second) {
  // Until this drawing succeeds, the palette may show another window.
  windows_->BeginPreview();
  const FirmwareDocument& document = Document();
  render::PreviewRequest request;
  request.image = document.image();
  request.window_list_pos = document.WindowListPos();
  request.max_window_index = document.MaxWindowIndex();
  request.tv_index = cmbTV->currentIndex();
  request.background_mode = cmbBackgrY->currentIndex();
  if (state_.BackgroundPicture && !state_.BackgroundPicture->isNull())
    request.background = &*state_.BackgroundPicture;
  request.safe_title = cbSafeTitle->isChecked();
  request.safe_action = cbSafeAction->isChecked();
  request.rects_mode = windows_->RectsMode();
  request.primary = primary;
  request.draw_second = draw_second;
  request.second = second;
  osd_positions_->ContributeTo(request);
  subtitle_->ContributeTo(request);
  request.ntsc_rect = state_.NtscRect;
  request.pal_rect = state_.PalRect;
  request.status3 = StatusPanel(3);
  request.status7 = StatusPanel(7);

  render::PreviewResult result;
  try {
    result = render::RenderPreview(request);
  } catch (...) {
    windows_->PreviewFailed();
    throw;
  }

  windows_->ApplyPreview(result);
  state_.NtscRect = result.ntsc_rect;
  state_.PalRect = result.pal_rect;
  SetStatusPanel(3, result.status3);
  SetStatusPanel(7, result.status7);
  preview_->Show(std::move(result.bitmap));
}

void TfrmMain::cmbBackgrYChange() { Refresh(); }
void TfrmMain::cbStrechBackClick() { Refresh(); }

void TfrmMain::btnFWOpenClick() {
  if (!UnsavedWorkSettled()) return;
  const std::optional<QString> chosen =
      dialogs_.OpenFirmware(ledFWFile->text().trimmed());
  if (!chosen) return;
  btnShowClick(*chosen);
}

bool TfrmMain::OpenFirmwareFile(const QString& path) {
  if (!UnsavedWorkSettled()) return false;
  btnShowClick(path);
  return true;
}

void TfrmMain::OpenAtStart(const QString& path) {
  RunGuarded(dialogs_, [&] { OpenFirmwareFile(path); });
}

void TfrmMain::btnShowClick(const QString& path) {
  // A file that cannot be opened throws here, before the field changes: the
  // field keeps naming the image still loaded, which Save suggests.
  OpenFirmware(path);
  ledFWFile->setText(path);
  AddRecentFile(path);
  menus_->RebuildRecentMenu();
  const WindowsPage::Selection selection = windows_->Selected();
  RenderPreview(selection.primary, selection.draw_second, selection.second);
  UpdateSaveEnabled();
}

void TfrmMain::UpdateSaveEnabled() {
  const bool known = Document().WindowListKnown();
  // Once enabled, Save stays so.
  if (known) btnSave->setEnabled(true);
  menus_->SetSaveEnabled(btnSave->isEnabled());
}

void TfrmMain::OpenFirmware(const QString& path) {
  editor_->Open(path);
  UpdateChangesWindow();
  windows_->LimitSelectors(Document().MaxWindowIndex());
  osd_positions_->FirmwareOpened();
}

void TfrmMain::btnSaveClick() { SaveFirmwareAs(); }

void TfrmMain::btnOpenImgClick() {
  const std::optional<QString> chosen =
      dialogs_.OpenPicture(ledBackrgoundImg->text().trimmed());
  if (!chosen) return;
  ledBackrgoundImg->setText(*chosen);
  LoadBackgroundPicture();
  Refresh();
}

void TfrmMain::LoadBackgroundPicture() {
  const QString path = ledBackrgoundImg->text().trimmed();
  ledBackrgoundImg->setText(path);
  if (QFileInfo(path).isFile()) {
    state_.BackgroundPicture.emplace();
    *state_.BackgroundPicture = render::LoadBmpPicture(path);
  } else {
    state_.BackgroundPicture.reset();
  }
}

void TfrmMain::cmbTVChange() {
  state_.ResizeAllowed = true;
  const bool pal = cmbTV->currentIndex() == 0;
  if (pal) {
    FormCanResizeTo(FittingClientHeight());
    windows_->SetRectsMode(1);
    cmbBackgrY->setCurrentIndex(1);
  } else {
    FormCanResizeTo(FittingClientHeight());
    windows_->SetRectsMode(0);
    cmbBackgrY->setCurrentIndex(1);
    // Wipe the taller PAL picture before the shorter one is drawn.
    preview_->Wipe(palette().color(QPalette::Window));
  }
  state_.ResizeAllowed = false;
  Refresh();
  subtitle_->FitLog(preview_->height());
}

void TfrmMain::FormCanResizeTo(int height) {
  // The window's size is fixed; only the TV switch and the zoom, which allow
  // it for the moment, give it another height.
  if (state_.ResizeAllowed) SetClientHeight(height);
}

int TfrmMain::FittingClientHeight() const {
  const int lines = TvLines(cmbTV->currentIndex());
  const int full = cmbTV->currentIndex() == 0
                       ? state_.NormalHeight
                       : state_.NormalHeight - kNtscHeightReduction;
  return full - lines + preview_->ZoomedLength(lines);
}

const QImage& TfrmMain::PreviewBitmap() const { return preview_->Bitmap(); }

void TfrmMain::SetZoom(int percent) {
  preview_->SetZoom(percent);
  state_.ResizeAllowed = true;
  FormCanResizeTo(FittingClientHeight());
  state_.ResizeAllowed = false;
  subtitle_->FitLog(preview_->height());
}

void TfrmMain::pcMainChange() {
  const QWidget* page = pcMain->currentWidget();
  const bool subtitles = page == subtitle_->Page();
  const bool osd_positions = page == osd_positions_->Page();
  windows_->PageShown(page == windows_->Page());
  if (osd_positions || subtitles) windows_->UncheckSecond();
  subtitle_->ShowLog(subtitles);
  Refresh();
  if (subtitles) {
    subtitle_->FitLog(preview_->height());
    subtitle_->RefreshSubtitlePage();
  }
  if (osd_positions) osd_positions_->PageShown();
}

bool TfrmMain::IsCurrentPage(const QWidget* page) const {
  return pcMain->currentWidget() == page;
}

int TfrmMain::SelectedWindow() const { return windows_->SelectedWindow(); }

int TfrmMain::MaxSelectableWindow() const {
  return windows_->MaxSelectableWindow();
}

bool TfrmMain::SelectWindow(int index) { return windows_->SelectWindow(index); }

QSize TfrmMain::SelectedWindowSize() const { return windows_->PaletteSize(); }

void TfrmMain::RefreshAfterEdit() {
  Refresh();
  if (IsCurrentPage(subtitle_->Page())) subtitle_->RefreshSubtitlePage();
}

void TfrmMain::UpdateChangesWindow() {
  if (frmChanges_ == nullptr || !frmChanges_->isVisible()) return;
  const FirmwareDocument& document = Document();
  frmChanges_->ShowChanges(document.labeller() != nullptr
                               ? ListChanges(*document.labeller(),
                                             document.opened(),
                                             document.image())
                               : std::vector<LabelledChange>{});
}

void TfrmMain::btnChangesClick() {
  frmChanges_->show();
  frmChanges_->raise();
  frmChanges_->activateWindow();
  UpdateChangesWindow();
}

bool TfrmMain::SaveFirmwareAs() {
  const QString suggested = QString::fromStdString(
      SuggestedSaveName(ledFWFile->text().toStdString()));
  const std::optional<QString> chosen = dialogs_.SaveFirmware(suggested);
  if (!chosen) return false;
  editor_->SaveAs(*chosen);
  return true;
}

bool TfrmMain::UnsavedWorkSettled() {
  if (editor_->IsClean()) return true;
  switch (dialogs_.AskSaveChanges()) {
    case UnsavedChoice::kSave:
      return SaveFirmwareAs();
    case UnsavedChoice::kDiscard:
      editor_->DiscardJournal();
      return true;
    case UnsavedChoice::kCancel:
      break;
  }
  return false;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  event->ignore();
  RunGuarded(dialogs_, [&] {
    if (UnsavedWorkSettled()) event->accept();
  });
}

namespace {

// The local file a drag carries, when it carries exactly one.
std::optional<QString> DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return std::nullopt;
  return urls.first().toLocalFile();
}

}  // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFile(event->mimeData())) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event) {
  const std::optional<QString> file = DroppedFile(event->mimeData());
  if (!file) return;
  event->acceptProposedAction();
  // The question about unsaved work and any error wait until the drop has
  // ended, so the program the file came from is not held up by them.
  QTimer::singleShot(0, this, [this, path = *file] {
    RunGuarded(dialogs_, [&] { OpenFirmwareFile(path); });
  });
}

void TfrmMain::SetStatusPanel(int panel, const QString& text) {
  sbInfoPanels.at(static_cast<size_t>(panel))->setText(text);
}

QString TfrmMain::StatusPanel(int panel) const {
  return sbInfoPanels.at(static_cast<size_t>(panel))->text();
}

}  // namespace orlindel::editor
