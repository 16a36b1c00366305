#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ4410 audio page: the SDI channel pair taken out to the audio outputs, and the
// source embedded into HDMI.
class CTQ4410_Audio final : public PageFrame {
  Q_OBJECT

 public:
  CTQ4410_Audio();

 protected:
  void initialise() override;

 private:
  void setUpGroupBoxes();
  void setUpEmbeddingButtons();
};

}  // namespace velkor
