#include "SkinImages.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <map>
#include <utility>

#include "SkinRecipe.h"

namespace velkor {

QImage skinImage(int resourceNumber, qreal devicePixelRatio) {
  // Windows repaint their backgrounds from these pictures on every erase, so each
  // is rendered once per screen ratio; QImage copies share the pixels. Ratios are
  // kept to a hundredth, as screens give them (1.25, 1.5), so that a ratio computed
  // twice finds the same picture.
  static std::map<std::pair<int, int>, QImage> rendered;
  const int hundredths = qRound(devicePixelRatio * 100);
  if (hundredths <= 0) return {};
  const auto key = std::make_pair(resourceNumber, hundredths);
  if (const auto found = rendered.find(key); found != rendered.end()) return found->second;
  const std::optional<SkinRecipe> recipe = skinRecipe(resourceNumber);
  if (!recipe) return {};
  return rendered.emplace(key, renderSkinRecipe(*recipe, hundredths / 100.0)).first->second;
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
