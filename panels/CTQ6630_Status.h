#pragma once

#include "StatusPage.h"

namespace velkor {

// The TQ6630 status page: name, firmware and what the converter reports, in words.
class CTQ6630_Status final : public StatusPage {
  Q_OBJECT

 public:
  CTQ6630_Status();
};

}  // namespace velkor
