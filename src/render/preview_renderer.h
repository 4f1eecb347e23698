// The preview: a TV-sized picture of the OSD windows drawn from scratch on
// every refresh. RenderPreview is a pure function of the editing state; the
// editor applies its result (bitmap, palette fill, rectangles, status
// panels), and anything else that needs the same picture can draw it
// offscreen.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

#include "core/firmware_image.h"
#include "core/osd_pos_list.h"
#include "core/window_geometry.h"

class QPainter;

namespace orlindel::render {

struct PreviewRequest {
  ImageView image;                         // the FirmwareImage
  std::optional<int64_t> window_list_pos;  // WindowListPos (nullopt: none)
  int max_window_index = 4;                // MaxWindowIndex
  int tv_index = 0;                        // cmbTV: 0 PAL, 1 NTSC (TvLines)
  int background_mode = 1;  // cmbBackgrY: 0 Top, 1 Center, 2 "Strech"
  const QImage* background = nullptr;  // BackgroundPicture (null: none)
  bool safe_title = false, safe_action = false;
  int rects_mode = 1;  // cmbRects: 0 NTSC, 1 PAL, 2 NTSC+PAL
  int primary = -1;
  bool draw_second = false;
  int second = -1;
  bool mark_osd_position = false;  // OsdPosCount != 0 and tsWinPos active
  std::optional<OsdPosEntry> current_osd_entry;  // CurrentOsdPosEntry
  bool subtitle_frame = false;  // tsMpeg4Sub active and btnApply enabled
  Rect subtitle_area;           // the subtitle page's Left/Top/Right/Bottom
  Rect ntsc_rect, pal_rect;     // current NtscRect/PalRect (kept when skipped)
  QString status3, status7;     // current panel texts (kept when skipped)
};

struct PreviewResult {
  QImage bitmap;  // QImage::Format_RGB888, kTvWidth x TvLines
  bool palette_enabled = false;            // the palette's ten editing controls
  std::optional<PaletteValues> palette;    // fill the palette with these
  std::optional<QString> palette_caption;  // "Window: 0x%.2X" when set
  Rect ntsc_rect, pal_rect;
  QString status3, status7;
};

// Draws the whole preview. Throws RangeError when the selected or second
// window's record offset lies at or beyond the image end, and std::bad_alloc
// when memory is short for the bitmap, for the background's copy or, found
// before the drawing starts, for what fonts and painting take besides.
PreviewResult RenderPreview(const PreviewRequest& request);

// Draws `lines` nested one-pixel outlines inward from `rect` with the
// painter's pen: outline k covers exactly the border pixels of
// (left + k, top + k) - (right - k, bottom - k). Nothing for lines <= 0.
void DrawFrame(QPainter& painter, const Rect& rect, int lines);

}  // namespace orlindel::render
