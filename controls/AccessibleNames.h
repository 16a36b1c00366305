#pragma once
// What a screen reader says for the controls of a window: each window keeps a table of
// its controls' names next to its control table.

#include <span>

class QWidget;

namespace velkor {

struct ControlName {
  int id;             // the control's template id
  const char* label;  // the words the window shows beside it, as it shows them (UTF-8)
};

// Names every control of the table after its label, spelt right, and ties the label
// that shows those words (the first one not yet tied) to it, so that a screen reader
// reads the two together. Controls the window does not have are passed over.
void nameControls(QWidget& window, std::span<const ControlName> names);

}  // namespace velkor
