#include "CCorvaneApp.h"

#include "ApplicationLook.h"
#include "CCorvaneDlg.h"
#include "PlatformDefaults.h"

namespace velkor {

CCorvaneApp::CCorvaneApp(int& argc, char** argv) : QApplication(withPlatformDefaults(argc), argv) {
  setApplicationName("Velkor USB Control");
  setDesktopFileName(QString::fromLatin1(VELKOR_APP_ID));
  installApplicationLook();
}

int CCorvaneApp::run(Transport& transport) {
  CCorvaneDlg dialog(transport);
  dialog.show();
  dialog.exec();
  return 0;
}

}  // namespace velkor
