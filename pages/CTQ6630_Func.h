#pragma once

#include "FunctionPage.h"

namespace velkor {

// The TQ6630 function page: apply mode, settings file, custom slots, defaults.
class CTQ6630_Func final : public FunctionPage {
  Q_OBJECT

 public:
  CTQ6630_Func();
};

}  // namespace velkor
