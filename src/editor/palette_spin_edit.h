// The palette's spin edit: a QSpinBox whose text, not its clamped value, is
// what the palette reads.
//
// The palette relies on these rules, which a plain QSpinBox does not follow:
// - reading the value parses the text as a decimal integer; text that is not
//   a number (only the empty text or a lone "-" can be typed) reads as the
//   minimum, 0;
// - a typed number outside the range is read as typed. The validator accepts
//   any decimal number of up to six digits, optionally negative, so typing a
//   number is never refused (six digits reach well past the 16-bit fields,
//   and sums of such numbers cannot overflow); other characters are refused.
//   QSpinBox's own value() stays clamped, the text keeps what was typed;
// - setting a value clamps it to the range first (SetValue);
// - a typed number is one change, raised when the typing is finished: Enter
//   or the loss of focus clamps the text to the range and raises Changed()
//   once (nothing while the keys are typed). Setting a value and stepping
//   (arrow keys, wheel) raise Changed() at once when the text changes. When
//   the preview's refill has clamped the text in the meantime (silently,
//   while the palette was updating), the finished typing still raises
//   Changed().
#pragma once

#include <QSpinBox>
#include <QString>

namespace orlindel::editor {

class PaletteSpinEdit : public QSpinBox {
  Q_OBJECT

 public:
  PaletteSpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

  // The text read as a decimal number, as typed (may lie outside the range);
  // minimum() when the text is not a number.
  int TextValue() const;
  // Sets the value clamped to the range; raises Changed() if the text changes.
  void SetValue(int value);

  QValidator::State validate(QString& input, int& pos) const override;
  int valueFromText(const QString& text) const override;
  void stepBy(int steps) override;

 signals:
  void Changed();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Raises Changed() when the text differs from the last one raised.
  bool CheckTextChange();
  // Focus loss or Enter: the text is clamped; store the typed value.
  void SettleText();

  QString last_text_;
  bool setting_ = false;  // inside SetValue or a step
  bool typed_ = false;    // typing not yet stored
};

}  // namespace orlindel::editor
