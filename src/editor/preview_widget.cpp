#include "editor/preview_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "editor/guarded_slot.h"

namespace orlindel::editor {

PreviewWidget::PreviewWidget(UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
  setObjectName("imgPreview");
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  // Only the picture's pixels belong to the preview.
  resize(0, 0);
}

void PreviewWidget::Show(QImage bitmap) {
  bitmap_ = std::move(bitmap);
  resize(ZoomedLength(bitmap_.width()), ZoomedLength(bitmap_.height()));
  repaint();
}

void PreviewWidget::SetZoom(int percent) {
  zoom_percent_ = percent;
  resize(ZoomedLength(bitmap_.width()), ZoomedLength(bitmap_.height()));
  update();
}

QPoint PreviewWidget::ToPicture(QPoint point) const {
  // Each widget pixel shows the picture pixel it covers the most of; the
  // division rounds down, also for points left of or above the picture.
  const auto map = [this](int v) {
    const int scaled = v * 100;
    return scaled >= 0 ? scaled / zoom_percent_
                       : -((-scaled + zoom_percent_ - 1) / zoom_percent_);
  };
  return {map(point.x()), map(point.y())};
}

void PreviewWidget::Wipe(const QColor& colour) {
  bitmap_.fill(colour);
  repaint();
}

void PreviewWidget::paintEvent(QPaintEvent* /*event*/) {
  if (bitmap_.isNull()) return;
  QPainter painter(this);
  if (zoom_percent_ == 100) {
    painter.drawImage(0, 0, bitmap_);
  } else {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), bitmap_);
  }
}

void PreviewWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = ToPicture(event->position().toPoint());
  RunGuarded(dialogs_, [&] {
    const bool over_picture =
        !bitmap_.isNull() && bitmap_.rect().contains(point);
    setCursor(over_picture ? Qt::CrossCursor : Qt::ArrowCursor);
    if (hover_) hover_(over_picture ? std::optional(point) : std::nullopt);
    if (input_ == nullptr) return;
    if (const std::optional<Qt::CursorShape> cursor =
            input_->PreviewMoved(point.x(), point.y(), over_picture))
      setCursor(*cursor);
  });
}

void PreviewWidget::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = ToPicture(event->position().toPoint());
  if (bitmap_.isNull() || !bitmap_.rect().contains(point)) return;
  // A click on the preview gives it the keyboard, for the nudges.
  setFocus(Qt::MouseFocusReason);
  if (input_ == nullptr) return;
  RunGuarded(dialogs_, [&] { input_->PreviewPressed(point.x(), point.y()); });
}

void PreviewWidget::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && input_ != nullptr)
    input_->PreviewReleased();
}

void PreviewWidget::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  bool used = false;
  if (hasFocus() && input_ != nullptr)
    RunGuarded(dialogs_, [&] {
      used = input_->PreviewArrowKey(event->key(), event->modifiers());
    });
  if (!used) QWidget::keyPressEvent(event);
}

}  // namespace orlindel::editor
