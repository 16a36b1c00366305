#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ6630 overlay page: overlays, their margins, and image flip.
class CTQ6630_Overlay final : public PageFrame {
  Q_OBJECT

 public:
  CTQ6630_Overlay();

 protected:
  void initialise() override;
};

}  // namespace velkor
