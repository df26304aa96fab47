// The cross-fade job: six photos faded one into the next by the folder run
// (fade 2, still 1, no margins: the first photo, then per pair two blends
// and the next photo, 16 JPEG frames), at 1080p and 24 megapixels, against
// the same job done in the same run by multi-threaded FFmpeg, ImageMagick
// and a plain single-threaded libjpeg-turbo loop.
//
// Every road runs in a process of its own through the folder-run job
// program (bench/folder_run/main.cpp: "ours" drives the real main window
// tick by tick, "plain" is the TurboJPEG loop, "measure" runs a peer tool),
// so that each peak memory is the job's alone.
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
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

constexpr int kPhotos = 6;
constexpr int kFade = 2;  // fadetext: each pair gives kFade + 1 frames
constexpr int kFrames = 1 + (kPhotos - 1) * (kFade + 1);

struct Size {
  const char* name;
  std::int32_t w, h;
};

// Photo k: smooth light in its own direction, soft shapes and fine grain,
// so that JPEG works as hard as on a camera picture.
Ref<Picture> Photo(Size s, int k) {
  Ref<Picture> p = NewPicture(s.w, s.h);
  std::uint32_t* bits = p->Bits();
  std::minstd_rand grain(static_cast<unsigned>(k) * 7919u + 1);
  for (std::int32_t y = 0; y < s.h; ++y)
    for (std::int32_t x = 0; x < s.w; ++x) {
      const int n = static_cast<int>(grain() % 20);
      const int disc = (((x + k * 131) / 211 + (y + k * 57) / 173) & 1) ? 36 : 0;
      const int r = ((k & 1 ? x : s.w - x) * 190 / s.w + n + disc) & 0xff;
      const int g = ((k & 2 ? y : s.h - y) * 170 / s.h + n + 20) & 0xff;
      const int b = ((x + y) * 110 / (s.w + s.h) + 40 * (k % 3) + n + disc / 2) & 0xff;
      bits[static_cast<std::size_t>(y) * s.w + x] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
  return p;
}

std::string PhotoPath(const std::string& folder, int k) { return folder + "/photo" + std::to_string(k) + ".jpg"; }

void Fresh(const std::string& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}
int JpegCount(const std::string& folder) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.path().extension() == ".jpg";
  return n;
}

struct Timing {
  double seconds = -1;  // negative: the road failed or wrote other frames
  double peakMiB = 0;
};

// One run of the job program: "ours" or "plain" on the photos, or
// "measure" with a peer's command line; `extraEnv` is added to its
// environment when not empty.
Timing JobProgram(const std::string& scratch, const std::vector<std::string>& args, const std::string& extraEnv = "") {
  std::error_code ec;
  const std::string program = (fs::read_symlink("/proc/self/exe", ec).parent_path() / "vindralo_folder_run").string();
  const std::string result = scratch + "/fade-job-result.txt";
  fs::remove(result, ec);
  std::vector<std::string> all{program, args.front(), result};
  all.insert(all.end(), args.begin() + 1, args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  std::string extra = extraEnv;
  if (!extra.empty()) env.push_back(extra.data());
  env.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  const bool ran = posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), env.data()) == 0 &&
                   waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::ifstream in(result);
  double seconds = -1;
  long peakKiB = 0;
  in >> seconds >> peakKiB;
  return {ran ? seconds : -1, peakKiB / 1024.0};
}

// FFmpeg: the photos as a stream of one frame a second, its frame-rate
// filter blending to three frames a second (two blends between each pair;
// no scene detection), the frames written as JPEG at its high quality;
// threads for decoding, filtering and encoding as FFmpeg chooses them.
std::vector<std::string> FfmpegJob(const std::string& photos, const std::string& frames) {
  return {"measure", "ffmpeg", "-v", "error", "-nostdin", "-y", "-framerate", "1", "-i", photos + "/photo%d.jpg",
          "-vf", "framerate=fps=" + std::to_string(kFade + 1) + ":scene=100", "-frames:v", std::to_string(kFrames),
          "-q:v", "2", frames + "/%06d.jpg"};
}

// ImageMagick: -morph puts the blends between two photos, one convert per
// pair (all the frames of 24-megapixel photos at once would not fit its
// memory), the pair's first photo dropped after the first pair.
std::vector<std::string> MagickPair(const std::string& photos, const std::string& frames, int k) {
  std::vector<std::string> args{"measure", "convert", PhotoPath(photos, k), PhotoPath(photos, k + 1), "-morph",
                                std::to_string(kFade)};
  if (k > 1) args.insert(args.end(), {"-delete", "0"});
  args.insert(args.end(), {"-quality", "90", "-sampling-factor", "2x2", "-scene",
                           std::to_string(k == 1 ? 1 : 2 + (k - 1) * (kFade + 1)), frames + "/%06d.jpg"});
  return args;
}

// Debian's ImageMagick policy caps its pixel cache below what one pair of
// 24-megapixel photos and their blends need: a policy file of its own.
std::string MagickPolicy(const std::string& scratch) {
  const std::string folder = scratch + "/fade-job-magick-policy";
  fs::create_directories(folder);
  std::ofstream(folder + "/policy.xml") << "<policymap>\n"
                                           "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                                           "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
                                           "  <policy domain=\"resource\" name=\"area\" value=\"1GP\"/>\n"
                                           "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                                           "</policymap>\n";
  return "MAGICK_CONFIGURE_PATH=" + folder;
}

std::string Peaks(const Timing& ours, const Timing& peer, const char* peerName) {
  std::ostringstream note;
  note << "peak RSS ours " << static_cast<int>(ours.peakMiB + 0.5) << " MiB, " << peerName << " "
       << static_cast<int>(peer.peakMiB + 0.5) << " MiB";
  return note.str();
}

std::vector<bench::Result> FadeJobRows(const bench::Options& o) {
  std::vector<Size> sizes{{"1080p", 1920, 1080}, {"24MP", 6000, 4000}};
  if (o.smoke) sizes = {{"64x48", 64, 48}};
  const int repeat = o.smoke ? 1 : 3;
  const std::string policy = MagickPolicy(o.scratch);
  std::vector<bench::Result> out;
  for (const Size& s : sizes) {
    const std::string photos = o.scratch + "/job-photos", frames = o.scratch + "/job-frames";
    Fresh(photos);
    for (int k = 1; k <= kPhotos; ++k) GetFolderItem(PhotoPath(photos, k))->SaveAsJPEG(Photo(s, k));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // settled files, as a camera's are
    // Each road writes the 16 frames into a fresh folder; its best time of
    // the repeats, and its highest peak.
    auto road = [&](const std::function<Timing()>& run) {
      Timing best;
      for (int r = 0; r < repeat; ++r) {
        Fresh(frames);
        Timing t = run();
        if (t.seconds < 0 || JpegCount(frames) != kFrames) return Timing{};
        if (best.seconds < 0 || t.seconds < best.seconds) best.seconds = t.seconds;
        best.peakMiB = std::max(best.peakMiB, t.peakMiB);
      }
      return best;
    };
    const std::string still = "1", fade = std::to_string(kFade), margin = "0";
    const Timing ours = road([&] { return JobProgram(o.scratch, {"ours", photos, frames, still, fade, margin}); });
    const Timing ffmpeg = road([&] { return JobProgram(o.scratch, FfmpegJob(photos, frames)); });
    const Timing magick = road([&] {
      Timing all{0, 0};
      for (int k = 1; k < kPhotos; ++k) {
        const Timing pair = JobProgram(o.scratch, MagickPair(photos, frames, k), policy);
        if (pair.seconds < 0) return Timing{};
        all.seconds += pair.seconds;
        all.peakMiB = std::max(all.peakMiB, pair.peakMiB);
      }
      return all;
    });
    const Timing plain = road([&] { return JobProgram(o.scratch, {"plain", photos, frames, still, fade, margin}); });
    fs::remove_all(photos);
    fs::remove_all(frames);

    const std::string name = std::string("fade job ") + s.name + " x" + std::to_string(kFrames);
    if (ours.seconds < 0) {
      out.push_back({name, 0, 0, "our run failed", 0, ""});
      continue;
    }
    auto row = [&](const Timing& peer, const std::string& reference, const char* peerName, double goal) {
      if (peer.seconds < 0) return bench::Result{name, ours.seconds, 0, reference + " (failed)", 0, ""};
      return bench::Result{name, ours.seconds, peer.seconds, reference, goal, Peaks(ours, peer, peerName)};
    };
    out.push_back(row(ffmpeg, "ffmpeg framerate, threads", "ffmpeg", 1.0));
    out.push_back(row(magick, "convert -morph", "magick", 0.2));
    out.push_back(row(plain, "TurboJPEG loop, 1 thread", "plain", 0));
  }
  return out;
}

bench::Register fadeJob("8 fade job", FadeJobRows);

}  // namespace
