#pragma once

#include "FunctionPage.h"

namespace velkor {

// The TQ4410 function page: apply mode, settings file, custom slots, defaults.
class CTQ4410_Func final : public FunctionPage {
  Q_OBJECT

 public:
  CTQ4410_Func();
};

}  // namespace velkor
