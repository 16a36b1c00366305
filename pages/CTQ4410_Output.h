#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ4410 output page: output format, HDMI colour space, analogue output type.
class CTQ4410_Output final : public PageFrame {
  Q_OBJECT

 public:
  CTQ4410_Output();

 protected:
  void initialise() override;
};

}  // namespace velkor
