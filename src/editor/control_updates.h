// Changes made to controls from code. A track bar, check box or spin edit set
// from code runs its change handler at once when its value actually changes;
// the handler is called directly (with the control's own signal blocked), so
// an error inside it unwinds to the guard of the handler that made the change.
#pragma once

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QSignalBlocker>
#include <QSpinBox>

namespace orlindel::editor {

// Moves `slider` to `position` (clamped to its range); runs `on_change` when
// the position changed, and tells whether it did.
template <typename OnChange>
bool SetSliderPosition(QAbstractSlider& slider, int position,
                       OnChange&& on_change) {
  const int before = slider.value();
  {
    const QSignalBlocker blocker(&slider);
    slider.setValue(position);
  }
  if (slider.value() == before) return false;
  on_change();
  return true;
}

// Sets the maximum of `slider`; runs `on_change` when that moved the position.
// A maximum below the minimum is refused: the slider keeps its range.
template <typename OnChange>
void SetSliderMaximum(QAbstractSlider& slider, int maximum,
                      OnChange&& on_change) {
  if (maximum < slider.minimum()) return;
  const int before = slider.value();
  {
    const QSignalBlocker blocker(&slider);
    slider.setMaximum(maximum);
  }
  if (slider.value() != before) on_change();
}

// Ticks or unticks `box`; runs `on_click` when the state changed.
template <typename OnClick>
void SetChecked(QAbstractButton& box, bool checked, OnClick&& on_click) {
  if (box.isChecked() == checked) return;
  {
    const QSignalBlocker blocker(&box);
    box.setChecked(checked);
  }
  on_click();
}

// Sets a spin edit (clamped to its range); runs `on_change` when its value
// changed.
template <typename OnChange>
void SetSpinValue(QSpinBox& edit, int value, OnChange&& on_change) {
  const int before = edit.value();
  {
    const QSignalBlocker blocker(&edit);
    edit.setValue(value);
  }
  if (edit.value() != before) on_change();
}

}  // namespace orlindel::editor
