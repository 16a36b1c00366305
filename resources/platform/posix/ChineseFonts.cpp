#include "UiFont.h"

namespace velkor {

// The About texts' font where Debian puts it; the font configuration knows it once the
// package is installed, and a system without it is still served from the file when
// one is there.
std::span<const FontFile> chineseFontFiles() {
  static constexpr FontFile files[] = {
      {"WenQuanYi Micro Hei", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", "fonts-wqy-microhei"},
  };
  return files;
}

}  // namespace velkor
