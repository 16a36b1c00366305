#include "ApplicationLook.h"

#include <QApplication>
#include <QStyle>

#include "UiFont.h"

namespace velkor {

void installApplicationLook() {
  // Fusion is built into Qt Widgets: no style plugin to deploy, and no system's own.
  QStyle* fusion = QApplication::setStyle(QStringLiteral("Fusion"));
  if (fusion == nullptr) qFatal("Qt's Fusion style is missing.");
  QApplication::setPalette(fusion->standardPalette());
  installApplicationFont();
}

}  // namespace velkor
