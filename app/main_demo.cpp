// velkor-usb-control-demo: the application on three virtual converters, printing every
// report they take and every reply they send on standard error.

#include <cstdio>

#include "CCorvaneApp.h"
#include "virtual/Clock.h"
#include "virtual/DemoConverters.h"
#include "virtual/VirtualTransport.h"

int main(int argc, char** argv) {
  velkor::CCorvaneApp app(argc, argv);
  velkor::SteadyClock clock;
  velkor::VirtualTransport transport(clock);
  velkor::addDemoConverters(transport);
  transport.setTrace(velkor::hexTrace(stderr));
  return app.run(transport);
}
