// Fitting the editor's windows to the screen they open on: the zoom at which
// the main window fits, and places that keep a window wholly on the screen.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <span>

class QWidget;

namespace orlindel::editor {

// The frame the desktop puts around the top-level `window`; a usual title
// bar and border while the desktop has not told it yet (before the window
// is first on the screen, or on a desktop without frames).
QMargins FrameMargins(const QWidget& window);

// Moves the top-level `window` so that its outer frame's top-left corner
// lies at `point`, also while the desktop has not told the frame yet (where
// move() would put the window's inside there).
void MoveFrameTo(QWidget& window, const QPoint& point);

// The zoom to show on a screen whose free area is `available`: `preferred`
// when the main window fits at it, else the largest of `offered` at which
// it fits, else the smallest offered. `frame_size` gives the main window's
// outer size at a zoom.
int FittingZoom(std::span<const int> offered, int preferred,
                const QSize& available,
                const std::function<QSize(int)>& frame_size);

// `frame` moved as little as possible so that it lies wholly in
// `available`; a frame larger than that keeps its top-left corner on it.
QRect KeptInside(const QRect& frame, const QRect& available);

// Where a tool window of outer size `size` goes beside the main window
// `main_frame`: against its right border and top-aligned where the screen
// has room, else moved left over the main window's right part, always
// wholly in `available`.
QPoint PlaceBeside(const QRect& main_frame, const QSize& size,
                   const QRect& available);

}  // namespace orlindel::editor
