#include "editor/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
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
#include <QSessionManager>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "core/errors.h"
#include "core/tv_geometry.h"
#include "editor/app_settings.h"
#include "editor/app_title.h"
#include "editor/editor_font.h"
#include "editor/flag_scope.h"
#include "editor/guarded_slot.h"
#include "editor/open_failure.h"
#include "editor/screen_fit.h"
#include "editor/transfer_actions.h"
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
  editor_ = new EditorDocument(this);
  journal_ = new UnsavedEditsJournal(*editor_, this);
  CreateControls();
  CreateActions();
  menus_ = new MainMenus(*menuBar(), *this, *editor_, dialogs_, *actUndo,
                         *actRedo, *actChanges);
  frmChanges_ = new TfrmChanges(*this, dialogs_, this);
  FormCreate();
  ConnectHandlers();
  // The zoom chosen last time (View -> Zoom is checked to match).
  if (const int zoom = SavedZoom(kZoomPercents); zoom != 100) SetZoom(zoom);
}

TfrmMain::~TfrmMain() {
  // The journal writes what is pending while the document is still there.
  delete journal_;
  // The document goes with the window's children, once this window is no
  // longer a TfrmMain: its last signals must not reach it.
  editor_->disconnect(this);
}

void TfrmMain::AttachPalette(TfrmWB* palette) {
  palette_ = palette;
  windows_->AttachPalette(palette);
}

void TfrmMain::FormCreate() {
  ShowFileInTitle(QString());
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

void TfrmMain::ShowFileInTitle(const QString& path) {
  setWindowFilePath(path);
  // "demo.bin* — Orlindel ...": "[*]" shows the mark of unsaved changes
  // while there are some.
  setWindowTitle(path.isEmpty()
                     ? QString(kAppTitle) + "[*]"
                     : QString::fromUtf8("%1[*] \u2014 %2")
                           .arg(QFileInfo(path).fileName(), kAppTitle));
}

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_once_) return;
  shown_once_ = true;
  if (const QScreen* screen = this->screen())
    FitToScreen(screen->availableGeometry());
  RunGuarded(dialogs_, [this] { FormShow(); });
}

void TfrmMain::FitToScreen(const QRect& available) {
  layout()->activate();
  const QMargins frame = FrameMargins(*this);
  const int others = height() - client_->height();
  const auto frame_size = [&](int percent) {
    return QSize(width(), others + FittingClientHeight(percent)).grownBy(frame);
  };
  const int zoom = FittingZoom(kZoomPercents, SavedZoom(kZoomPercents),
                               available.size(), frame_size);
  if (zoom != preview_->Zoom()) SetZoom(zoom);
  layout()->activate();
  QRect placed = geometry().marginsAdded(frame);
  placed.moveCenter(available.center());
  MoveFrameTo(*this, KeptInside(placed, available).topLeft());
}

void TfrmMain::KeepOnScreen() {
  const QScreen* screen = this->screen();
  if (!isVisible() || screen == nullptr) return;
  layout()->activate();
  const QRect placed = geometry().marginsAdded(FrameMargins(*this));
  const QRect kept = KeptInside(placed, screen->availableGeometry());
  if (kept != placed) MoveFrameTo(*this, kept.topLeft());
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
  RememberFolder(FileKind::kFirmware, *chosen);
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
  try {
    const FlagScope opening(opening_);
    editor_->Open(path);
  } catch (const RangeError& error) {
    throw OrlindelError(ErrorKind::kRange,
                        NotFirmwareMessage(path, error.what()).toStdString());
  } catch (const OverflowError& error) {
    throw OrlindelError(ErrorKind::kOverflow,
                        NotFirmwareMessage(path, error.what()).toStdString());
  }
  windows_->LimitSelectors(Document().MaxWindowIndex());
  osd_positions_->FirmwareOpened();
  UpdateSaveEnabled();
  // Unsaved edits of this very content from a session that ended without
  // saving them.
  OfferRestore(*editor_, *journal_, dialogs_);
}

void TfrmMain::btnSaveClick() { SaveFirmwareAs(); }

void TfrmMain::btnOpenImgClick() {
  const std::optional<QString> chosen =
      dialogs_.OpenPicture(ledBackrgoundImg->text().trimmed());
  if (!chosen) return;
  ledBackrgoundImg->setText(*chosen);
  LoadBackgroundPicture();
  RememberFolder(FileKind::kPicture, *chosen);
  Refresh();
}

void TfrmMain::LoadBackgroundPicture() {
  const QString path = ledBackrgoundImg->text().trimmed();
  ledBackrgoundImg->setText(path);
  if (QFileInfo(path).isFile()) {
    state_.BackgroundPicture.emplace();
    *state_.BackgroundPicture = render::LoadPicture(path);
  } else {
    state_.BackgroundPicture.reset();
  }
}

void TfrmMain::cmbTVChange() {
  state_.ResizeAllowed = true;
  const bool pal = cmbTV->currentIndex() == 0;
  if (pal) {
    FormCanResizeTo(FittingClientHeight(preview_->Zoom()));
    windows_->SetRectsMode(1);
    cmbBackgrY->setCurrentIndex(1);
  } else {
    FormCanResizeTo(FittingClientHeight(preview_->Zoom()));
    windows_->SetRectsMode(0);
    cmbBackgrY->setCurrentIndex(1);
    // Wipe the taller PAL picture before the shorter one is drawn.
    preview_->Wipe(palette().color(QPalette::Window));
  }
  state_.ResizeAllowed = false;
  KeepOnScreen();
  Refresh();
  subtitle_->FitLog(preview_->height());
}

void TfrmMain::FormCanResizeTo(int height) {
  // The window's size is fixed; only the TV switch and the zoom, which allow
  // it for the moment, give it another height.
  if (state_.ResizeAllowed) SetClientHeight(height);
}

int TfrmMain::FittingClientHeight(int percent) const {
  const int lines = PictureLines();
  const int full = cmbTV->currentIndex() == 0
                       ? state_.NormalHeight
                       : state_.NormalHeight - kNtscHeightReduction;
  return full - lines + PreviewWidget::ZoomedLength(lines, percent);
}

const QImage& TfrmMain::PreviewBitmap() const { return preview_->Bitmap(); }

void TfrmMain::SetZoom(int percent) {
  preview_->SetZoom(percent);
  state_.ResizeAllowed = true;
  FormCanResizeTo(FittingClientHeight(percent));
  state_.ResizeAllowed = false;
  menus_->ShowZoom(percent);
  KeepOnScreen();
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

int TfrmMain::PictureLines() const {
  return cmbTV->currentIndex() == 0 ? kPalLines : kNtscLines;
}

void TfrmMain::DocumentChanged() {
  setWindowModified(!editor_->IsClean());
  const QUndoStack& history = editor_->History();
  frmChanges_->SetUndoRedo(history.canUndo(), history.canRedo());
  UpdateHistoryActions();
  UpdateChangesWindow();
  if (!opening_) RefreshAfterEdit();
}

void TfrmMain::UpdateHistoryActions() {
  const QUndoStack& history = editor_->History();
  const auto name = [](QAction& action, const QString& verb,
                       const QString& entry, bool possible) {
    action.setText(entry.isEmpty() ? verb : verb + ' ' + entry);
    action.setEnabled(possible);
  };
  name(*actUndo, "&Undo", history.undoText(), history.canUndo());
  name(*actRedo, "&Redo", history.redoText(), history.canRedo());
}

// These run from slots connected through ConnectGuarded (the Edit menu's
// actions here, the changes window's buttons there), whose guard shows
// what they throw.
void TfrmMain::UndoImageEdit() { editor_->Undo(); }

void TfrmMain::RedoImageEdit() { editor_->Redo(); }

void TfrmMain::RevertChange(const ByteEdit& change) {
  editor_->RevertChange(change);
}

void TfrmMain::ExportPatch() { ExportPatchToFile(*editor_, dialogs_); }

void TfrmMain::RefreshAfterEdit() {
  Refresh();
  subtitle_->DocumentChanged();
}

void TfrmMain::UpdateChangesWindow() {
  if (frmChanges_ == nullptr || !frmChanges_->isVisible()) return;
  const FirmwareDocument& document = Document();
  frmChanges_->ShowChanges(
      document.labeller() != nullptr
          ? ListChanges(*document.labeller(), document.opened(),
                        document.image(), TfrmChanges::kMaxRows)
          : ChangeList{});
}

void TfrmMain::btnChangesClick() {
  // It opens beside the main window, on the same screen.
  const QScreen* screen = this->screen();
  if (!frmChanges_->isVisible() && screen != nullptr)
    frmChanges_->move(
        PlaceBeside(frameGeometry(),
                    frmChanges_->size().grownBy(FrameMargins(*frmChanges_)),
                    screen->availableGeometry()));
  frmChanges_->show();
  frmChanges_->raise();
  frmChanges_->activateWindow();
  UpdateChangesWindow();
}

bool TfrmMain::SaveFirmwareAs() {
  // Beside the file opened, also when it was named relative to the folder
  // the editor started in.
  const QString opened = ledFWFile->text();
  const QString suggested =
      opened.isEmpty() ? QString()
                       : QFileInfo(QString::fromStdString(
                                       SuggestedSaveName(opened.toStdString())))
                             .absoluteFilePath();
  const std::optional<QString> chosen = dialogs_.SaveFirmware(suggested);
  if (!chosen) return false;
  dialogs_.ShowSaveNotice(editor_->SaveAs(*chosen));
  // "FW File:" keeps naming the file opened, so later saves suggest the same
  // name; the saved file, which unsaved edits now belong to, is offered
  // among the recent files.
  AddRecentFile(*chosen);
  menus_->RebuildRecentMenu();
  RememberFolder(FileKind::kFirmware, *chosen);
  return true;
}

bool TfrmMain::UnsavedWorkSettled() {
  if (editor_->IsClean()) return true;
  switch (dialogs_.AskSaveChanges()) {
    case UnsavedChoice::kSave:
      return SaveFirmwareAs();
    case UnsavedChoice::kDiscard:
      // The edits stay until another file replaces them (or the program
      // ends): their journal stays as long.
      return true;
    case UnsavedChoice::kCancel:
      break;
  }
  return false;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  event->ignore();
  RunGuarded(dialogs_, [&] {
    if (!UnsavedWorkSettled()) return;
    event->accept();
    // Saved or dropped: nothing is left for a journal.
    journal_->Forget();
    // The tool windows go with the main window; none of them edits the image
    // once it is gone.
    if (palette_ != nullptr) palette_->hide();
    frmChanges_->hide();
    QCoreApplication::quit();
  });
}

void TfrmMain::CommitSessionData(QSessionManager& manager) {
  if (!manager.allowsInteraction()) {
    journal_->Flush();
    return;
  }
  const bool closed = close();
  manager.release();
  if (!closed) manager.cancel();
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
