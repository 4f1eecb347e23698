#include "editor/palette_spin_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace orlindel::editor {

PaletteSpinEdit::PaletteSpinEdit(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent) {
  setRange(minimum, maximum);
  last_text_ = lineEdit()->text();
  // Typing changes the line edit's text even when the clamped value stays;
  // setting a value changes the text through valueChanged.
  connect(lineEdit(), &QLineEdit::textChanged, this,
          &PaletteSpinEdit::CheckTextChange);
  connect(this, &QSpinBox::valueChanged, this,
          &PaletteSpinEdit::CheckTextChange);
}

int PaletteSpinEdit::TextValue() const {
  return valueFromText(lineEdit()->text());
}

void PaletteSpinEdit::SetValue(int value) {
  setting_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{setting_};
  setValue(value);  // QSpinBox clamps to the range
  // Setting the value it already holds may still replace a typed text.
  CheckTextChange();
}

QValidator::State PaletteSpinEdit::validate(QString& input, int&) const {
  static const QRegularExpression kDecimal("^-?[0-9]{0,6}$");
  return kDecimal.match(input).hasMatch() ? QValidator::Acceptable
                                          : QValidator::Invalid;
}

int PaletteSpinEdit::valueFromText(const QString& text) const {
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? value : minimum();
}

void PaletteSpinEdit::focusOutEvent(QFocusEvent* event) {
  QSpinBox::focusOutEvent(event);  // clamps the text to the range
  SettleText();
}

void PaletteSpinEdit::keyPressEvent(QKeyEvent* event) {
  QSpinBox::keyPressEvent(event);
  // Enter clamps the text like the loss of focus.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    SettleText();
  else
    CheckTextChange();
}

void PaletteSpinEdit::stepBy(int steps) {
  QSpinBox::stepBy(steps);
  CheckTextChange();
}

bool PaletteSpinEdit::CheckTextChange() {
  const QString text = lineEdit()->text();
  if (text == last_text_) return false;
  last_text_ = text;
  if (!setting_) {
    const int typed = TextValue();
    clamp_pending_ = typed < minimum() || typed > maximum();
  }
  emit Changed();
  return true;
}

void PaletteSpinEdit::SettleText() {
  // A refill may already have clamped the text without a change of its own;
  // the clamped value is stored all the same.
  if (!CheckTextChange() && clamp_pending_) emit Changed();
  clamp_pending_ = false;
}

}  // namespace orlindel::editor
