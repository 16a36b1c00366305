#pragma once

#include "PageFrame.h"

class QComboBox;

namespace velkor {

// The TQ6630 output page: output format, SDI output source, audio source.
class CTQ6630_Output final : public PageFrame {
  Q_OBJECT

 public:
  CTQ6630_Output();

 protected:
  void initialise() override;

 private:
  // The audio list names its first item after the SDI output source; it is rebuilt
  // when the source changes and keeps the audio source's position.
  void showAudioSources();

  QComboBox* audioSourceList_ = nullptr;
};

}  // namespace velkor
