// What a press on the preview grabs of the selected window's frame, and the
// window's edges after a drag.
#include "editor/window_drag.h"

#include <gtest/gtest.h>

namespace orlindel::editor {
namespace {

TEST(HandleAtTest, EdgesCornersInsideAndOutside) {
  const Rect frame{100, 50, 249, 129};
  struct Row {
    int x, y;
    DragHandle handle;
  } rows[] = {
      {150, 90, DragHandle::kMove},        {100, 90, DragHandle::kLeft},
      {98, 90, DragHandle::kLeft},         {97, 90, DragHandle::kNone},
      {103, 90, DragHandle::kLeft},        {104, 90, DragHandle::kMove},
      {249, 90, DragHandle::kRight},       {246, 90, DragHandle::kRight},
      {245, 90, DragHandle::kMove},        {251, 90, DragHandle::kRight},
      {252, 90, DragHandle::kNone},        {150, 50, DragHandle::kTop},
      {150, 129, DragHandle::kBottom},     {150, 132, DragHandle::kNone},
      {100, 50, DragHandle::kTopLeft},     {249, 50, DragHandle::kTopRight},
      {100, 129, DragHandle::kBottomLeft}, {249, 129, DragHandle::kBottomRight},
  };
  for (const Row& row : rows)
    EXPECT_EQ(HandleAt(frame, row.x, row.y), row.handle)
        << row.x << ", " << row.y;
}

TEST(DraggedValuesTest, MovesKeepTheSizeInsideTheScreen) {
  const EdgeLimits screen{720, 576};
  const PaletteValues start{40, 40, 189, 119, 48, 0x80};
  EXPECT_EQ(DraggedValues(start, DragHandle::kMove, 30, -20, screen),
            (PaletteValues{70, 20, 219, 99, 48, 0x80}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kMove, -100, -100, screen),
            (PaletteValues{0, 0, 149, 79, 48, 0x80}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kMove, 1000, 1000, screen),
            (PaletteValues{571, 497, 720, 576, 48, 0x80}));
}

TEST(DraggedValuesTest, ResizesMoveOnlyTheGrabbedEdges) {
  const EdgeLimits screen{720, 576};
  const PaletteValues start{40, 40, 189, 119, 0, 0};
  EXPECT_EQ(DraggedValues(start, DragHandle::kLeft, -10, 99, screen),
            (PaletteValues{30, 40, 189, 119, 0, 0}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kBottomRight, 5, 6, screen),
            (PaletteValues{40, 40, 194, 125, 0, 0}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kTopRight, 5, -6, screen),
            (PaletteValues{40, 34, 194, 119, 0, 0}));
  // Never past the opposite edge, never off the screen.
  EXPECT_EQ(DraggedValues(start, DragHandle::kLeft, 500, 0, screen),
            (PaletteValues{189, 40, 189, 119, 0, 0}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kTopLeft, -99, -99, screen),
            (PaletteValues{0, 0, 189, 119, 0, 0}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kBottom, 0, -500, screen),
            (PaletteValues{40, 40, 189, 40, 0, 0}));
  EXPECT_EQ(DraggedValues(start, DragHandle::kRight, 900, 0, screen),
            (PaletteValues{40, 40, 720, 119, 0, 0}));
}

}  // namespace
}  // namespace orlindel::editor
