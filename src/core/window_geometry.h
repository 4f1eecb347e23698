// Plain value types for a window's place on the TV picture, shared by the
// document, the preview drawing and the editor's controls.
#pragma once

namespace orlindel {

// Inclusive pixel rectangle.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// Left <= x <= Right and Top <= y <= Bottom.
inline bool PointInRect(int x, int y, const Rect& rect) {
  return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

// The six values of a window that the user edits: its edges, how far it
// moves down on a PAL picture, and its blend byte.
struct PaletteValues {
  int left = 0, top = 0, right = 0, bottom = 0, pal_dy = 0, blend = 0;
  bool operator==(const PaletteValues&) const = default;
};

}  // namespace orlindel
