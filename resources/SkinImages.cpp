#include "SkinImages.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <unordered_map>

#include "SkinRecipe.h"

namespace velkor {

QImage skinImage(int resourceNumber) {
  // Windows repaint their backgrounds from these pictures on every erase, so each
  // is rendered once; QImage copies share the pixels.
  static std::unordered_map<int, QImage> rendered;
  if (const auto found = rendered.find(resourceNumber); found != rendered.end()) return found->second;
  const std::optional<SkinRecipe> recipe = skinRecipe(resourceNumber);
  if (!recipe) return {};
  return rendered.emplace(resourceNumber, renderSkinRecipe(*recipe)).first->second;
}

QIcon applicationIcon() {
  QSvgRenderer svg(QStringLiteral(":/skin/128-application-icon.svg"));
  QIcon icon;
  for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    svg.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace velkor
