#pragma once

#include <QObject>

#include "SettingByte.h"
#include "SettingLists.h"

class QLineEdit;
class QSlider;

namespace velkor {

// An overlay margin (0..100 %) set with a slider. The field beside it follows the
// slider whenever the slider is drawn; the value is stored, and in Auto Apply sent,
// once per left-button release delivered to the slider: the end of a drag, or a click
// even when nothing moved. A move by the keyboard commits once as well, when the key is
// let go (or the slider loses the focus first), and so does each turn of the wheel: the
// slider never rests on a value the converter was not sent, and an operator without a
// mouse can set a margin. Lives as long as its slider.
class MarginSlider final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaximum = lists::kMarginMaximum;

  MarginSlider(QSlider* slider, QLineEdit* field, SettingByte setting);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showPosition();
  void commit();
  // The slider handles the event first; true when that moved it.
  bool movedBy(QEvent* event);

  QSlider* slider_;
  QLineEdit* field_;
  SettingByte setting_;
  bool keyMoved_ = false;  // moved by a key not yet let go
};

}  // namespace velkor
