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
// - every change of the text, typed or set, raises Changed() once. When the
//   edit loses the focus (or Enter is pressed) the text is clamped to the
//   range, which raises another Changed(), so a number typed out of range
//   ends up stored clamped. This holds also when the preview's refill has
//   already clamped the text in the meantime (silently, while the palette
//   was updating): the out-of-range typing is remembered until then.
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
  // Raises Changed() when the text differs from the last one seen.
  bool CheckTextChange();
  // Focus loss or Enter: the text is clamped; store the clamped value.
  void SettleText();

  QString last_text_;
  bool setting_ = false;        // inside SetValue
  bool clamp_pending_ = false;  // a typed number lies outside the range
};

}  // namespace orlindel::editor
