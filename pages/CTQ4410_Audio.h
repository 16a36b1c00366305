#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ4410 audio page: de-embedded channel pair and HDMI embedding source.
class CTQ4410_Audio final : public PageFrame {
  Q_OBJECT

 public:
  CTQ4410_Audio();
};

}  // namespace velkor
