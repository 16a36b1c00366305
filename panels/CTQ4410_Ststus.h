#pragma once

#include "StatusPage.h"

namespace velkor {

// The TQ4410 status page: name, firmware and what the converter reports, in words.
class CTQ4410_Ststus final : public StatusPage {
  Q_OBJECT

 public:
  CTQ4410_Ststus();
};

}  // namespace velkor
