#include "CCorvaneApp.h"

#include "CCorvaneDlg.h"
#include "UiFont.h"

namespace velkor {

CCorvaneApp::CCorvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Velkor USB Control");
  setDesktopFileName(QString::fromLatin1(VELKOR_APP_ID));
  installApplicationFont();
}

int CCorvaneApp::run(Transport& transport) {
  CCorvaneDlg dialog(transport);
  dialog.show();
  dialog.exec();
  return 0;
}

}  // namespace velkor
