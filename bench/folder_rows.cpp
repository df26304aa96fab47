// Rows for the folder fade run: the real main window (the dialog seam
// answering, the buttons clicked) driven tick by tick without the timer's
// 100 ms wait, against two peers doing the same crop-and-fade job on the
// same photos in the same run:
//   - a plain TurboJPEG program: each photo decoded once, every frame
//     blended and encoded;
//   - ImageMagick: -crop, -morph and -duplicate, one convert per pair of
//     photos (the whole run at once would hold every frame in memory).
// Each runs in a process of its own (bench/folder_run/main.cpp starts the
// peer), so each peak memory is the job's alone.
// Each row reports output frames per second and the three peak memories.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "bench.h"
#include "files/folder_item.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// One folder run: photo size, number of photos, the run's fields.
struct Job {
  std::string label;
  std::int32_t width, height;
  int photos, fade, still, margin;
  bool withMagick;
  // Frames the run writes: the first photo, then per pair the fade's steps and the copies.
  int Frames() const { return 1 + (photos - 1) * (fade + 1 + std::max(still - 1, 0)); }
  std::int32_t CropWidth() const { return width - 2 * margin; }
  std::int32_t CropHeight() const { return height - 2 * margin; }
};

std::vector<Job> Jobs(const bench::Options& o) {
  if (o.smoke) return {{"64x48", 64, 48, 3, 2, 2, 4, true}};
  return {{"1080p", 1920, 1080, 6, 10, 5, 10, true},
          {"24MP", 6000, 4000, 3, 10, 5, 10, true},
          {"24MP fade 25", 6000, 4000, 3, 25, 5, 10, false}};
}

// A camera-like photo: smooth light that differs from photo to photo, and
// grain, so JPEG works as hard as on a real one.
Ref<Picture> PhotoLike(std::int32_t w, std::int32_t h, int seed) {
  Ref<Picture> p = NewPicture(w, h);
  std::uint32_t* bits = p->Bits();
  std::minstd_rand grain(static_cast<unsigned>(seed) * 7919u + 1);
  const int tint = seed * 53;
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const int n = static_cast<int>(grain() % 20);
      const int r = (x * 190 / w + tint + n) & 0xff, g = (y * 170 / h + tint / 2 + n) & 0xff,
                b = ((x + y) * 110 / (w + h) + 50 + n) & 0xff;
      bits[static_cast<std::size_t>(y) * w + x] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
  return p;
}

// The photos "photo01.jpg" onwards, with a notes file first as cameras leave one.
std::vector<std::string> MakePhotos(const Job& j, const std::string& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder + "/index.txt") << "photos\n";
  std::vector<std::string> paths;
  for (int i = 1; i <= j.photos; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/photo%02d.jpg", i);
    paths.push_back(folder + name);
    GetFolderItem(paths.back())->SaveAsJPEG(PhotoLike(j.width, j.height, i));
  }
  return paths;
}

void Fresh(const std::string& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}
int FileCount(const std::string& folder) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.is_regular_file();
  return n;
}

struct Measured {
  double seconds = -1, peakMiB = 0;
  int frames = 0;
  std::string message;  // ours: the run's last message
};

// ---- ours and the plain TurboJPEG program, each in a process of its own --

// The job program beside this one (bench/folder_run/main.cpp).
std::string JobProgram() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return (self.parent_path() / "vindralo_folder_run").string();
}

// Runs the job program with these arguments after the mode and the result
// file, and an extra environment entry (none when empty): what it measured,
// and its message. `seconds` is negative when it could not run or failed.
Measured RunJobProgram(const std::string& mode, const std::vector<std::string>& args, const std::string& extraEnv,
                       const std::string& scratch) {
  const std::string result = scratch + "/folder-result.txt";
  fs::remove(result);
  std::vector<std::string> all = {JobProgram(), mode, result};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (const auto& a : all) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  std::string extra = extraEnv;
  if (!extra.empty()) env.push_back(extra.data());
  env.push_back(nullptr);
  Measured m;
  pid_t pid = 0;
  int status = 0;
  const bool ran = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()) == 0 &&
                   waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::ifstream in(result);
  double seconds = -1;
  long peakKiB = 0;
  in >> seconds >> peakKiB >> std::ws;
  std::getline(in, m.message);
  m.seconds = ran ? seconds : -1;
  m.peakMiB = peakKiB / 1024.0;
  return m;
}

// "ours" or "plain" on the job, with the frames it wrote.
Measured JobProcess(const char* mode, const Job& j, const std::string& photos, const std::string& frames,
                    const std::string& scratch) {
  Fresh(frames);
  Measured m = RunJobProgram(mode,
                             {photos, frames, std::to_string(j.still), std::to_string(j.fade),
                              std::to_string(j.margin)},
                             "", scratch);
  m.frames = FileCount(frames);
  return m;
}

// ---- ImageMagick ---------------------------------------------------------


// The same frames: per pair, both photos cropped, -morph with the fade's
// steps, the pair's first photo dropped after the first pair, and the
// still copies as duplicates of the last; numbered on from the pair before.
Measured Magick(const Job& j, const std::vector<std::string>& photos, const std::string& frames,
                const std::string& policy, const std::string& scratch) {
  Fresh(frames);
  Measured m;
  const std::string crop = std::to_string(j.CropWidth()) + "x" + std::to_string(j.CropHeight()) + "+" +
                           std::to_string(j.margin) + "+" + std::to_string(j.margin);
  const auto start = std::chrono::steady_clock::now();
  int scene = 1;
  for (std::size_t k = 1; k < photos.size(); ++k) {
    std::vector<std::string> args = {"convert", photos[k - 1], photos[k], "-crop", crop, "+repage",
                                     "-morph", std::to_string(j.fade)};
    if (k > 1) args.insert(args.end(), {"-delete", "0"});
    if (j.still > 1) args.insert(args.end(), {"-duplicate", std::to_string(j.still - 1)});
    args.insert(args.end(), {"-quality", "90", "-sampling-factor", "2x2", "-scene", std::to_string(scene),
                             frames + "/%06d.jpg"});
    const Measured pair = RunJobProgram("measure", args, "MAGICK_CONFIGURE_PATH=" + policy, scratch);
    if (pair.seconds < 0) return {};
    m.peakMiB = std::max(m.peakMiB, pair.peakMiB);
    scene += (k > 1 ? 0 : 1) + j.fade + 1 + std::max(j.still - 1, 0);
  }
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.frames = FileCount(frames);
  return m;
}

// ---- the rows --------------------------------------------------------------

// Output frames per second and the process's peak memory, also counted in
// pictures of the frames' size.
std::string Figures(const char* who, const Measured& m, const Job& j) {
  const double pictureMiB = static_cast<double>(j.CropWidth()) * j.CropHeight() * 4 / (1 << 20);
  std::ostringstream text;
  text.precision(3);
  text << who << " " << m.frames / m.seconds << " fps, peak RSS " << static_cast<int>(m.peakMiB + 0.5) << " MiB ("
       << m.peakMiB / pictureMiB << " pictures)";
  return text.str();
}

std::vector<bench::Result> FolderRunRows(const bench::Options& o) {
  std::vector<bench::Result> out;
  const std::string policy = bench::MagickPolicyFolder(o.scratch);
  const int repeat = o.smoke ? 1 : 2;
  for (const Job& j : Jobs(o)) {
    const std::string name = "folder run " + j.label + " x" + std::to_string(j.Frames());
    const std::string source = o.scratch + "/folder-photos", ourFrames = o.scratch + "/folder-ours",
                      plainFrames = o.scratch + "/folder-plain", magickFrames = o.scratch + "/folder-magick";
    const std::vector<std::string> photos = MakePhotos(j, source);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // settled files, as a camera's are
    Measured ours, plain, magick;
    // The fastest of the repeats, with the highest peak of them all.
    auto keepBest = [](Measured& best, const Measured& m) {
      const double peak = std::max(best.peakMiB, m.peakMiB);
      if (m.seconds >= 0 && (best.seconds < 0 || m.seconds < best.seconds)) best = m;
      best.peakMiB = peak;
    };
    for (int r = 0; r < repeat; ++r) {
      keepBest(ours, JobProcess("ours", j, source, ourFrames, o.scratch));
      keepBest(plain, JobProcess("plain", j, source, plainFrames, o.scratch));
      if (j.withMagick) keepBest(magick, Magick(j, photos, magickFrames, policy, o.scratch));
    }
    fs::remove_all(ourFrames);
    fs::remove_all(plainFrames);
    fs::remove_all(magickFrames);
    if (ours.seconds < 0 || ours.frames != j.Frames()) {
      out.push_back({name, 0, 0, "the run failed", 0, std::to_string(ours.frames) + " frames; " + ours.message});
      continue;
    }
    const std::string oursFigures = Figures("ours", ours, j) + "; \"" + ours.message + "\"";
    if (plain.seconds < 0 || plain.frames != j.Frames())
      out.push_back({name, ours.seconds, 0, "TurboJPEG (failed)", 0, oursFigures});
    else
      out.push_back({name, ours.seconds, plain.seconds, "TurboJPEG decode once+blend", 1.0,
                     oursFigures + "; " + Figures("plain", plain, j)});
    if (!j.withMagick) continue;
    if (magick.seconds < 0 || magick.frames != j.Frames())
      out.push_back({name, ours.seconds, 0, "convert -morph (failed)", 0, std::to_string(magick.frames) + " frames"});
    else
      out.push_back({name, ours.seconds, magick.seconds, "convert -crop -morph", 0.2, Figures("magick", magick, j)});
  }
  return out;
}

bench::Register folderRun("7 folder run", FolderRunRows);

}  // namespace

std::string bench::MagickPolicyFolder(const std::string& scratch) {
  const std::string folder = scratch + "/magick-policy";
  fs::create_directories(folder);
  std::ofstream(folder + "/policy.xml") << "<policymap>\n"
                                           "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                                           "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
                                           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                                           "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                                           "</policymap>\n";
  return folder;
}
