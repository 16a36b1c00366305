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
// even when nothing moved. Keys and the wheel move the slider but commit nothing.
// Lives as long as its slider.
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

  QSlider* slider_;
  QLineEdit* field_;
  SettingByte setting_;
};

}  // namespace velkor
