// The editor's controls as the pages build them: fixed geometry in page (or
// client) pixels, the objectName set, one call per control.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "editor/guarded_slot.h"
#include "editor/user_dialogs.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace orlindel::editor {

inline constexpr int kComboHeight = 21;
inline constexpr int kEditHeight = 21;
inline constexpr int kCheckBoxHeight = 17;

template <typename T>
T* Make(QWidget* parent, const char* name) {
  auto* control = new T(parent);
  control->setObjectName(name);
  return control;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption,
                  int left, int top);
QComboBox* MakeComboBox(QWidget* parent, const char* name,
                        const QStringList& items, int left, int top, int width);
// A width below 0 takes the box's natural width.
QCheckBox* MakeCheckBox(QWidget* parent, const char* name,
                        const QString& caption, int left, int top,
                        int width = -1, int height = kCheckBoxHeight);
QSlider* MakeTrackBar(QWidget* parent, const char* name, int left, int top,
                      int width, int height);
QSpinBox* MakeSpinEdit(QWidget* parent, const char* name, int left, int top,
                       int width, int height, int maximum);
QGroupBox* MakeGroupBox(QWidget* parent, const char* name,
                        const QString& caption, int left, int top, int width,
                        int height);
// A read-only, grey text field with its caption on its left.
QLineEdit* MakeLabeledEdit(QWidget* parent, const char* name,
                           const QString& caption, int left, int top,
                           int width);

// A push button, or another kind of captioned button (a radio button).
template <typename Button = QPushButton>
Button* MakeButton(QWidget* parent, const char* name, const QString& caption,
                   int left, int top, int width, int height) {
  auto* button = Make<Button>(parent, name);
  button->setText(caption);
  button->setGeometry(left, top, width, height);
  return button;
}

}  // namespace orlindel::editor
