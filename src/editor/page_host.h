// What a page of the main window may ask of the rest of the editor: the
// document, the dialogs, the refresh, and the selected window. A page talks
// to other pages only through this.
#pragma once

#include <QSize>

class QWidget;

namespace orlindel::editor {

class EditorDocument;
class UserDialogs;

class PageHost {
 public:
  virtual ~PageHost() = default;

  virtual EditorDocument& Editor() = 0;
  virtual UserDialogs& Dialogs() = 0;

  // The refresh: redraws the preview for the selected windows, or an empty
  // preview while no window list is known.
  virtual void Refresh() = 0;
  // Redraws the preview for the selected window alone, without the second.
  virtual void RefreshSelectedOnly() = 0;
  // True when `page` is the page the user sees.
  virtual bool IsCurrentPage(const QWidget* page) const = 0;

  // The selected window (tbID) and the highest one it may select.
  virtual int SelectedWindow() const = 0;
  virtual int MaxSelectableWindow() const = 0;
  // Selects window `index` as from code: a changed selection runs the
  // refresh. True when the selection changed.
  virtual bool SelectWindow(int index) = 0;
  // The lines of the picture the preview shows: TvLines of the TV standard.
  virtual int PictureLines() const = 0;
  // The width and height the palette shows for the selected window (0 x 0
  // without a palette).
  virtual QSize SelectedWindowSize() const = 0;
};

}  // namespace orlindel::editor
