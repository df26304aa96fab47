// The folder run's jobs, ours against its peers: each road a whole process
// (spawn to exit) on the very same photo files in the same run, interleaved
// repeat by repeat, and its frames checked before its time counts.
//
// The cross-fade job: six photos faded one into the next with a margin of
// 10 on every edge, fade 2, still 1 (the first photo, then per pair two
// blends and the next photo: 16 frames), at 1080p and 24 megapixels. The
// folder run's longer job: fade 10, still 5, margin 10.
//
// Roads: ours, the real application driven through its main window
// (bench/folder_run/main.cpp); the machine's floor, a plain libjpeg-turbo
// program with one thread per core, blending 4-byte pixels or YUV planes
// (bench/floor/main.cpp); FFmpeg, multi-threaded, through its filters; and
// for the cross-fade job ImageMagick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "bench.h"

namespace {

namespace fs = std::filesystem;

struct Job {
  std::string label;
  int width, height, photos, fade, still, margin;
  bool withMagick;
  double floorGoal, ffmpegGoal, peakGoalMiB;  // 0: none
  int Frames() const { return 1 + (photos - 1) * (fade + 1 + std::max(still - 1, 0)); }
};

std::vector<Job> Jobs(const bench::Options& o) {
  if (o.smoke)
    return {{"cross-fade 64x48", 64, 48, 6, 2, 1, 4, true, 1.3, 0, 0},
            {"folder run 64x48", 64, 48, 3, 4, 3, 4, false, 1.3, 0, 0}};
  return {{"cross-fade 1080p", 1920, 1080, 6, 2, 1, 10, true, 1.3, 0, 0},
          {"cross-fade 24MP", 6000, 4000, 6, 2, 1, 10, true, 1.0, 0.5, 500},
          {"folder run 1080p", 1920, 1080, 6, 10, 5, 10, false, 1.3, 0, 0},
          {"folder run 24MP", 6000, 4000, 3, 10, 5, 10, false, 1.0, 0.5, 500}};
}

// A frame that differs from the expected picture by more than this mean
// (in levels of 255) is wrong. JPEG at quality 90 on these grainy photos
// stays near 2.6 to 3; a weight of 1/4 for 1/3 or a crop 2 pixels off gives
// 5.4 or more, the wrong photo 20.
constexpr double kFrameTolerance = 4.0;

std::string Number(double v, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

// The photos, and the two frames every road is checked on: the first blend
// (frame 2) and the last photo (the last frame).
struct Fixture {
  std::vector<std::string> photos;
  bench::Image firstBlend, lastPhoto;
};

Fixture MakeFixture(const Job& j, const std::string& folder) {
  bench::Fresh(folder);
  Fixture f;
  for (int k = 1; k <= j.photos; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "/photo%02d.jpg", k);
    f.photos.push_back(folder + name);
    if (!bench::WriteJpeg(f.photos.back(), bench::Scene(j.width, j.height, k, 0, static_cast<unsigned>(k), 20)))
      return {};
  }
  const bench::Image first = bench::Cropped(bench::ReadJpeg(f.photos[0]), j.margin);
  const bench::Image second = bench::Cropped(bench::ReadJpeg(f.photos[1]), j.margin);
  f.firstBlend = bench::Blended(first, second, 1, j.fade + 1);
  f.lastPhoto = bench::Cropped(bench::ReadJpeg(f.photos.back()), j.margin);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // settled files, as a camera's are
  return f;
}

// "" when the folder holds the job's frames and the two checked ones are
// right; else what is wrong. `error` keeps the largest difference seen.
std::string CheckFrames(const Job& j, const Fixture& f, const std::string& frames, double& error) {
  const int count = bench::JpegCount(frames);
  if (count != j.Frames()) return std::to_string(count) + " frames instead of " + std::to_string(j.Frames());
  char last[32];
  std::snprintf(last, sizeof last, "/%06d.jpg", j.Frames());
  const double e = std::max(bench::FrameError(frames + "/000002.jpg", f.firstBlend),
                            bench::FrameError(frames + last, f.lastPhoto));
  error = std::max(error, e);
  return e <= kFrameTolerance ? "" : "wrong frames (off by " + Number(e, 1) + " levels)";
}

// FFmpeg: the photos as one stream in which each photo starts where the run
// shows it (fade + 1 frames after the one before, and held for the still
// copies), cropped, and its frame-rate filter making one frame per step:
// between two photos it blends (no scene detection), between a photo and
// its held copy it repeats it. JPEG at its high quality; threads as FFmpeg
// chooses.
std::vector<std::string> Ffmpeg(const Job& j, const Fixture& f, const std::string& frames, const std::string& list) {
  std::ofstream out(list);
  out << "ffconcat version 1.0\n";
  for (std::size_t k = 0; k < f.photos.size(); ++k) {
    if (k > 0 && j.still > 1) out << "file '" << f.photos[k] << "'\nduration " << j.still - 1 << "\n";
    out << "file '" << f.photos[k] << "'\nduration " << j.fade + 1 << "\n";
  }
  const std::string m = std::to_string(j.margin), twice = std::to_string(2 * j.margin);
  return {"ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "concat", "-safe", "0", "-i", list, "-vf",
          "crop=iw-" + twice + ":ih-" + twice + ":" + m + ":" + m + ",framerate=fps=1:scene=100", "-frames:v",
          std::to_string(j.Frames()), "-q:v", "2", frames + "/%06d.jpg"};
}

// ImageMagick: per pair of photos one convert (all the frames of
// 24-megapixel photos at once would not fit its memory): both cropped,
// -morph puts the blends between them, the pair's first photo dropped after
// the first pair, the still copies duplicated; numbered on from the pair
// before. One shell runs the converts one after the other.
std::vector<std::string> Magick(const Job& j, const Fixture& f, const std::string& frames) {
  const std::string crop = std::to_string(j.width - 2 * j.margin) + "x" + std::to_string(j.height - 2 * j.margin) +
                           "+" + std::to_string(j.margin) + "+" + std::to_string(j.margin);
  std::string script;
  int scene = 1;
  for (std::size_t k = 1; k < f.photos.size(); ++k) {
    std::vector<std::string> words{"convert", f.photos[k - 1], f.photos[k], "-crop", crop, "+repage",
                                   "-morph", std::to_string(j.fade)};
    if (k > 1) words.insert(words.end(), {"-delete", "0"});
    if (j.still > 1) words.insert(words.end(), {"-duplicate", std::to_string(j.still - 1)});
    words.insert(words.end(), {"-quality", "90", "-sampling-factor", "2x2", "-scene", std::to_string(scene),
                               frames + "/%06d.jpg"});
    script += (script.empty() ? "" : " && ") + bench::ShellWords(words);
    scene += (k > 1 ? 0 : 1) + j.fade + 1 + std::max(j.still - 1, 0);
  }
  return {"sh", "-c", script};
}

// One road of a job: ours or a peer, its command and what it measured.
struct Contestant {
  std::string name;
  std::vector<std::string> command;
  double goal, peakGoalMiB;
  bench::Road road;
  double error = 0;
};

std::vector<bench::Result> JobRows(const bench::Options& o) {
  const std::string threads = std::to_string(std::max(1u, std::thread::hardware_concurrency())) + " threads";
  std::vector<bench::Result> out;
  for (const Job& j : Jobs(o)) {
    const std::string name = j.label + " x" + std::to_string(j.Frames());
    if (!o.Wants(name)) continue;
    const std::string photos = o.scratch + "/job-photos", frames = o.scratch + "/job-frames";
    const Fixture f = MakeFixture(j, photos);
    if (f.photos.empty()) {
      out.push_back({name, 0, 0, "(the photos could not be written)"});
      continue;
    }
    const std::string still = std::to_string(j.still), fade = std::to_string(j.fade),
                      margin = std::to_string(j.margin);
    auto floor = [&](const char* layout) {
      std::vector<std::string> command{bench::Program("vindralo_floor"), layout, frames, still, fade, margin};
      command.insert(command.end(), f.photos.begin(), f.photos.end());
      return command;
    };
    Contestant ours{"ours", {bench::Program("vindralo_folder_run"), "run", photos, frames, still, fade, margin}, 0, 0};
    std::vector<Contestant> peers{{"floor rgb, " + threads, floor("rgb"), j.floorGoal, j.peakGoalMiB},
                            {"floor yuv, " + threads, floor("yuv"), j.floorGoal, 0},
                            {"ffmpeg framerate, threads", Ffmpeg(j, f, frames, o.scratch + "/job-ffmpeg.txt"),
                             j.ffmpegGoal, 0}};
    if (j.withMagick) {
      setenv("MAGICK_CONFIGURE_PATH", bench::MagickPolicyFolder(o.scratch).c_str(), 1);
      peers.push_back({"convert -crop -morph", Magick(j, f, frames), 0, 0});
    }
    std::vector<Contestant*> roads{&ours};
    for (Contestant& p : peers) roads.push_back(&p);
    const int repeat = o.smoke ? 1 : j.Frames() > 20 ? 2 : 3;
    for (int r = 0; r < repeat; ++r)
      for (Contestant* p : roads) {
        bench::Fresh(frames);
        const bench::Process process = bench::RunProcess(o, p->command);
        p->road.Add(process, process.ok ? CheckFrames(j, f, frames, p->error) : "");
      }
    fs::remove_all(frames);
    fs::remove_all(photos);
    for (const Contestant& p : peers) {
      bench::Result row{name, ours.road.seconds, p.road.seconds, p.name, std::max(ours.road.load, p.road.load),
                        ours.road.peakMiB, p.road.peakMiB, p.goal, p.peakGoalMiB};
      row.note = "frames off by " + Number(ours.error, 2) + " / " + Number(p.error, 2) + " levels";
      if (ours.road.Failed()) row.note = "ours: " + ours.road.failure;
      if (p.road.Failed()) row.note += "; " + p.name + ": " + p.road.failure;
      if (ours.road.Failed()) row.ours = 0;
      if (p.road.Failed()) row.peer = 0;
      out.push_back(row);
    }
  }
  return out;
}

bench::Register jobs("7 jobs", JobRows);

}  // namespace
