#include "UiFont.h"

namespace velkor {

// Windows' font fallback finds the CJK font the system has for Chinese text (Microsoft
// YaHei, SimSun); carrying one in the program would add megabytes for two About texts.
std::span<const FontFile> chineseFontFiles() { return {}; }

}  // namespace velkor
