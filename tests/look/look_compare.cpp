// Compares two captures of the demo's first view (its main window as it opens, 800 x
// 611), one from Linux and one from the Windows build under wine, pixel by pixel:
//
//   look_compare LINUX.png WINDOWS.png DIFFERENCE.png
//
// Prints what differs, region by region; exits 1 and writes DIFFERENCE.png when the
// looks differ beyond the tolerance, 2 on a bad call.

#include <QGuiApplication>
#include <cstdio>

#include "LookComparison.h"

namespace {

using velkor::look::TextBox;

// Where the first view draws text: the window's two labels (app/CCorvaneDlg.cpp), which
// lie over the background, then the words of the main background's skin picture
// (resources/SkinCatalogue.cpp, mainBackground) and the scan button's word
// (scanButton, at the button's place in CCorvaneDlg.cpp). A pixel counts to the first
// box holding it. Everything else is the skin's drawing and must match exactly.
constexpr TextBox kFirstViewText[] = {
    {"version label", {690, 40, 110, 20}},
    {"connection label", {5, 40, 140, 20}},
    {"title \"CONTROL PANEL\"", {46, 0, 300, 39}},
    {"background version", {560, 39, 230, 21}},
    {"\"NO DEVICE CONNECTED...\"", {200, 300, 590, 30}},
    {"badge \"VELKOR\"", {60, 545, 130, 20}},
    {"badge \"USB CONTROL\"", {60, 564, 130, 16}},
    {"scan button \"SCANNING\"", {69, 62, 120, 75}},
};

// With the same font files and FreeType on both sides the text matches to the pixel
// (README, "Windows"); the tolerance leaves room for a rounding of anti-aliased edges
// and no more. Windows' own rasteriser (Qt's default there) failed every box that
// shows text (2.7 % to 13 % of a box's pixels, means 1.4 to 13.6), a substitute face
// likewise (2.7 % to 24 %, means 1.7 to 27); a box fails at 0.2 % or a mean of 0.25.
constexpr velkor::look::TextTolerance kTolerance{.pixelThreshold = 24, .differingShare = 0.002, .meanDifference = 0.25};

void print(const velkor::look::RegionReport& region) {
  std::printf("  %-28s %-4s %6d of %6d pixels differ, largest %3d, mean %.3f", qPrintable(region.name),
              region.passed ? "ok" : "FAIL", region.differing, region.pixels, region.largest, region.mean);
  if (region.differing > 0 && region.box.isValid())
    std::printf(", within %dx%d+%d+%d", region.box.width(), region.box.height(), region.box.x(), region.box.y());
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() != 4) {
    std::fprintf(stderr, "usage: look_compare LINUX.png WINDOWS.png DIFFERENCE.png\n");
    return 2;
  }
  const QImage onLinux(arguments[1]);
  const QImage onWindows(arguments[2]);
  if (onLinux.isNull() || onWindows.isNull()) {
    std::fprintf(stderr, "look_compare: cannot read %s\n", qPrintable(onLinux.isNull() ? arguments[1] : arguments[2]));
    return 2;
  }
  const velkor::look::LookReport report = velkor::look::compareLooks(onLinux, onWindows, kFirstViewText, kTolerance);
  if (!report.sameSize) {
    std::printf("The first view is %dx%d on Linux and %dx%d on Windows.\n", onLinux.width(), onLinux.height(),
                onWindows.width(), onWindows.height());
  } else {
    std::printf(
        "The first view, Linux against Windows (text: a pixel differs beyond %d; a box fails beyond %.1f%% "
        "of its pixels or a mean of %.2f):\n",
        kTolerance.pixelThreshold, 100 * kTolerance.differingShare, kTolerance.meanDifference);
    print(report.skin);
    for (const auto& region : report.text) print(region);
  }
  if (report.passed()) return 0;
  if (!velkor::look::differenceImage(onLinux, onWindows, kFirstViewText).save(arguments[3])) {
    std::fprintf(stderr, "look_compare: cannot write %s\n", qPrintable(arguments[3]));
    return 2;
  }
  std::printf("The looks differ; differences in red: %s\n", qPrintable(arguments[3]));
  return 1;
}
