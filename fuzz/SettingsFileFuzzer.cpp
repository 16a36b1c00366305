// A settings file of any content through loading and saving over it, for both models
// and both apply modes.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "DeviceRecord.h"
#include "Log.h"
#include "UserSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velkor::setLogStream(nullptr);
  static const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("velkor-settings-fuzz-" + std::to_string(getpid()) + ".ini");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) return 0;
  }

  static velkor::DeviceRecord record;
  record.applyModeA = size > 0 ? data[0] & 1 : 0;
  record.applyModeB = size > 1 ? data[1] & 1 : 0;
  velkor::loadSettingsA(record, file);
  velkor::loadSettingsB(record, file);
  // What a save leaves must load for that model.
  if (velkor::saveSettingsA(record, file).ok() && !velkor::loadSettingsA(record, file).ok()) __builtin_trap();
  if (velkor::saveSettingsB(record, file).ok() && !velkor::loadSettingsB(record, file).ok()) __builtin_trap();
  return 0;
}
