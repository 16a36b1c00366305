#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ6630 output page: output format, SDI output source, audio source.
class CTQ6630_Output final : public PageFrame {
  Q_OBJECT

 public:
  CTQ6630_Output();
};

}  // namespace velkor
