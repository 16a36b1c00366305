#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ4410 overlay page: overlays and their margins.
class CTQ4410_Overlay final : public PageFrame {
  Q_OBJECT

 public:
  CTQ4410_Overlay();
};

}  // namespace velkor
