#include "editor/screen_fit.h"

#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace orlindel::editor {

namespace {

constexpr QMargins kAssumedFrame(2, 32, 2, 2);

bool Fits(const QSize& frame, const QSize& available) {
  return frame.width() <= available.width() &&
         frame.height() <= available.height();
}

// The start of a span of `length` placed at `start`, moved into
// [low, low + room) when it fits, else starting at `low`.
int KeptStart(int start, int length, int low, int room) {
  return std::max(low, std::min(start, low + room - length));
}

}  // namespace

QMargins FrameMargins(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect inner = window.geometry();
  const QMargins known(inner.left() - frame.left(), inner.top() - frame.top(),
                       frame.right() - inner.right(),
                       frame.bottom() - inner.bottom());
  return known.isNull() ? kAssumedFrame : known;
}

void MoveFrameTo(QWidget& window, const QPoint& point) {
  QWindow* handle = window.windowHandle();
  if (handle != nullptr && window.frameGeometry() == window.geometry())
    handle->setFramePosition(point);
  else
    window.move(point);
}

int FittingZoom(std::span<const int> offered, int preferred,
                const QSize& available,
                const std::function<QSize(int)>& frame_size) {
  if (Fits(frame_size(preferred), available)) return preferred;
  int best = 0;
  int smallest = preferred;
  for (const int zoom : offered) {
    smallest = std::min(smallest, zoom);
    if (zoom > best && Fits(frame_size(zoom), available)) best = zoom;
  }
  return best > 0 ? best : smallest;
}

QRect KeptInside(const QRect& frame, const QRect& available) {
  return QRect(QPoint(KeptStart(frame.x(), frame.width(), available.x(),
                                available.width()),
                      KeptStart(frame.y(), frame.height(), available.y(),
                                available.height())),
               frame.size());
}

QPoint PlaceBeside(const QRect& main_frame, const QSize& size,
                   const QRect& available) {
  const QRect beside(
      QPoint(main_frame.x() + main_frame.width(), main_frame.y()), size);
  return KeptInside(beside, available).topLeft();
}

}  // namespace orlindel::editor
