// velkor-usb-control-demo: the application on three virtual converters, printing every
// report they take and every reply they send on standard error.

#include <cstdio>
#include <iostream>

#include "CCorvaneApp.h"
#include "InfoOptions.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

int main(int argc, char** argv) {
  const velkor::ProgramInfo program{"velkor-usb-control-demo",
                                    "The Velkor USB Control panel on three virtual converters (two TQ4410, one "
                                    "TQ6630),\nprinting every report they take and every reply they send on "
                                    "standard error."};
  if (const auto exitCode = velkor::answerInfoOptions(argc, argv, program, std::cout)) return *exitCode;
  velkor::CCorvaneApp app(argc, argv);
  velkor::SteadyClock clock;
  velkor::VirtualTransport transport(clock);
  velkor::addDemoConverters(transport);
  transport.setTrace(velkor::hexTrace(stderr));
  return app.run(transport);
}
