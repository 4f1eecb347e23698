// Moving and resizing the selected window on the preview: which part of its
// frame the mouse grabs, and the edges after a drag or a nudge.
#pragma once

#include <Qt>

#include "core/window_geometry.h"

namespace orlindel::editor {

enum class DragHandle {
  kNone,
  kMove,
  kLeft,
  kRight,
  kTop,
  kBottom,
  kTopLeft,
  kTopRight,
  kBottomLeft,
  kBottomRight,
};

// What the preview pixel (x, y) grabs of the window drawn as `frame`: an edge
// or a corner within the width of the drawn frame (4 pixels) inside it or 2
// outside it, the window itself further in, nothing outside.
DragHandle HandleAt(const Rect& frame, int x, int y);

// The mouse cursor over `handle`: move or resize arrows, the cross-hair for
// none.
Qt::CursorShape CursorFor(DragHandle handle);

// The largest Right and Bottom a drag may give the window; Left and Top start
// at 0.
struct EdgeLimits {
  int right = 0;
  int bottom = 0;
};

// The edges after dragging `handle` by (dx, dy) from `start`. A move keeps
// the size and stops at the limits (a window already beyond them moves only
// back toward them); a resize moves only the grabbed edges, within the limits
// and never past the opposite edge. PalDY and blend stay.
PaletteValues DraggedValues(const PaletteValues& start, DragHandle handle,
                            int dx, int dy, const EdgeLimits& limits);

}  // namespace orlindel::editor
