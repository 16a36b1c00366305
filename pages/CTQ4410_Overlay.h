#pragma once

#include "PageFrame.h"

namespace velkor {

// The TQ4410 overlay page: overlays on, off or delayed, and their margins.
class CTQ4410_Overlay final : public PageFrame {
  Q_OBJECT

 public:
  CTQ4410_Overlay();

 protected:
  void initialise() override;

 private:
  void bindItemCheckBoxes();
};

}  // namespace velkor
