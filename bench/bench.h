#pragma once
// The benchmark's frame: rows register themselves; each times ours and a
// peer on the same inputs in the same run, the same way (both whole
// processes, or both from the same point inside this one), and reports the
// ratio against a goal with the load average and the peak memories.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Options {
  bool smoke = false;  // tiny inputs, one repetition: proves the rows run
  std::string scratch;  // a folder for the files the rows make
  std::string only;  // when not empty: only the rows whose names contain it
  // Whether the row of that name is run; rows ask before making inputs.
  bool Wants(const std::string& name) const { return only.empty() || name.find(only) != std::string::npos; }
};

struct Result {
  std::string name;
  double ours = 0, peer = 0;  // seconds; 0: failed
  std::string peerName;
  double load = 0;  // the highest 1-minute load average read before the row's runs
  double oursPeakMiB = 0, peerPeakMiB = 0;  // whole-process rows; 0: not measured
  // Goals; 0: none. ours / peer at most `ratioGoal`; ours' peak memory at
  // most `peakGoalMiB`; ours - peer below `differenceGoal` seconds.
  double ratioGoal = 0, peakGoalMiB = 0, differenceGoal = 0;
  std::string note;
};

using Row = std::function<std::vector<Result>(const Options&)>;

// Registers a row at start-up; rows run in the order of their names.
struct Register {
  Register(const char* name, Row row);
};

// The shortest of `repeat` runs of f, in seconds.
double Best(int repeat, const std::function<void()>& f);

// ---- whole processes (processes.cpp) ---------------------------------------

// The 1-minute load average.
double LoadAverage();

// A program built beside this one.
std::string Program(const std::string& name);

// One whole process as bench/measure/main.cpp saw it: wall time from spawn
// to exit, the peak resident memory wait4 reported, and the load average
// read just before it started.
struct Process {
  double seconds = -1, peakMiB = 0, load = 0;
  bool ok = false;  // started and exited with status 0
};
Process RunProcess(const Options& o, const std::vector<std::string>& command);

// The best of several runs of one road: the shortest time, the highest
// peak memory and load; a failed run fails the road with its reason.
struct Road {
  double seconds = -1, peakMiB = 0, load = 0;
  std::string failure;
  bool Failed() const { return seconds < 0; }
  void Add(const Process& p, const std::string& failureIfAny);
};

// An empty folder at the path (made anew).
void Fresh(const std::string& folder);
int JpegCount(const std::string& folder);
// The bytes of the ".jpg" files in the folder, all together.
std::uintmax_t JpegBytes(const std::string& folder);
// An amount of bytes for the table: "188.7 MB", "41.3 kB".
std::string BytesText(std::uintmax_t bytes);
// A command line for sh -c, each word quoted.
std::string ShellWords(const std::vector<std::string>& words);
// A folder holding an ImageMagick policy file with room for 24-megapixel
// jobs (Debian's policy caps the pixel cache far below one such frame
// list); point MAGICK_CONFIGURE_PATH at it.
std::string MagickPolicyFolder(const std::string& scratch);

// ---- pictures (pictures.cpp), with TurboJPEG alone ---------------------------

// 4-byte pixels, blue first (Qt's RGB32 on this machine).
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
};

// Pixels like a camera's: smooth light whose direction depends on `look`,
// soft shapes, and grain drawn from `grainSeed`, the scene moved `shift`
// pixels to the left (successive shifts make a panning video).
Image Scene(int width, int height, int look, int shift, unsigned grainSeed, int grain);
// Writes the image as a JPEG at quality 90, 4:2:0; false when it failed.
bool WriteJpeg(const std::string& path, const Image& image);
// The JPEG file decoded; an empty image when it cannot be.
Image ReadJpeg(const std::string& path);
// The image less `margin` pixels on every edge.
Image Cropped(const Image& image, int margin);
// The mean absolute difference of the colour channels of the frame file
// and step `step` of `steps` from a to b (weight step / steps on b, rounded
// to 8 bits, as the folder run defines its frames: the last step is b); a
// huge number when the frame cannot be read or has another size.
double FrameError(const std::string& frame, const Image& a, const Image& b, int step, int steps);

}  // namespace bench
