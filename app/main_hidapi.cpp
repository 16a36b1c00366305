// velkor-usb-control: the application on real converters.

#include "CCorvaneApp.h"
#include "HidapiTransport.h"

int main(int argc, char** argv) {
  velkor::CCorvaneApp app(argc, argv);
  velkor::HidapiTransport transport;
  return app.run(transport);
}
