// Every caption fits its control with the editor's font, in the main window
// and in the palette: a control is at least as wide and high as its text and
// decoration need, and a caption sized to its text ends before the control
// to its right begins.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "editor/editor_font.h"
#include "tests/editor/main_window_fixture.h"

namespace orlindel::editor::testing {
namespace {

// The width a control's caption is drawn in, and the width its text takes;
// nullopt for a control without a caption.
std::optional<std::pair<int, int>> CaptionRoom(QWidget& control) {
  const QFontMetrics metrics(control.font());
  QStyle* style = control.style();
  if (auto* combo = qobject_cast<QComboBox*>(&control)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QRect field = style->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    int longest = 0;
    for (int n = 0; n < combo->count(); ++n)
      longest =
          std::max(longest, metrics.horizontalAdvance(combo->itemText(n)));
    return std::pair{field.width(), longest};
  }
  if (qobject_cast<QCheckBox*>(&control) != nullptr ||
      qobject_cast<QRadioButton*>(&control) != nullptr) {
    auto* button = static_cast<QAbstractButton*>(&control);
    QStyleOptionButton option;
    option.initFrom(button);
    const bool radio = qobject_cast<QRadioButton*>(&control) != nullptr;
    const QRect contents = style->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents,
        &option, button);
    return std::pair{control.width() - contents.left(),
                     metrics.horizontalAdvance(button->text())};
  }
  if (auto* button = qobject_cast<QPushButton*>(&control)) {
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin);
    return std::pair{control.width() - margin,
                     metrics.horizontalAdvance(button->text())};
  }
  return std::nullopt;
}

// The captioned controls among `root`'s children whose captions do not fit.
std::string Overflowing(const QWidget& root) {
  std::string found;
  for (QWidget* control : root.findChildren<QWidget*>()) {
    if (control->objectName().isEmpty()) continue;
    const auto room = CaptionRoom(*control);
    if (room && room->second > room->first)
      found += control->objectName().toStdString() + " needs " +
               std::to_string(room->second) + " px, has " +
               std::to_string(room->first) + "; ";
  }
  return found;
}

// Labels, check boxes and radio buttons whose text reaches into a sibling
// to their right.
std::string Touching(const QWidget& root) {
  std::string found;
  for (QWidget* control : root.findChildren<QWidget*>()) {
    int text_right = 0;
    if (auto* label = qobject_cast<QLabel*>(control)) {
      text_right =
          control->x() + label->fontMetrics().horizontalAdvance(label->text());
    } else if (const auto room = CaptionRoom(*control);
               room && qobject_cast<QPushButton*>(control) == nullptr &&
               qobject_cast<QComboBox*>(control) == nullptr) {
      text_right = control->x() + control->width() - room->first + room->second;
    } else {
      continue;
    }
    for (QWidget* other : control->parentWidget()->findChildren<QWidget*>(
             Qt::FindDirectChildrenOnly)) {
      if (other == control || other->x() <= control->x()) continue;
      const bool same_row = other->y() < control->y() + control->height() &&
                            control->y() < other->y() + other->height();
      if (same_row && text_right > other->x())
        found += control->objectName().toStdString() + " / " +
                 other->objectName().toStdString() + "; ";
    }
  }
  return found;
}

TEST_F(MainWindowTest, EditorFontIsSharedByBothWindows) {
  EXPECT_EQ(frmMain.font(), EditorFont());
  EXPECT_EQ(frmWB.font(), EditorFont());
  EXPECT_EQ(QFontInfo(EditorFont()).pixelSize(), 11);
}

// With Tahoma, and with the first fallback where Tahoma is missing.
TEST_F(MainWindowTest, EveryCaptionFitsItsControl) {
  for (const char* family : {"Tahoma", "DejaVu Sans Condensed"}) {
    SCOPED_TRACE(family);
    QFont font(EditorFont());
    font.setFamilies({family});
    if (QFontInfo(font).family() != family) {
      ADD_FAILURE() << family << " is not installed";
      continue;
    }
    frmMain.setFont(font);
    frmWB.setFont(font);
    auto& pages = Control<QTabWidget>("pcMain");
    for (int n = 0; n < pages.count(); ++n) {
      SCOPED_TRACE(pages.widget(n)->objectName().toStdString());
      pages.setCurrentIndex(n);
      EXPECT_EQ(Overflowing(*pages.widget(n)), "");
      EXPECT_EQ(Touching(*pages.widget(n)), "");
    }
    EXPECT_EQ(Overflowing(frmMain.Client()), "");
    EXPECT_EQ(Overflowing(frmWB), "");
    EXPECT_EQ(Touching(frmWB), "");
  }
}

}  // namespace
}  // namespace orlindel::editor::testing
