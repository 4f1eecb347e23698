// The preview on the main window: shows the drawn picture and turns the
// mouse and the arrow keys into requests of whoever edits through it.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "editor/user_dialogs.h"

namespace orlindel::editor {

// Where the preview's mouse and keys go. Coordinates are the picture's (TV)
// pixels whatever the zoom.
class PreviewInput {
 public:
  virtual ~PreviewInput() = default;
  // The left button went down over the picture.
  virtual void PreviewPressed(int px, int py) = 0;
  // The mouse moved, over the picture or (during a drag) outside it;
  // returns the cursor to show, or none to keep the preview's own.
  virtual std::optional<Qt::CursorShape> PreviewMoved(int px, int py,
                                                      bool over_picture) = 0;
  virtual void PreviewReleased() = 0;
  // An arrow key with its modifiers while the preview has the keyboard;
  // false when it was not used.
  virtual bool PreviewArrowKey(int key, Qt::KeyboardModifiers modifiers) = 0;
};

class PreviewWidget : public QWidget {
  Q_OBJECT

 public:
  PreviewWidget(UserDialogs& dialogs, QWidget* parent);

  // Who edits through the preview; may stay unset.
  void SetInput(PreviewInput* input) { input_ = input; }
  // Called on every mouse move with the picture's pixel under the mouse, or
  // with none while a drag holds the mouse outside the picture.
  void SetHoverHandler(std::function<void(std::optional<QPoint>)> handler) {
    hover_ = std::move(handler);
  }

  const QImage& Bitmap() const { return bitmap_; }
  QImage& Bitmap() { return bitmap_; }
  // Shows `bitmap` at once; the widget takes its size.
  void Show(QImage bitmap);
  // Paints the whole picture in `colour` at once (before a shorter one).
  void Wipe(const QColor& colour);

  // Shows the picture at `percent` of its size (100, 75 or 50); the mouse
  // still reports picture pixels.
  void SetZoom(int percent);
  int Zoom() const { return zoom_percent_; }
  // `length` picture pixels at the zoom shown, in widget pixels.
  int ZoomedLength(int length) const {
    return ZoomedLength(length, zoom_percent_);
  }
  // The same at zoom `percent`.
  static int ZoomedLength(int length, int percent) {
    return length * percent / 100;
  }
  // The picture pixel under widget point `point`.
  QPoint ToPicture(QPoint point) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  UserDialogs& dialogs_;
  PreviewInput* input_ = nullptr;
  std::function<void(std::optional<QPoint>)> hover_;
  QImage bitmap_;
  int zoom_percent_ = 100;
};

}  // namespace orlindel::editor
