#pragma once
// The benchmark's frame: rows register themselves; each measures the
// platform's operation and its reference in the same run and reports the
// ratio against a goal.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Options {
  bool smoke = false;  // tiny inputs, one repetition: proves the rows run
  std::string scratch;  // a folder for the files the rows make
};

struct Result {
  std::string name;
  double ours = 0, reference = 0;  // seconds
  std::string referenceName;
  double goal = 0;  // the ratio ours / reference aimed at (0: none)
  std::string note;
};

using Row = std::function<std::vector<Result>(const Options&)>;

// Registers a row at start-up; rows run in the order of their names.
struct Register {
  Register(const char* name, Row row);
};

// A folder holding an ImageMagick policy file with room for 24-megapixel
// jobs (Debian's policy caps the pixel cache far below one such frame list);
// point MAGICK_CONFIGURE_PATH at it.
std::string MagickPolicyFolder(const std::string& scratch);

// The shortest of `repeat` runs of f, in seconds.
double Best(int repeat, const std::function<void()>& f);

}  // namespace bench
