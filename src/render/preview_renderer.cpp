#include "render/preview_renderer.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>
#include <span>

#include "core/checks.h"
#include "core/text.h"
#include "core/tv_geometry.h"
#include "core/window_list.h"
#include "render/safe_areas.h"

namespace orlindel::render {

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);
constexpr QRgb kCyan = qRgb(0, 255, 255);
constexpr QRgb kYellow = qRgb(255, 255, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr QRgb kBlack = qRgb(0, 0, 0);

// A one-pixel pen.
QPen Pen(QRgb colour, Qt::PenStyle style) {
  return QPen(QBrush(QColor(colour)), 1, style);
}

// cmbRects: which of the window's two positions are drawn.
constexpr int kRectsNtsc = 0;
constexpr int kRectsPal = 1;
constexpr int kRectsBoth = 2;

// cmbBackgrY.
constexpr int kBackgroundTop = 0;
constexpr int kBackgroundCenter = 1;
constexpr int kBackgroundStretch = 2;

// Dash and gap lengths of the one-pixel patterned pens, starting with a dash.
constexpr std::array<int, 2> kDashPattern = {18, 6};
constexpr std::array<int, 4> kDashDotPattern = {9, 6, 3, 6};

std::span<const int> PatternOf(Qt::PenStyle style) {
  switch (style) {
    case Qt::DashLine:
      return kDashPattern;
    case Qt::DashDotLine:
      return kDashDotPattern;
    default:
      return {};
  }
}

// Walks one pen pattern along consecutive lines, so that a pattern runs on
// round the corners of an outline.
class PatternedLine {
 public:
  PatternedLine(QPainter& painter, const QPen& pen, const QBrush& brush)
      : painter_(painter),
        color_(pen.color()),
        pattern_(PatternOf(pen.style())),
        paint_gaps_(brush.style() == Qt::SolidPattern),
        gap_color_(brush.color()),
        bounds_(0, 0, painter.device()->width(), painter.device()->height()) {}

  // The pixels from `from` towards `to`, the start pixel included and the end
  // pixel not: the pixel-exact rule of a line drawn to the next corner.
  // Lines are horizontal or vertical.
  void LineTo(QPoint from, QPoint to) {
    const int dx = to.x() > from.x() ? 1 : (to.x() < from.x() ? -1 : 0);
    const int dy = to.y() > from.y() ? 1 : (to.y() < from.y() ? -1 : 0);
    const int length =
        std::abs(to.x() - from.x()) + std::abs(to.y() - from.y());
    int done = 0;
    while (done < length) {
      int run = length - done;
      bool dash = true;
      if (!pattern_.empty()) {
        run = std::min(run, pattern_[index_] - used_);
        dash = index_ % 2 == 0;
        used_ += run;
        if (used_ == pattern_[index_]) {
          used_ = 0;
          index_ = (index_ + 1) % pattern_.size();
        }
      }
      const QPoint first(from.x() + dx * done, from.y() + dy * done);
      const QPoint last(first.x() + dx * (run - 1), first.y() + dy * (run - 1));
      const QRect span = Span(first, last);
      // Runs off the bitmap still advance the pattern but paint nothing.
      if (span.intersects(bounds_)) {
        if (dash)
          painter_.fillRect(span, color_);
        else if (paint_gaps_)
          painter_.fillRect(span, gap_color_);
      }
      done += run;
    }
  }

 private:
  // The pixels from `a` to `b`, both included, whichever way round they lie.
  static QRect Span(QPoint a, QPoint b) {
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
  }

  QPainter& painter_;
  QColor color_;
  std::span<const int> pattern_;
  bool paint_gaps_;
  QColor gap_color_;
  QRect bounds_;
  size_t index_ = 0;
  int used_ = 0;
};

bool DrawsNtscPosition(int mode) {
  return mode == kRectsNtsc || mode == kRectsBoth;
}
bool DrawsPalPosition(int mode) {
  return mode == kRectsPal || mode == kRectsBoth;
}

// The address space the drawing may need besides its bitmap: the font
// database and the glyphs of the labels, set up on first use, the painter's
// own buffers and, in the render command, the encoded picture.
constexpr size_t kDrawingHeadroom = size_t{32} << 20;

// Throws std::bad_alloc unless kDrawingHeadroom bytes can be had now. Qt's
// font and painting code does not survive a failed allocation; measured
// first, a lack of memory is the caller's memory error instead of a crash.
void CheckDrawingHeadroom() {
  // Held through a volatile pointer, so the test allocation is really made.
  void* volatile room = std::malloc(kDrawingHeadroom);
  if (room == nullptr) throw std::bad_alloc();
  std::free(room);
}

// Qt reports a picture it could not allocate as a null image.
QImage Allocated(QImage image) {
  if (image.isNull()) throw std::bad_alloc();
  return image;
}

// The background as it is drawn: copied, not blended, so any alpha it
// carries is ignored.
QImage OpaqueBackground(const QImage& picture) {
  return Allocated(picture.convertToFormat(QImage::Format_RGB32));
}

void DrawBackground(QPainter& painter, const QImage& opaque, int mode,
                    int height) {
  switch (mode) {
    case kBackgroundTop:
      painter.drawImage(QPoint(0, 0), opaque);
      break;
    case kBackgroundCenter:
      // A picture taller than the screen starts above it and shows its
      // middle; integer division truncates toward zero.
      painter.drawImage(QPoint(0, (height - opaque.height()) / 2), opaque);
      break;
    case kBackgroundStretch:
      painter.drawImage(QRect(0, 0, kTvWidth, height), opaque);
      break;
    default:
      break;
  }
}

// Black text on an opaque box of the brush colour, top-left at (x, y).
void DrawLabel(QPainter& painter, const QString& text, int x, int y) {
  const QFontMetrics metrics(painter.font());
  painter.fillRect(
      QRect(x, y, metrics.horizontalAdvance(text), metrics.height()),
      painter.brush().color());
  const QPen frame_pen = painter.pen();
  painter.setPen(QColor(kBlack));
  painter.drawText(x, y + metrics.ascent(), text);
  painter.setPen(frame_pen);
}

// The marker of an OSD message position inside the window rectangle `base`;
// a width or height of 0 reaches to the window's right or bottom edge.
Rect OsdPositionFrame(const Rect& base, const OsdPosEntry& entry) {
  Rect frame;
  frame.left = base.left + entry.x;
  frame.top = base.top + entry.y;
  frame.right = entry.width != 0 ? frame.left + entry.width : base.right;
  frame.bottom = entry.height != 0 ? frame.top + entry.height : base.bottom;
  return frame;
}

class Renderer {
 public:
  Renderer(const PreviewRequest& request, PreviewResult& result)
      : request_(request), result_(result) {}

  void Run() {
    const int height = TvLines(request_.tv_index);
    result_.bitmap =
        Allocated(QImage(kTvWidth, height, QImage::Format_RGB888));
    // Every large allocation comes before the headroom is measured, so what
    // the headroom stands for is left when the fonts and the painter start.
    const bool background =
        request_.background != nullptr && !request_.background->isNull();
    const QImage opaque =
        background ? OpaqueBackground(*request_.background) : QImage();
    CheckDrawingHeadroom();
    QPainter painter(&result_.bitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    // The label is drawn in two colours only, black on magenta.
    QFont font = painter.font();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.fillRect(0, 0, kTvWidth, height, QColor(kBlack));
    // A clear brush keeps the dash gaps of the safe-area frames transparent.
    painter.setBrush(Qt::NoBrush);

    if (background)
      DrawBackground(painter, opaque, request_.background_mode, height);
    if (request_.safe_title) {
      painter.setPen(Pen(kYellow, Qt::DashLine));
      DrawFrame(painter, SafeTitleArea(height), 1);
    }
    if (request_.safe_action) {
      painter.setPen(Pen(kYellow, Qt::DashLine));
      DrawFrame(painter, SafeActionArea(height), 1);
    }

    if (request_.draw_second && request_.second >= 0)
      DrawWindow(painter, request_.second, false, false);

    result_.palette_enabled = request_.primary >= 0;
    if (request_.primary < 0) {
      result_.status3.clear();
      result_.status7.clear();
      result_.ntsc_rect = Rect{};
      result_.pal_rect = Rect{};
    } else {
      // Drawn after the second window, so it lies on top.
      DrawWindow(painter, request_.primary, true, request_.mark_osd_position);
      result_.palette_caption = QString::fromStdString(
          Format("Window: 0x%.2X", static_cast<unsigned>(request_.primary)));
    }

    if (request_.subtitle_frame) {
      const Rect& base = DrawsPalPosition(request_.rects_mode)
                             ? result_.pal_rect
                             : result_.ntsc_rect;
      const Rect& area = request_.subtitle_area;
      const Rect frame{base.left + area.left, base.top + area.top,
                       base.left + area.right, base.top + area.bottom};
      painter.setPen(Pen(kGreen, Qt::SolidLine));
      DrawFrame(painter, frame, 2);
    }
  }

 private:
  void DrawWindow(QPainter& painter, int index, bool fill_palette,
                  bool mark_osd_position) {
    if (index > request_.max_window_index) return;
    if (!request_.window_list_pos) return;
    const ImageView image = request_.image;
    if (!WindowEntryIsPointer(image, *request_.window_list_pos, index)) return;
    const PaletteValues values = ReadWindowValues(
        image,
        WindowRecordOffset(
            image, {*request_.window_list_pos, request_.max_window_index + 1},
            index, WindowLookup::kEditor),
        RecordBounds::kFieldByField);
    const int left = values.left;
    const int top = values.top;
    const int right = values.right;
    const int bottom = values.bottom;
    const int pal_dy = values.pal_dy;

    if (fill_palette) result_.palette = values;
    result_.ntsc_rect = Rect{left, top, right, bottom};
    result_.pal_rect = Rect{left, top + pal_dy, right, bottom + pal_dy};
    result_.status3 = QString::fromStdString(Format(
        "0x%.2X:  (%d;%d)->(%d;%d) [%dx%d]", static_cast<unsigned>(index), left,
        top, right, bottom, right - left + 1, bottom - top + 1));
    result_.status7 = QString::number(pal_dy);

    const int mode = request_.rects_mode;
    const QString label =
        QString::fromStdString(Format("0x%.2X", static_cast<unsigned>(index)));
    painter.setPen(Pen(kMagenta, Qt::SolidLine));
    if (DrawsNtscPosition(mode)) DrawFrame(painter, result_.ntsc_rect, 4);
    painter.setBrush(QBrush(QColor(kMagenta), Qt::SolidPattern));
    if (DrawsNtscPosition(mode)) DrawLabel(painter, label, left, top);
    if (DrawsPalPosition(mode)) {
      // The magenta brush fills the gaps of the dash-dot line.
      painter.setPen(Pen(kCyan, Qt::DashDotLine));
      DrawFrame(painter, result_.pal_rect, 4);
      if (mode == kRectsPal)
        DrawLabel(painter, label, result_.pal_rect.left, result_.pal_rect.top);
    }

    if (mark_osd_position && request_.current_osd_entry) {
      const Rect& base =
          DrawsPalPosition(mode) ? result_.pal_rect : result_.ntsc_rect;
      painter.setPen(Pen(kGreen, Qt::SolidLine));
      DrawFrame(painter, OsdPositionFrame(base, *request_.current_osd_entry),
                2);
    }
  }

  const PreviewRequest& request_;
  PreviewResult& result_;
};

}  // namespace

void DrawFrame(QPainter& painter, const Rect& rect, int lines) {
  if (painter.pen().style() == Qt::NoPen) return;
  for (int k = 0; k < lines; ++k) {
    // Each outline starts its pen pattern afresh at its top-left corner.
    PatternedLine line(painter, painter.pen(), painter.brush());
    const QPoint top_left(rect.left + k, rect.top + k);
    const QPoint top_right(rect.right - k, rect.top + k);
    const QPoint bottom_right(rect.right - k, rect.bottom - k);
    const QPoint bottom_left(rect.left + k, rect.bottom - k);
    line.LineTo(top_left, top_right);
    line.LineTo(top_right, bottom_right);
    line.LineTo(bottom_right, bottom_left);
    line.LineTo(bottom_left, top_left);
  }
}

PreviewResult RenderPreview(const PreviewRequest& request) {
  PreviewResult result;
  result.ntsc_rect = request.ntsc_rect;
  result.pal_rect = request.pal_rect;
  result.status3 = request.status3;
  result.status7 = request.status7;
  Renderer(request, result).Run();
  return result;
}

}  // namespace orlindel::render
