// The floating window-property palette (frmWB): edits the selected window's
// edges, PalDY, blend, width and height; two scroll bars move the window.
#pragma once

#include <QRect>
#include <QWidget>

#include "core/window_geometry.h"
#include "editor/palette_spin_edit.h"

class QScrollBar;

namespace orlindel::editor {

class UserDialogs;

// What the palette needs from the main window.
class PaletteHost {
 public:
  virtual ~PaletteHost() = default;
  virtual void WriteBackWindow() = 0;  // TfrmMain::WriteBackWindow
  // A drag of a scroll bar begins or ends: the writes in between are one
  // edit for undo.
  virtual void BeginDrag() = 0;
  virtual void EndDrag() = 0;
  virtual bool IsWindowsPageActive() const = 0;  // active page is tsWB
  virtual QRect MainFrameGeometry() const = 0;   // main window's outer frame
  // Where the palette's handlers report their errors.
  virtual UserDialogs& Dialogs() = 0;
};

class TfrmWB : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmWB(PaletteHost& host, QWidget* parent = nullptr);

  // True while the palette or the preview's fill changes the controls; every
  // palette handler does nothing while it is set.
  bool Updating = false;

  // Fills the controls in the preview's order with each control clamping,
  // Updating set throughout. The values themselves are kept unclamped.
  void Fill(const PaletteValues& values);
  // The six values as WriteBackWindow stores them: a spin edit's text where
  // it differs from what the last Fill showed (the user changed it), the
  // filled value otherwise, so a stored value beyond the palette's range
  // stays as stored unless the user changes that very field.
  PaletteValues Values() const;
  // Enables or disables the ten editing controls.
  void SetEditingEnabled(bool enabled);
  // Puts the palette against the main window's right border, top-aligned,
  // or over the main window's right part where the screen ends sooner.
  void PlacePalette();

  PaletteSpinEdit* seTop() const { return seTop_; }
  PaletteSpinEdit* seLeft() const { return seLeft_; }
  PaletteSpinEdit* seRight() const { return seRight_; }
  PaletteSpinEdit* sePalDY() const { return sePalDY_; }
  PaletteSpinEdit* seBottom() const { return seBottom_; }
  PaletteSpinEdit* seBlend() const { return seBlend_; }
  PaletteSpinEdit* seWidth() const { return seWidth_; }
  PaletteSpinEdit* seHeight() const { return seHeight_; }
  QScrollBar* sbTop() const { return sbTop_; }
  QScrollBar* sbLeft() const { return sbLeft_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void SpinEditChange();
  void sbTopScroll(int position);
  void sbLeftScroll(int position);
  void seWidthChange();
  void seHeightChange();
  // Moves the window by the distance from `edge`'s value to `position`,
  // stopping `far_edge` at its maximum so the size stays.
  void MoveWindow(int position, PaletteSpinEdit* edge,
                  PaletteSpinEdit* far_edge);
  // Resizes by moving `far_edge` to `near_edge` + `size` - 1.
  void Resize(PaletteSpinEdit* size, PaletteSpinEdit* near_edge,
              PaletteSpinEdit* far_edge);
  // Runs a scroll handler with the position the user gave `bar`, then keeps
  // that position whatever the handler's refill set.
  void ScrollAction(QScrollBar* bar, void (TfrmWB::*handler)(int));

  // The six values as the spin edits' texts read them.
  PaletteValues TextValues() const;

  PaletteHost& host_;
  PaletteValues filled_;  // as the last Fill was given them
  PaletteValues shown_;   // as the last Fill showed them (clamped)
  PaletteSpinEdit* seTop_ = nullptr;
  PaletteSpinEdit* seLeft_ = nullptr;
  PaletteSpinEdit* seRight_ = nullptr;
  PaletteSpinEdit* sePalDY_ = nullptr;
  PaletteSpinEdit* seBottom_ = nullptr;
  PaletteSpinEdit* seBlend_ = nullptr;
  PaletteSpinEdit* seWidth_ = nullptr;
  PaletteSpinEdit* seHeight_ = nullptr;
  QScrollBar* sbTop_ = nullptr;
  QScrollBar* sbLeft_ = nullptr;
};

}  // namespace orlindel::editor
