#include "LookComparison.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace velkor::look {

namespace {

int channelDifference(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

const TextBox* boxHolding(std::span<const TextBox> boxes, QPoint point) {
  for (const TextBox& box : boxes)
    if (box.box.contains(point)) return &box;
  return nullptr;
}

void count(RegionReport& region, int difference, bool beyond) {
  ++region.pixels;
  region.mean += difference;
  region.largest = std::max(region.largest, difference);
  if (beyond) ++region.differing;
}

}  // namespace

bool LookReport::passed() const {
  return sameSize && skin.passed && std::all_of(text.begin(), text.end(), [](const auto& r) { return r.passed; });
}

LookReport compareLooks(const QImage& reference, const QImage& candidate, std::span<const TextBox> textBoxes,
                        const TextTolerance& tolerance) {
  LookReport report;
  report.skin.name = "skin";
  for (const TextBox& box : textBoxes) report.text.push_back({QString::fromLatin1(box.name), box.box});
  if (reference.size() != candidate.size()) {
    report.sameSize = false;
    return report;
  }
  const QImage a = reference.convertToFormat(QImage::Format_RGB32);
  const QImage b = candidate.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < a.height(); ++y) {
    const auto* lineA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* lineB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const int difference = channelDifference(lineA[x], lineB[x]);
      if (const TextBox* box = boxHolding(textBoxes, {x, y})) {
        count(report.text[box - textBoxes.data()], difference, difference > tolerance.pixelThreshold);
        continue;
      }
      count(report.skin, difference, difference > 0);
      if (difference > 0) report.skin.box |= QRect(x, y, 1, 1);
    }
  }
  RegionReport& skin = report.skin;
  skin.mean = skin.pixels > 0 ? skin.mean / skin.pixels : 0;
  skin.passed = skin.differing == 0;
  for (RegionReport& region : report.text) {
    region.mean = region.pixels > 0 ? region.mean / region.pixels : 0;
    region.passed =
        region.differing <= tolerance.differingShare * region.pixels && region.mean <= tolerance.meanDifference;
  }
  return report;
}

QImage differenceImage(const QImage& reference, const QImage& candidate, std::span<const TextBox> textBoxes) {
  QImage out = reference.convertToFormat(QImage::Format_RGB32);
  const QImage b = candidate.convertToFormat(QImage::Format_RGB32);
  const QSize common = out.size().boundedTo(b.size());
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const int difference =
          x < common.width() && y < common.height() ? channelDifference(line[x], b.pixel(x, y)) : 255;
      const int grey = qGray(line[x]) / 4;
      line[x] = difference > 0 ? qRgb(std::min(255, 96 + difference), grey, grey) : qRgb(grey, grey, grey);
    }
  }
  QPainter painter(&out);
  painter.setPen(QColor(255, 200, 0));
  for (const TextBox& box : textBoxes) painter.drawRect(box.box.adjusted(0, 0, -1, -1));
  return out;
}

}  // namespace velkor::look
