// The subtitle parameters page: reads the parameters the firmware sends to
// SetMpeg4SubtitleParams, shows them in the page's controls and in meLog, and
// writes the user's area, alignment and character range back with "APPLY".
// The page keeps no copy of the parameters: the image is read on every
// refresh.
#include <QCheckBox>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include "core/checks.h"
#include "core/subtitle/subtitle_analysis.h"
#include "editor/control_updates.h"
#include "editor/main_window.h"

namespace orlindel::editor {

namespace {

constexpr uint8_t kFlagBottom = 0x01;
constexpr uint8_t kFlagAllChars = 0x08;
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
             (p.flags & kFlagBottom) != 0 ? "Bottom" : "Top"),
      Format("\tLine Space = 0x%.2X = %d", unsigned{p.line_space},
             p.line_space),
      std::string("\tAll 256 chars = ") +
          ((p.flags & kFlagAllChars) != 0 ? "ON" : "OFF"),
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

void TfrmMain::AppendLogLine(const QString& line) {
  meLog->appendPlainText(line);
}

void TfrmMain::AppendLogMessage(const QString& message) {
  AppendLogLine(message);
  SetChecked(*cbViewLog, true, [this] { cbViewLogClick(); });
}

bool TfrmMain::RunSubtitleAnalysis(
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

int TfrmMain::PaletteWidth() const {
  return frmWB_ != nullptr ? frmWB_->seWidth()->value() : 0;
}

int TfrmMain::PaletteHeight() const {
  return frmWB_ != nullptr ? frmWB_->seHeight()->value() : 0;
}

void TfrmMain::RefreshSubtitlePage() {
  meLog->clear();
  btnApply->setEnabled(false);
  if (state_.image.empty()) return;

  Mpeg4SubtitleParams params;
  const bool found = RunSubtitleAnalysis([&](AnalysisLog* log) {
    return ReadSubtitleParams(state_.image, params, log);
  });
  if (!found) {
    AppendLogMessage("Mpeg4SubtitleParams NOT found!");
    return;
  }
  AppendLogLine(JoinLines(SummaryLines(params)));

  if (params.window_id > tbID->maximum()) {
    AppendLogLine("");
    AppendLogMessage("WRONG WINDOW ID! USE DISASSEMBLER TO VERIFY!");
  } else {
    SetChecked(*cbViewLog, cbDebug->isChecked(), [this] { cbViewLogClick(); });
    // Window 0 means the firmware leaves the choice to the user.
    if (params.window_id != 0) SetWindowSelector(*tbID, params.window_id);
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
    case 0:
      rbLeft->setChecked(true);
      break;
    case 1:
      rbCenter->setChecked(true);
      break;
    case 2:
      rbRight->setChecked(true);
      break;
    default:  // no button stands for 3
      break;
  }
  ((params.flags & kFlagBottom) != 0 ? rbBottom : rbTop)->setChecked(true);

  SetAreaLimit(*seLeft, PaletteWidth());
  SetAreaLimit(*seRight, PaletteWidth());
  SetAreaLimit(*seTop, PaletteHeight());
  SetAreaLimit(*seBottom, PaletteHeight());
  const auto refresh = [this] { tbIDChange(); };
  SetSpinValue(*seLeft, params.x1, refresh);
  SetSpinValue(*seRight, params.x2, refresh);
  SetSpinValue(*seTop, params.y1, refresh);
  SetSpinValue(*seBottom, params.y2, refresh);
  cbFullAscii->setChecked((params.flags & kFlagAllChars) != 0);
  tbIDChange();
}

void TfrmMain::cbViewLogClick() { meLog->setVisible(cbViewLog->isChecked()); }

void TfrmMain::cbDebugClick() {
  SetChecked(*cbViewLog, cbDebug->isChecked(), [this] { cbViewLogClick(); });
  PaintPendingChanges();
  RefreshSubtitlePage();
}

void TfrmMain::btnSetMaxClick() {
  const auto refresh = [this] { tbIDChange(); };
  SetSpinValue(*seLeft, 0, refresh);
  SetSpinValue(*seRight, PaletteWidth(), refresh);
  SetSpinValue(*seTop, 0, refresh);
  SetSpinValue(*seBottom, PaletteHeight(), refresh);
}

void TfrmMain::btnApplyClick() {
  meLog->clear();
  Mpeg4SubtitleParams params;
  params.window_id = NarrowTo<uint8_t>(tbID->value());
  params.x1 = NarrowTo<uint16_t>(seLeft->value());
  params.y1 = NarrowTo<uint16_t>(seTop->value());
  params.x2 = NarrowTo<uint16_t>(seRight->value());
  params.y2 = NarrowTo<uint16_t>(seBottom->value());
  params.align = rbLeft->isChecked()     ? 0
                 : rbCenter->isChecked() ? 1
                 : rbRight->isChecked()  ? 2
                                         : 1;
  params.flags =
      static_cast<uint8_t>((rbBottom->isChecked() ? kFlagBottom : 0) |
                           (cbFullAscii->isChecked() ? kFlagAllChars : 0));
  params.line_space = 0;

  if (cbDebug->isChecked()) {
    SetChecked(*cbViewLog, true, [this] { cbViewLogClick(); });
    PaintPendingChanges();
  }
  bool updated = false;
  // The checksum is fixed before anything else can fail, so the image never
  // keeps new parameters under an old checksum. The update's writes lie
  // somewhere in the routine: the whole image is compared for the history.
  RecordImageEdit("APPLY subtitle parameters", {{0, std::ssize(state_.image)}},
                  [&] {
                    updated = RunSubtitleAnalysis([&](AnalysisLog* log) {
                      return UpdateSubtitleParams(state_.image, params, log);
                    });
                    FixImageChecksum(state_.image);
                  });
  if (updated) {
    RefreshSubtitlePage();
  } else {
    SetChecked(*cbViewLog, true, [this] { cbViewLogClick(); });
    AppendLogLine("Failed to update Mpeg4 Subtitle Params!");
  }
}

}  // namespace orlindel::editor
