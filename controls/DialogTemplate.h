#pragma once

#include <Qt>
#include <span>

class QWidget;

namespace velkor {

// A window's dialog template: the table of its controls, in creation order (which is
// also their stacking and tab order). Each window keeps its table in one place and
// builds its controls from it with buildFromTemplate.

enum class ControlKind {
  PushButton,    // QPushButton; image and text buttons take it over (CButtonST)
  StaticText,    // QLabel showing the caption
  Picture,       // QLabel showing skin image `image` at the image's own size
  Frame,         // an empty QWidget that only marks a rectangle
  DropDownList,  // QComboBox, not editable
  EditField,     // QLineEdit
  Slider,        // horizontal QSlider
  RadioButton,   // QRadioButton
  CheckBox,      // QCheckBox
  GroupBox,      // QGroupBox; the skinned group box takes it over (CMyGroupBox)
};

inline constexpr int NoControlId = -1;

struct ControlSpec {
  ControlKind kind;
  int id = NoControlId;       // becomes the objectName, in decimal
  const char* caption = "";   // UTF-8
  int x = 0, y = 0;           // dialog units
  int width = 0, height = 0;  // dialog units; a drop-down list's height includes its list
  bool visible = true;
  Qt::Alignment alignment = Qt::AlignLeft;  // static texts
  bool readOnly = false;                    // edit fields
  int image = 0;                            // pictures: the skin resource number
};

// Creates every control of the table as a child of window, placed and sized from its
// dialog units, with its caption and visibility, in table order.
void buildFromTemplate(QWidget* window, std::span<const ControlSpec> controls);

}  // namespace velkor
