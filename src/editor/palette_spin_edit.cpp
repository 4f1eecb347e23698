#include "editor/palette_spin_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace orlindel::editor {

PaletteSpinEdit::PaletteSpinEdit(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent) {
  setRange(minimum, maximum);
  // The value is read when the typing is finished, not at every key.
  setKeyboardTracking(false);
  last_text_ = lineEdit()->text();
  // Typing is remembered and stored when it is finished; setting or
  // stepping the value raises its change at once.
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
  connect(this, &QSpinBox::valueChanged, this, [this] {
    if (setting_) CheckTextChange();
  });
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
}

void PaletteSpinEdit::stepBy(int steps) {
  // A step starts from the typed text and ends the typing.
  setting_ = true;
  QSpinBox::stepBy(steps);
  setting_ = false;
  typed_ = false;
  CheckTextChange();
}

bool PaletteSpinEdit::CheckTextChange() {
  const QString text = lineEdit()->text();
  if (text == last_text_) return false;
  last_text_ = text;
  emit Changed();
  return true;
}

void PaletteSpinEdit::SettleText() {
  if (!typed_) {
    CheckTextChange();
    return;
  }
  typed_ = false;
  // A refill may already have clamped the text without a change of its own;
  // the finished typing is stored all the same.
  if (!CheckTextChange()) emit Changed();
}

}  // namespace orlindel::editor
