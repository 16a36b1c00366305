#pragma once
// Two pictures of the same window compared pixel by pixel: everywhere exactly, except in
// the boxes where text is drawn, where glyph edges may differ a little between font
// rasterisers and still read the same.

#include <QImage>
#include <QRect>
#include <QString>
#include <span>
#include <vector>

namespace velkor::look {

// How far a text box may stray: a pixel counts as different when a colour channel
// differs by more than `pixelThreshold`, and the box fails when more than
// `differingShare` of its pixels do, or when its mean difference per channel exceeds
// `meanDifference` (0..255).
struct TextTolerance {
  int pixelThreshold;
  double differingShare;
  double meanDifference;
};

struct RegionReport {
  QString name;
  QRect box;          // for the skin: the bounding box of its differing pixels
  int pixels = 0;     // pixels compared
  int differing = 0;  // pixels beyond the threshold (for the skin: any difference)
  int largest = 0;    // largest channel difference
  double mean = 0;    // mean channel difference
  bool passed = true;
};

struct TextBox {
  const char* name;
  QRect box;
};

struct LookReport {
  bool sameSize = true;
  RegionReport skin;  // every pixel outside the text boxes
  std::vector<RegionReport> text;
  bool passed() const;
};

LookReport compareLooks(const QImage& reference, const QImage& candidate, std::span<const TextBox> textBoxes,
                        const TextTolerance& tolerance);

// The reference darkened, each differing pixel in red as strong as its difference, the
// text boxes outlined.
QImage differenceImage(const QImage& reference, const QImage& candidate, std::span<const TextBox> textBoxes);

}  // namespace velkor::look
