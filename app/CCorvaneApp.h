#pragma once

#include <QApplication>

#include "Transport.h"

namespace velkor {

// The application: sets up the platform, the look and the interface font and runs the
// main window until it ends.
class CCorvaneApp final : public QApplication {
  Q_OBJECT

 public:
  CCorvaneApp(int& argc, char** argv);

  // Runs the main window on converters reached through `transport`; the result is
  // the process's exit code.
  int run(Transport& transport);
};

}  // namespace velkor
