#pragma once
// The names the engine's tests compare a destination folder with.
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace engine_test {

// The names in the folder, sorted, hidden ones included (a leftover
// temporary file would show); none for a folder that is missing.
inline std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The six-digit frame names from "000001.jpg" to the frame number given.
inline std::vector<std::string> FrameNames(int last) {
  std::vector<std::string> names;
  for (int i = 1; i <= last; ++i) {
    std::string digits = std::to_string(i);
    names.push_back(std::string(digits.size() < 6 ? 6 - digits.size() : 0, '0') + digits + ".jpg");
  }
  return names;
}

}  // namespace engine_test
