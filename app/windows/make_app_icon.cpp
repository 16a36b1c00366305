// Writes the window programs' Windows icon file from the application icon, the same
// pictures the window shows, at build time:
//   make_app_icon -platform offscreen OUTPUT.ico

#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

#include "IconFile.h"
#include "SkinImages.h"

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: make_app_icon [-platform NAME] OUTPUT.ico\n");
    return 2;
  }
  const QIcon icon = velkor::applicationIcon();
  QList<QImage> pictures;
  for (const QSize size : icon.availableSizes()) pictures << icon.pixmap(size).toImage();
  const std::optional<QByteArray> file = velkor::iconFile(pictures);
  QSaveFile out(arguments[1]);
  if (!file || !out.open(QIODevice::WriteOnly) || out.write(*file) != file->size() || !out.commit()) {
    std::fprintf(stderr, "make_app_icon: cannot write %s\n", qPrintable(arguments[1]));
    return 1;
  }
  return 0;
}
