#include "editor/control_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QSlider>
#include <QSpinBox>

namespace orlindel::editor {

namespace {

// A labelled edit keeps its label this far to the left of the field.
constexpr int kLabelSpacing = 3;

}  // namespace

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption,
                  int left, int top) {
  auto* label = Make<QLabel>(parent, name);
  label->setText(caption);
  label->adjustSize();
  label->move(left, top);
  return label;
}

QComboBox* MakeComboBox(QWidget* parent, const char* name,
                        const QStringList& items, int left, int top,
                        int width) {
  auto* combo = Make<QComboBox>(parent, name);
  combo->addItems(items);
  combo->setGeometry(left, top, width, kComboHeight);
  return combo;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name,
                        const QString& caption, int left, int top, int width,
                        int height) {
  auto* box = Make<QCheckBox>(parent, name);
  box->setText(caption);
  if (width < 0) width = box->sizeHint().width();
  box->setGeometry(left, top, width, height);
  return box;
}

QSlider* MakeTrackBar(QWidget* parent, const char* name, int left, int top,
                      int width, int height) {
  auto* slider = Make<QSlider>(parent, name);
  slider->setOrientation(Qt::Horizontal);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setMinimum(0);
  slider->setGeometry(left, top, width, height);
  return slider;
}

QSpinBox* MakeSpinEdit(QWidget* parent, const char* name, int left, int top,
                       int width, int height, int maximum) {
  auto* edit = Make<QSpinBox>(parent, name);
  edit->setRange(0, maximum);
  edit->setValue(0);
  edit->setGeometry(left, top, width, height);
  return edit;
}

QGroupBox* MakeGroupBox(QWidget* parent, const char* name,
                        const QString& caption, int left, int top, int width,
                        int height) {
  auto* box = Make<QGroupBox>(parent, name);
  box->setTitle(caption);
  box->setGeometry(left, top, width, height);
  return box;
}

QLineEdit* MakeLabeledEdit(QWidget* parent, const char* name,
                           const QString& caption, int left, int top,
                           int width) {
  auto* edit = Make<QLineEdit>(parent, name);
  edit->setReadOnly(true);
  QPalette grey = edit->palette();
  grey.setColor(QPalette::Base, grey.color(QPalette::Window));
  edit->setPalette(grey);
  edit->setGeometry(left, top, width, kEditHeight);
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString(name) + "Label");
  label->adjustSize();
  label->move(left - kLabelSpacing - label->width(),
              top + (kEditHeight - label->height()) / 2);
  label->setBuddy(edit);
  return edit;
}

}  // namespace orlindel::editor
