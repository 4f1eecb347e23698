#include "editor/window_drag.h"

#include <algorithm>

namespace orlindel::editor {

namespace {

// The drawn frame is four lines wide; a grip reaches a little outside it.
constexpr int kGripInside = 4;
constexpr int kGripOutside = 2;

bool Grabs(DragHandle handle, DragHandle edge) {
  switch (edge) {
    case DragHandle::kLeft:
      return handle == DragHandle::kLeft || handle == DragHandle::kTopLeft ||
             handle == DragHandle::kBottomLeft;
    case DragHandle::kRight:
      return handle == DragHandle::kRight || handle == DragHandle::kTopRight ||
             handle == DragHandle::kBottomRight;
    case DragHandle::kTop:
      return handle == DragHandle::kTop || handle == DragHandle::kTopLeft ||
             handle == DragHandle::kTopRight;
    case DragHandle::kBottom:
      return handle == DragHandle::kBottom ||
             handle == DragHandle::kBottomLeft ||
             handle == DragHandle::kBottomRight;
    default:
      return false;
  }
}

// The distance to move the span [low, high] by so that it stays in
// [0, limit]; a span already beyond the limit moves only back toward it.
int ClampedShift(int low, int high, int shift, int limit) {
  return std::clamp(shift, std::min(-low, 0), std::max(limit - high, 0));
}

}  // namespace

DragHandle HandleAt(const Rect& frame, int x, int y) {
  if (x < frame.left - kGripOutside || x > frame.right + kGripOutside ||
      y < frame.top - kGripOutside || y > frame.bottom + kGripOutside)
    return DragHandle::kNone;
  const bool left = x < frame.left + kGripInside;
  const bool right = !left && x > frame.right - kGripInside;
  const bool top = y < frame.top + kGripInside;
  const bool bottom = !top && y > frame.bottom - kGripInside;
  if (top) {
    if (left) return DragHandle::kTopLeft;
    if (right) return DragHandle::kTopRight;
    return DragHandle::kTop;
  }
  if (bottom) {
    if (left) return DragHandle::kBottomLeft;
    if (right) return DragHandle::kBottomRight;
    return DragHandle::kBottom;
  }
  if (left) return DragHandle::kLeft;
  if (right) return DragHandle::kRight;
  return DragHandle::kMove;
}

Qt::CursorShape CursorFor(DragHandle handle) {
  switch (handle) {
    case DragHandle::kMove:
      return Qt::SizeAllCursor;
    case DragHandle::kLeft:
    case DragHandle::kRight:
      return Qt::SizeHorCursor;
    case DragHandle::kTop:
    case DragHandle::kBottom:
      return Qt::SizeVerCursor;
    case DragHandle::kTopLeft:
    case DragHandle::kBottomRight:
      return Qt::SizeFDiagCursor;
    case DragHandle::kTopRight:
    case DragHandle::kBottomLeft:
      return Qt::SizeBDiagCursor;
    case DragHandle::kNone:
      break;
  }
  return Qt::CrossCursor;
}

PaletteValues DraggedValues(const PaletteValues& start, DragHandle handle,
                            int dx, int dy, const EdgeLimits& limits) {
  PaletteValues values = start;
  if (handle == DragHandle::kMove) {
    const int x = ClampedShift(start.left, start.right, dx, limits.right);
    const int y = ClampedShift(start.top, start.bottom, dy, limits.bottom);
    values.left += x;
    values.right += x;
    values.top += y;
    values.bottom += y;
    return values;
  }
  if (Grabs(handle, DragHandle::kLeft))
    values.left = std::clamp(start.left + dx, 0, std::max(start.right, 0));
  if (Grabs(handle, DragHandle::kRight))
    values.right = std::clamp(start.right + dx,
                              std::min(start.left, limits.right), limits.right);
  if (Grabs(handle, DragHandle::kTop))
    values.top = std::clamp(start.top + dy, 0, std::max(start.bottom, 0));
  // The bottom's limit may lie above the top (a window moved far down by
  // PalDY): the bottom then stays at the top instead of passing it.
  if (Grabs(handle, DragHandle::kBottom))
    values.bottom = std::clamp(start.bottom + dy, start.top,
                               std::max(limits.bottom, start.top));
  return values;
}

}  // namespace orlindel::editor
