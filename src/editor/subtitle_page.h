// The subtitle parameters page: reads the parameters the firmware sends to
// SetMpeg4SubtitleParams, shows them in the page's controls and in meLog
// (which lies over the preview), and writes the user's area, alignment and
// character range back with "APPLY". The page keeps no copy of the
// parameters: the image is read on every refresh.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

#include "core/subtitle/subtitle_analysis.h"
#include "editor/page_host.h"
#include "render/preview_renderer.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace orlindel::editor {

class SubtitlePage : public QObject {
  Q_OBJECT

 public:
  // Adds the page to `tabs` and meLog to `main_window`, at `log_origin`.
  SubtitlePage(PageHost& host, QTabWidget& tabs, QWidget& main_window,
               QPoint log_origin);

  QWidget* Page() const { return tsMpeg4Sub; }

  // meLog shows while the page is shown and "View Log" is ticked.
  void ShowLog(bool page_shown);
  // meLog covers a preview of `height` lines.
  void FitLog(int height);
  // The page's part of a drawing: the subtitle area inside the selected
  // window while the page is shown and the parameters may be applied.
  void ContributeTo(render::PreviewRequest& request) const;

  // Reads the parameters from the image and shows them in the page's
  // controls and in meLog.
  void RefreshSubtitlePage();
  // The document changed: the page, when shown, reads the parameters again,
  // unless the change is its own APPLY's, which shows its outcome itself.
  void DocumentChanged();

  void cbViewLogClick();
  void cbDebugClick();
  void btnSetMaxClick();
  void btnApplyClick();

 private:
  // Appends a line to meLog; a message also ticks "View Log", showing it.
  void AppendLogLine(const QString& line);
  void AppendLogMessage(const QString& message);
  // Runs a subtitle analysis; while "Debug" is ticked its log goes to meLog,
  // also the lines written before it ends with an error.
  bool RunSubtitleAnalysis(const std::function<bool(AnalysisLog*)>& analysis);
  // The palette's width and height of the selected window (0 without one).
  int PaletteWidth() const;
  int PaletteHeight() const;

  PageHost& host_;
  QWidget* tsMpeg4Sub = nullptr;
  QGroupBox* gbHAlign = nullptr;
  QRadioButton* rbLeft = nullptr;
  QRadioButton* rbCenter = nullptr;
  QRadioButton* rbRight = nullptr;
  QGroupBox* gbVAlign = nullptr;
  QRadioButton* rbTop = nullptr;
  QRadioButton* rbBottom = nullptr;
  QGroupBox* gbCoords = nullptr;
  QLabel* Label5 = nullptr;
  QSpinBox* seLeft = nullptr;
  QLabel* Label3 = nullptr;
  QSpinBox* seRight = nullptr;
  QLabel* Label6 = nullptr;
  QSpinBox* seTop = nullptr;
  QLabel* Label4 = nullptr;
  QSpinBox* seBottom = nullptr;
  QPushButton* btnSetMax = nullptr;
  QPushButton* btnApply = nullptr;
  QCheckBox* cbDebug = nullptr;
  QCheckBox* cbViewLog = nullptr;
  QCheckBox* cbFullAscii = nullptr;
  QPlainTextEdit* meLog = nullptr;
  bool applying_ = false;  // APPLY writes
};

}  // namespace orlindel::editor
