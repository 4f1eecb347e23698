#include "editor/subtitle_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>

#include "core/checks.h"
#include "core/text.h"
#include "core/tv_geometry.h"
#include "editor/control_factory.h"
#include "editor/control_updates.h"
#include "editor/editor_document.h"
#include "editor/flag_scope.h"

namespace orlindel::editor {

namespace {

// The largest coordinate the parameter record holds.
constexpr int kLargestCoordinate = 0xFFFF;

// What the page reports about a record it read.
AnalysisLog SummaryLines(const Mpeg4SubtitleParams& p) {
  return {
      "",
      "Mpeg4SubtitleParams found:",
      "",
      Format("\tWindow ID  = 0x%.2X", unsigned{p.window_id}),
      Format("\t(X1; Y1)   = (%3d; %3d)", p.x1, p.y1),
      Format("\t(X2; Y2)   = (%3d; %3d)", p.x2, p.y2),
      Format("\tH. Align   = 0x%.2X = %s", unsigned{p.align},
             SubtitleAlignName(p.align)),
      Format("\tV. Align   = 0x%.2X = %s", unsigned{p.flags},
             (p.flags & kSubtitleFlagBottom) != 0 ? "Bottom" : "Top"),
      Format("\tLine Space = 0x%.2X = %d", unsigned{p.line_space},
             p.line_space),
      std::string("\tAll 256 chars = ") +
          ((p.flags & kSubtitleFlagAllChars) != 0 ? "ON" : "OFF"),
  };
}

QString JoinLines(const AnalysisLog& lines) {
  QStringList joined;
  joined.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) joined << QString::fromStdString(line);
  return joined.join('\n');
}

// Sets the upper limit of one of the area's spin edits, keeping its value
// inside without a change event (the refresh that follows redraws). A limit
// equal to the minimum sets no limit, so a window that is 0 pixels wide or
// high does not pin its area to 0; the record's 16-bit fields bound it then.
void SetAreaLimit(QSpinBox& edit, int maximum) {
  const QSignalBlocker blocker(&edit);
  edit.setMaximum(maximum == edit.minimum() ? kLargestCoordinate : maximum);
}

// Paints what is pending (the memo just shown) before a long analysis.
// User input waits, so no other handler starts inside this one.
void PaintPendingChanges() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

SubtitlePage::SubtitlePage(PageHost& host, QTabWidget& tabs,
                           QWidget& main_window, QPoint log_origin)
    : QObject(&main_window), host_(host) {
  setObjectName("SubtitlePage");
  tsMpeg4Sub = Make<QWidget>(nullptr, "tsMpeg4Sub");
  // "&&" is the tab bar's escape for one visible ampersand.
  tabs.addTab(tsMpeg4Sub,
              "Mpeg4 Subtitle Parameters && Subtitle Area in Subtitle "
              "Window");
  gbHAlign =
      MakeGroupBox(tsMpeg4Sub, "gbHAlign", "Horizontal Align", 0, 0, 153, 38);
  rbLeft = MakeButton<QRadioButton>(gbHAlign, "rbLeft", "Left", 4, 15, 43, 17);
  rbCenter =
      MakeButton<QRadioButton>(gbHAlign, "rbCenter", "Center", 49, 15, 57, 17);
  rbRight =
      MakeButton<QRadioButton>(gbHAlign, "rbRight", "Right", 104, 15, 47, 17);
  gbVAlign =
      MakeGroupBox(tsMpeg4Sub, "gbVAlign", "Vertical Align", 156, 0, 77, 57);
  rbTop = MakeButton<QRadioButton>(gbVAlign, "rbTop", "Top", 4, 15, 60, 17);
  rbBottom =
      MakeButton<QRadioButton>(gbVAlign, "rbBottom", "Bottom", 4, 35, 60, 17);
  gbCoords =
      MakeGroupBox(tsMpeg4Sub, "gbCoords",
                   "Subtitle Area Inside Selected Window", 236, 0, 344, 57);
  Label5 = MakeLabel(gbCoords, "Label5", "Left:", 8, 15);
  seLeft = MakeSpinEdit(gbCoords, "seLeft", 7, 29, 62, 22, kTvWidth);
  Label3 = MakeLabel(gbCoords, "Label3", "Right:", 73, 15);
  seRight = MakeSpinEdit(gbCoords, "seRight", 72, 29, 62, 22, kTvWidth);
  Label6 = MakeLabel(gbCoords, "Label6", "Top:", 138, 15);
  seTop = MakeSpinEdit(gbCoords, "seTop", 137, 29, 62, 22, kPalLines);
  Label4 = MakeLabel(gbCoords, "Label4", "Bottom:", 203, 15);
  seBottom = MakeSpinEdit(gbCoords, "seBottom", 202, 29, 62, 22, kPalLines);
  btnSetMax = MakeButton(gbCoords, "btnSetMax", "Set to max", 271, 12, 66, 39);
  btnApply = MakeButton(tsMpeg4Sub, "btnApply", "APPLY", 583, 5, 66, 50);
  QFont bold = btnApply->font();
  bold.setBold(true);
  btnApply->setFont(bold);
  btnApply->setEnabled(false);
  cbDebug = MakeCheckBox(tsMpeg4Sub, "cbDebug", "Debug", 657, 4, 70, 17);
  cbViewLog =
      MakeCheckBox(tsMpeg4Sub, "cbViewLog", "View Log", 657, 40, 70, 17);
  cbFullAscii = MakeCheckBox(tsMpeg4Sub, "cbFullAscii", "Display all 256 chars",
                             10, 41, 131, 17);
  cbFullAscii->setToolTip(
      "If unchecked then only #20..#128 chars will be displayed in some "
      "firmwares");
  cbFullAscii->setChecked(true);

  // meLog covers the preview: as wide as the TV picture.
  meLog = Make<QPlainTextEdit>(&main_window, "meLog");
  meLog->setGeometry(log_origin.x(), log_origin.y(), kTvWidth, kPalLines);
  meLog->setReadOnly(true);
  meLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  meLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  meLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont log_font("Courier New");
  log_font.setStyleHint(QFont::TypeWriter);
  log_font.setPixelSize(12);
  meLog->setFont(log_font);
  meLog->hide();

  UserDialogs& dialogs = host_.Dialogs();
  for (QSpinBox* edit : {seLeft, seTop, seRight, seBottom})
    ConnectGuarded(dialogs, edit, &QSpinBox::valueChanged, this,
                   [this] { host_.Refresh(); });
  ConnectGuarded(dialogs, btnSetMax, &QPushButton::clicked, this,
                 &SubtitlePage::btnSetMaxClick);
  ConnectGuarded(dialogs, btnApply, &QPushButton::clicked, this,
                 &SubtitlePage::btnApplyClick);
  ConnectGuarded(dialogs, cbDebug, &QCheckBox::toggled, this,
                 &SubtitlePage::cbDebugClick);
  ConnectGuarded(dialogs, cbViewLog, &QCheckBox::toggled, this,
                 &SubtitlePage::cbViewLogClick);
}

void SubtitlePage::ShowLog(bool page_shown) {
  meLog->setVisible(page_shown && cbViewLog->isChecked());
}

void SubtitlePage::FitLog(int height) { meLog->resize(kTvWidth, height); }

void SubtitlePage::ContributeTo(render::PreviewRequest& request) const {
  request.subtitle_frame =
      host_.IsCurrentPage(tsMpeg4Sub) && btnApply->isEnabled();
  request.subtitle_area = Rect{seLeft->value(), seTop->value(),
                               seRight->value(), seBottom->value()};
}

void SubtitlePage::AppendLogLine(const QString& line) {
  meLog->appendPlainText(line);
}

void SubtitlePage::AppendLogMessage(const QString& message) {
  AppendLogLine(message);
  SetChecked(*cbViewLog, true, [this] { cbViewLogClick(); });
}

bool SubtitlePage::RunSubtitleAnalysis(
    const std::function<bool(AnalysisLog*)>& analysis) {
  AnalysisLog log;
  AnalysisLog* const debug_log = cbDebug->isChecked() ? &log : nullptr;
  bool result = false;
  try {
    result = analysis(debug_log);
  } catch (...) {
    if (!log.empty()) AppendLogLine(JoinLines(log));
    throw;
  }
  if (!log.empty()) AppendLogLine(JoinLines(log));
  return result;
}

int SubtitlePage::PaletteWidth() const {
  return host_.SelectedWindowSize().width();
}

int SubtitlePage::PaletteHeight() const {
  return host_.SelectedWindowSize().height();
}

void SubtitlePage::RefreshSubtitlePage() {
  meLog->clear();
  btnApply->setEnabled(false);
  if (host_.Editor().Document().image().empty()) return;

  Mpeg4SubtitleParams params;
  const bool found = RunSubtitleAnalysis([&](AnalysisLog* log) {
    const FirmwareDocument& document = host_.Editor().Document();
    return ReadSubtitleParams(document.trace_model(), document.image(), params,
                              log);
  });
  if (!found) {
    AppendLogMessage("Mpeg4SubtitleParams NOT found!");
    return;
  }
  AppendLogLine(JoinLines(SummaryLines(params)));

  if (params.window_id > host_.MaxSelectableWindow()) {
    AppendLogLine("");
    AppendLogMessage("WRONG WINDOW ID! USE DISASSEMBLER TO VERIFY!");
  } else {
    SetChecked(*cbViewLog, cbDebug->isChecked(), [this] { cbViewLogClick(); });
    // Window 0 means the firmware leaves the choice to the user.
    if (params.window_id != 0) host_.SelectWindow(params.window_id);
  }

  if (!IsValidSubtitleParams(params)) {
    AppendLogLine("");
    AppendLogLine("Invalid Mpeg4 Subtitle Parameters!");
    return;
  }
  btnApply->setEnabled(true);
  if (params.window_id == 0) {
    AppendLogLine("");
    AppendLogMessage(
        "WARNING: Can't find Subtitle Window - Select it manually!");
  }

  switch (params.align & 3) {
    case kSubtitleAlignLeft:
      rbLeft->setChecked(true);
      break;
    case kSubtitleAlignCenter:
      rbCenter->setChecked(true);
      break;
    case kSubtitleAlignRight:
      rbRight->setChecked(true);
      break;
    default:  // no button stands for 3
      break;
  }
  ((params.flags & kSubtitleFlagBottom) != 0 ? rbBottom : rbTop)
      ->setChecked(true);

  SetAreaLimit(*seLeft, PaletteWidth());
  SetAreaLimit(*seRight, PaletteWidth());
  SetAreaLimit(*seTop, PaletteHeight());
  SetAreaLimit(*seBottom, PaletteHeight());
  const auto refresh = [this] { host_.Refresh(); };
  SetSpinValue(*seLeft, params.x1, refresh);
  SetSpinValue(*seRight, params.x2, refresh);
  SetSpinValue(*seTop, params.y1, refresh);
  SetSpinValue(*seBottom, params.y2, refresh);
  cbFullAscii->setChecked((params.flags & kSubtitleFlagAllChars) != 0);
  host_.Refresh();
}

void SubtitlePage::DocumentChanged() {
  if (!applying_ && host_.IsCurrentPage(tsMpeg4Sub)) RefreshSubtitlePage();
}

void SubtitlePage::cbViewLogClick() {
  meLog->setVisible(cbViewLog->isChecked());
}

void SubtitlePage::cbDebugClick() {
  SetChecked(*cbViewLog, cbDebug->isChecked(), [this] { cbViewLogClick(); });
  PaintPendingChanges();
  RefreshSubtitlePage();
}

void SubtitlePage::btnSetMaxClick() {
  const auto refresh = [this] { host_.Refresh(); };
  SetSpinValue(*seLeft, 0, refresh);
  SetSpinValue(*seRight, PaletteWidth(), refresh);
  SetSpinValue(*seTop, 0, refresh);
  SetSpinValue(*seBottom, PaletteHeight(), refresh);
}

void SubtitlePage::btnApplyClick() {
  meLog->clear();
  Mpeg4SubtitleParams params;
  params.window_id = NarrowTo<uint8_t>(host_.SelectedWindow());
  params.x1 = NarrowTo<uint16_t>(seLeft->value());
  params.y1 = NarrowTo<uint16_t>(seTop->value());
  params.x2 = NarrowTo<uint16_t>(seRight->value());
  params.y2 = NarrowTo<uint16_t>(seBottom->value());
  params.align = rbLeft->isChecked()     ? kSubtitleAlignLeft
                 : rbCenter->isChecked() ? kSubtitleAlignCenter
                 : rbRight->isChecked()  ? kSubtitleAlignRight
                                         : kSubtitleAlignCenter;
  params.flags = static_cast<uint8_t>(
      (rbBottom->isChecked() ? kSubtitleFlagBottom : 0) |
      (cbFullAscii->isChecked() ? kSubtitleFlagAllChars : 0));
  params.line_space = 0;

  if (cbDebug->isChecked()) {
    SetChecked(*cbViewLog, true, [this] { cbViewLogClick(); });
    PaintPendingChanges();
  }
  // The write's debug log goes to meLog first. The document's change (the
  // write, or the checksum fix of a refused one) redraws the preview but
  // leaves this page to the outcome below: read back after a write, the
  // failure line alone after a refusal, nothing after an error.
  bool updated = false;
  {
    const FlagScope applying(applying_);
    host_.Editor().Perform(
        "APPLY subtitle parameters", [&](FirmwareDocument& document) {
          EditList edits;
          RunSubtitleAnalysis([&](AnalysisLog* log) {
            edits = document.WriteSubtitleParams(params, log, &updated);
            return updated;
          });
          return edits;
        });
  }
  if (updated) {
    RefreshSubtitlePage();
  } else {
    SetChecked(*cbViewLog, true, [this] { cbViewLogClick(); });
    AppendLogLine("Failed to update Mpeg4 Subtitle Params!");
  }
}

}  // namespace orlindel::editor
