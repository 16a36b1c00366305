// velkor-usb-control: the application on real converters.

#include <iostream>

#include "CCorvaneApp.h"
#include "InfoOptions.h"
#include "SystemTransport.h"

int main(int argc, char** argv) {
  const velkor::ProgramInfo program{
      "velkor-usb-control", "The control panel for the Velkor TQ4410 and TQ6630 video converters attached over USB."};
  if (const auto exitCode = velkor::answerInfoOptions(argc, argv, program, std::cout)) return *exitCode;
  velkor::CCorvaneApp app(argc, argv);
  const std::unique_ptr<velkor::Transport> transport = velkor::systemTransport();
  return app.run(*transport);
}
