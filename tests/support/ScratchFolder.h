#pragma once
// A new, empty folder under the system's temporary folder, made by this test alone,
// with the standard library only, so that the same tests run on every system.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace velkor::test {

inline std::filesystem::path makeScratchFolder(const std::string& prefix) {
  static std::mt19937_64 numbers{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(numbers() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) return folder;
    if (error) throw std::runtime_error("cannot make " + folder.string() + ": " + error.message());
  }
  throw std::runtime_error("no free name for a scratch folder");
}

}  // namespace velkor::test
