#include "editor/palette_window.h"

#include <QAbstractSlider>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <initializer_list>
#include <iterator>

#include "core/tv_geometry.h"
#include "editor/editor_font.h"
#include "editor/flag_scope.h"
#include "editor/screen_fit.h"
#include "editor/guarded_slot.h"

namespace orlindel::editor {

namespace {

constexpr int kClientWidth = 208;
constexpr int kClientHeight = 217;
// The edges a user types stay on the PAL picture.
constexpr int kMaxLeftRight = kTvWidth;
constexpr int kMaxTopBottom = kPalLines;
constexpr int kMaxBlend = 255;
// The scroll bars reach as far as a window list may place a window.
constexpr int kScrollMaxLeft = kTableMaxX;
constexpr int kScrollMaxTop = kTableMaxY;
// Qt takes a trough click's step from pageStep, which also sizes the thumb;
// 10 of 600 leaves the thumb at its smallest, as with no page at all.
constexpr int kScrollLargeStep = 10;

void AddLabel(QWidget* parent, const char* caption, int left, int top) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->move(left, top);
  label->adjustSize();
}

PaletteSpinEdit* AddSpinEdit(QWidget* parent, const char* name, int maximum,
                             int left, int top) {
  auto* edit = new PaletteSpinEdit(0, maximum, parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(left, top, 62, 22);
  edit->setEnabled(false);
  return edit;
}

QScrollBar* AddScrollBar(QWidget* parent, const char* name,
                         Qt::Orientation orientation, int maximum,
                         const QRect& geometry, const char* hint) {
  auto* bar = new QScrollBar(orientation, parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setGeometry(geometry);
  bar->setRange(0, maximum);
  bar->setSingleStep(1);
  bar->setPageStep(kScrollLargeStep);
  bar->setToolTip(QString::fromLatin1(hint));
  bar->setFocusPolicy(Qt::TabFocus);
  bar->setEnabled(false);
  return bar;
}

}  // namespace

TfrmWB::TfrmWB(PaletteHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host) {
  setObjectName(QStringLiteral("frmWB"));
  setFixedSize(kClientWidth, kClientHeight);
  setFont(EditorFont());

  AddLabel(this, "Top:", 65, 3);
  AddLabel(this, "Left:", 2, 26);
  AddLabel(this, "Right:", 128, 26);
  AddLabel(this, "PalDY:", 65, 89);
  AddLabel(this, "Bottom:", 65, 49);
  AddLabel(this, "Blend (Transparency):", 65, 127);
  AddLabel(this, "Width:", 2, 161);
  AddLabel(this, "Height:", 128, 161);

  seTop_ = AddSpinEdit(this, "seTop", kMaxTopBottom, 65, 17);
  seLeft_ = AddSpinEdit(this, "seLeft", kMaxLeftRight, 0, 40);
  seRight_ = AddSpinEdit(this, "seRight", kMaxLeftRight, 126, 40);
  sePalDY_ = AddSpinEdit(this, "sePalDY", kMaxTopBottom, 65, 102);
  seBottom_ = AddSpinEdit(this, "seBottom", kMaxTopBottom, 65, 63);
  seBlend_ = AddSpinEdit(this, "seBlend", kMaxBlend, 65, 140);
  seWidth_ = AddSpinEdit(this, "seWidth", kMaxLeftRight, 0, 175);
  seHeight_ = AddSpinEdit(this, "seHeight", kMaxTopBottom, 126, 175);
  sbTop_ = AddScrollBar(this, "sbTop", Qt::Vertical, kScrollMaxTop,
                        QRect(192, 0, 16, 201), "Move Vertically");
  sbLeft_ = AddScrollBar(this, "sbLeft", Qt::Horizontal, kScrollMaxLeft,
                         QRect(0, 201, 208, 16), "Move Horozintally");

  QWidget* const tab_order[] = {seTop_,    seLeft_,  seRight_, sePalDY_,
                                seBottom_, seBlend_, seWidth_, seHeight_,
                                sbTop_,    sbLeft_};
  for (size_t i = 1; i < std::size(tab_order); ++i)
    setTabOrder(tab_order[i - 1], tab_order[i]);

  UserDialogs& dialogs = host_.Dialogs();
  for (PaletteSpinEdit* edit :
       {seTop_, seLeft_, seRight_, sePalDY_, seBottom_, seBlend_})
    ConnectGuarded(dialogs, edit, &PaletteSpinEdit::Changed, this,
                   &TfrmWB::SpinEditChange);
  ConnectGuarded(dialogs, seWidth_, &PaletteSpinEdit::Changed, this,
                 &TfrmWB::seWidthChange);
  ConnectGuarded(dialogs, seHeight_, &PaletteSpinEdit::Changed, this,
                 &TfrmWB::seHeightChange);
  ConnectGuarded(dialogs, sbTop_, &QAbstractSlider::actionTriggered, this,
                 [this] { ScrollAction(sbTop_, &TfrmWB::sbTopScroll); });
  ConnectGuarded(dialogs, sbLeft_, &QAbstractSlider::actionTriggered, this,
                 [this] { ScrollAction(sbLeft_, &TfrmWB::sbLeftScroll); });
  for (QScrollBar* bar : {sbTop_, sbLeft_}) {
    ConnectGuarded(dialogs, bar, &QAbstractSlider::sliderPressed, this,
                   [this] { host_.BeginDrag(); });
    ConnectGuarded(dialogs, bar, &QAbstractSlider::sliderReleased, this,
                   [this] { host_.EndDrag(); });
  }
}

void TfrmWB::Fill(const PaletteValues& values) {
  const FlagScope updating(Updating);
  seLeft_->SetValue(values.left);
  sbLeft_->setValue(values.left);
  seTop_->SetValue(values.top);
  sbTop_->setValue(values.top);
  seRight_->SetValue(values.right);
  seBottom_->SetValue(values.bottom);
  sePalDY_->SetValue(values.pal_dy);
  seBlend_->SetValue(values.blend);
  // From the clamped values, so the size shown is the size the edges show.
  seWidth_->SetValue(seRight_->value() - seLeft_->value() + 1);
  seHeight_->SetValue(seBottom_->value() - seTop_->value() + 1);
  filled_ = values;
  shown_ = TextValues();
}

PaletteValues TfrmWB::TextValues() const {
  return PaletteValues{seLeft_->TextValue(),  seTop_->TextValue(),
                       seRight_->TextValue(), seBottom_->TextValue(),
                       sePalDY_->TextValue(), seBlend_->TextValue()};
}

PaletteValues TfrmWB::Values() const {
  const PaletteValues text = TextValues();
  const auto pick = [](int typed, int shown, int filled) {
    return typed == shown ? filled : typed;
  };
  return PaletteValues{pick(text.left, shown_.left, filled_.left),
                       pick(text.top, shown_.top, filled_.top),
                       pick(text.right, shown_.right, filled_.right),
                       pick(text.bottom, shown_.bottom, filled_.bottom),
                       pick(text.pal_dy, shown_.pal_dy, filled_.pal_dy),
                       pick(text.blend, shown_.blend, filled_.blend)};
}

void TfrmWB::SetEditingEnabled(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           seTop_, seBottom_, seLeft_, seRight_, sePalDY_, seBlend_, sbLeft_,
           sbTop_, seWidth_, seHeight_})
    control->setEnabled(enabled);
}

void TfrmWB::PlacePalette() {
  const QRect main_frame = host_.MainFrameGeometry();
  const QScreen* screen = QGuiApplication::screenAt(main_frame.center());
  if (screen == nullptr) screen = this->screen();
  const QSize outer = size().grownBy(FrameMargins(*this));
  MoveFrameTo(
      *this,
      screen != nullptr
          ? PlaceBeside(main_frame, outer, screen->availableGeometry())
          : QPoint(main_frame.left() + main_frame.width(), main_frame.top()));
}

void TfrmWB::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) PlacePalette();
}

void TfrmWB::closeEvent(QCloseEvent* event) {
  // On the "Windows" page the palette stays; other pages hide it anyway.
  if (host_.IsWindowsPageActive())
    event->ignore();
  else
    event->accept();
}

void TfrmWB::SpinEditChange() {
  if (Updating) return;
  host_.WriteBackWindow();
}

void TfrmWB::sbTopScroll(int position) {
  MoveWindow(position, seTop_, seBottom_);
}

void TfrmWB::sbLeftScroll(int position) {
  MoveWindow(position, seLeft_, seRight_);
}

void TfrmWB::MoveWindow(int position, PaletteSpinEdit* edge,
                        PaletteSpinEdit* far_edge) {
  if (Updating) return;
  int distance = position - edge->TextValue();
  if (distance == 0) return;
  if (far_edge->TextValue() + distance > far_edge->maximum())
    distance = far_edge->maximum() - far_edge->TextValue();
  {
    const FlagScope updating(Updating);
    far_edge->SetValue(far_edge->TextValue() + distance);
    edge->SetValue(edge->TextValue() + distance);
  }
  host_.WriteBackWindow();
}

void TfrmWB::seWidthChange() { Resize(seWidth_, seLeft_, seRight_); }

void TfrmWB::seHeightChange() { Resize(seHeight_, seTop_, seBottom_); }

void TfrmWB::Resize(PaletteSpinEdit* size, PaletteSpinEdit* near_edge,
                    PaletteSpinEdit* far_edge) {
  if (Updating) return;
  const int distance =
      size->TextValue() - (far_edge->TextValue() - near_edge->TextValue() + 1);
  if (distance == 0) return;
  {
    const FlagScope updating(Updating);
    far_edge->SetValue(far_edge->TextValue() + distance);
  }
  host_.WriteBackWindow();
}

void TfrmWB::ScrollAction(QScrollBar* bar, void (TfrmWB::*handler)(int)) {
  // Qt reports an action with the slider already at its new, clamped
  // position and sets the value from that position once the slot returns.
  const int position = bar->sliderPosition();
  (this->*handler)(position);
  bar->setSliderPosition(position);
}

}  // namespace orlindel::editor
