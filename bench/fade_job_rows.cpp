// Folder-run jobs against FFmpeg, and the cross-fade job against all peers.
//
// The cross-fade job: six photos faded one into the next by the folder run
// (fade 2, still 1, no margins: the first photo, then per pair two blends
// and the next photo, 16 JPEG frames), at 1080p and 24 megapixels, against
// the same job done by multi-threaded FFmpeg, ImageMagick and a plain
// single-threaded libjpeg-turbo loop.
//
// The folder run's own jobs (crop 10, fade 10, still 5; their rows against
// TurboJPEG and ImageMagick are in folder_rows.cpp) against FFmpeg.
//
// Every road runs in a process of its own through the folder-run job
// program (bench/folder_run/main.cpp: "ours" drives the real main window
// tick by tick, "plain" is the TurboJPEG loop, "measure" runs a peer tool),
// so that each peak memory is the job's alone; each pair in the same run.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
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

struct Job {
  std::string label;
  std::int32_t w, h;
  int photos, fade, still, margin;
  bool allPeers;  // ImageMagick and the TurboJPEG loop too (else FFmpeg only)
  int Frames() const { return 1 + (photos - 1) * (fade + 1 + std::max(still - 1, 0)); }
};

std::vector<Job> Jobs(const bench::Options& o) {
  if (o.smoke) return {{"folder run 64x48", 64, 48, 3, 2, 2, 4, false}, {"fade job 64x48", 64, 48, 6, 2, 1, 0, true}};
  return {{"folder run 1080p", 1920, 1080, 6, 10, 5, 10, false},
          {"folder run 24MP", 6000, 4000, 3, 10, 5, 10, false},
          {"fade job 1080p", 1920, 1080, 6, 2, 1, 0, true},
          {"fade job 24MP", 6000, 4000, 6, 2, 1, 0, true}};
}

// Photo k: smooth light in its own direction, soft shapes and fine grain,
// so that JPEG works as hard as on a camera picture.
Ref<Picture> Photo(std::int32_t w, std::int32_t h, int k) {
  Ref<Picture> p = NewPicture(w, h);
  std::uint32_t* bits = p->Bits();
  std::minstd_rand grain(static_cast<unsigned>(k) * 7919u + 1);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const int n = static_cast<int>(grain() % 20);
      const int disc = (((x + k * 131) / 211 + (y + k * 57) / 173) & 1) ? 36 : 0;
      const int r = ((k & 1 ? x : w - x) * 190 / w + n + disc) & 0xff;
      const int g = ((k & 2 ? y : h - y) * 170 / h + n + 20) & 0xff;
      const int b = ((x + y) * 110 / (w + h) + 40 * (k % 3) + n + disc / 2) & 0xff;
      bits[static_cast<std::size_t>(y) * w + x] = 0xff000000u | (r << 16) | (g << 8) | b;
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

// FFmpeg: the photos as one stream in which each photo starts where the run
// shows it (fade + 1 frames after the one before, and held for the still
// copies), cropped, and its frame-rate filter making one frame per step:
// between two photos it blends (no scene detection), between a photo and
// its held copy it repeats it. The frames are written as JPEG at its high
// quality; threads for decoding, filtering and encoding as FFmpeg chooses.
std::vector<std::string> FfmpegJob(const Job& j, const std::string& photos, const std::string& frames,
                                   const std::string& scratch) {
  const std::string list = scratch + "/fade-job-ffmpeg.txt";
  std::ofstream out(list);
  out << "ffconcat version 1.0\n";
  for (int k = 1; k <= j.photos; ++k) {
    if (k > 1 && j.still > 1) out << "file '" << PhotoPath(photos, k) << "'\nduration " << j.still - 1 << "\n";
    out << "file '" << PhotoPath(photos, k) << "'\nduration " << j.fade + 1 << "\n";
  }
  std::string filter = "framerate=fps=1:scene=100";
  if (j.margin > 0) {
    const std::string m = std::to_string(j.margin), twice = std::to_string(2 * j.margin);
    filter = "crop=iw-" + twice + ":ih-" + twice + ":" + m + ":" + m + "," + filter;
  }
  return {"measure", "ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "concat", "-safe", "0", "-i", list, "-vf", filter,
          "-frames:v", std::to_string(j.Frames()), "-q:v", "2", frames + "/%06d.jpg"};
}

// ImageMagick: -morph puts the blends between two photos, one convert per
// pair (all the frames of 24-megapixel photos at once would not fit its
// memory), the pair's first photo dropped after the first pair. (The
// cross-fade job has no margins and no still copies.)
std::vector<std::string> MagickPair(const Job& j, const std::string& photos, const std::string& frames, int k) {
  std::vector<std::string> args{"measure", "convert", PhotoPath(photos, k), PhotoPath(photos, k + 1), "-morph",
                                std::to_string(j.fade)};
  if (k > 1) args.insert(args.end(), {"-delete", "0"});
  args.insert(args.end(), {"-quality", "90", "-sampling-factor", "2x2", "-scene",
                           std::to_string(k == 1 ? 1 : 2 + (k - 1) * (j.fade + 1)), frames + "/%06d.jpg"});
  return args;
}


std::string Peaks(const Job& j, const Timing& ours, const Timing& peer, const char* peerName) {
  const double picture = static_cast<double>(j.w - 2 * j.margin) * (j.h - 2 * j.margin) * 4 / (1 << 20);
  std::ostringstream note;
  note.precision(2);
  note << "peak RSS ours " << static_cast<int>(ours.peakMiB + 0.5) << " MiB (" << ours.peakMiB / picture
       << " pictures), " << peerName << " " << static_cast<int>(peer.peakMiB + 0.5) << " MiB";
  return note.str();
}

std::vector<bench::Result> FadeJobRows(const bench::Options& o) {
  const int repeat = o.smoke ? 1 : 3;
  const std::string policy = "MAGICK_CONFIGURE_PATH=" + bench::MagickPolicyFolder(o.scratch);
  std::vector<bench::Result> out;
  for (const Job& j : Jobs(o)) {
    const std::string photos = o.scratch + "/job-photos", frames = o.scratch + "/job-frames";
    Fresh(photos);
    for (int k = 1; k <= j.photos; ++k) GetFolderItem(PhotoPath(photos, k))->SaveAsJPEG(Photo(j.w, j.h, k));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // settled files, as a camera's are
    // Each road writes the frames into a fresh folder; its best time of the
    // repeats, and its highest peak.
    auto road = [&](const std::function<Timing()>& run) {
      Timing best;
      for (int r = 0; r < repeat; ++r) {
        Fresh(frames);
        Timing t = run();
        if (t.seconds < 0 || JpegCount(frames) != j.Frames()) return Timing{};
        if (best.seconds < 0 || t.seconds < best.seconds) best.seconds = t.seconds;
        best.peakMiB = std::max(best.peakMiB, t.peakMiB);
      }
      return best;
    };
    const std::vector<std::string> fields = {photos, frames, std::to_string(j.still), std::to_string(j.fade),
                                             std::to_string(j.margin)};
    auto withMode = [&](const char* mode) {
      std::vector<std::string> args{mode};
      args.insert(args.end(), fields.begin(), fields.end());
      return args;
    };
    const Timing ours = road([&] { return JobProgram(o.scratch, withMode("ours")); });
    const Timing ffmpeg = road([&] { return JobProgram(o.scratch, FfmpegJob(j, photos, frames, o.scratch)); });
    Timing magick, plain;
    if (j.allPeers) {
      magick = road([&] {
        Timing all{0, 0};
        for (int k = 1; k < j.photos; ++k) {
          const Timing pair = JobProgram(o.scratch, MagickPair(j, photos, frames, k), policy);
          if (pair.seconds < 0) return Timing{};
          all.seconds += pair.seconds;
          all.peakMiB = std::max(all.peakMiB, pair.peakMiB);
        }
        return all;
      });
      plain = road([&] { return JobProgram(o.scratch, withMode("plain")); });
    }
    fs::remove_all(photos);
    fs::remove_all(frames);

    const std::string name = j.label + " x" + std::to_string(j.Frames());
    if (ours.seconds < 0) {
      out.push_back({name, 0, 0, "our run failed", 0, ""});
      continue;
    }
    auto row = [&](const Timing& peer, const std::string& reference, const char* peerName, double goal) {
      if (peer.seconds < 0) return bench::Result{name, ours.seconds, 0, reference + " (failed)", 0, ""};
      return bench::Result{name, ours.seconds, peer.seconds, reference, goal, Peaks(j, ours, peer, peerName)};
    };
    out.push_back(row(ffmpeg, "ffmpeg framerate, threads", "ffmpeg", 1.0));
    if (!j.allPeers) continue;
    out.push_back(row(magick, "convert -morph", "magick", 0.2));
    out.push_back(row(plain, "TurboJPEG loop, 1 thread", "plain", 0));
  }
  return out;
}

bench::Register fadeJob("8 fade job", FadeJobRows);

}  // namespace
