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
#include <atomic>
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

// What frame n + 1 of the job shows: step `step` of `steps` from photo
// `from` to photo `to` (photo `to` itself at the last step).
struct Shown {
  int from, to, step, steps;
};
std::vector<Shown> Plan(const Job& j) {
  std::vector<Shown> plan{{0, 0, 1, 1}};
  for (int k = 1; k < j.photos; ++k) {
    for (int s = 1; s <= j.fade; ++s) plan.push_back({k - 1, k, s, j.fade + 1});
    for (int c = 0; c < std::max(j.still, 1); ++c) plan.push_back({k - 1, k, j.fade + 1, j.fade + 1});
  }
  return plan;
}

// The photo files, and the cropped photos every frame is checked against.
struct Fixture {
  std::vector<std::string> photos;
  std::vector<bench::Image> cropped;
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
    f.cropped.push_back(bench::Cropped(bench::ReadJpeg(f.photos.back()), j.margin));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // settled files, as a camera's are
  return f;
}

// "" when the folder holds the job's frames and every one shows what it
// should (within JPEG's tolerance); else what is wrong. `error` keeps the
// largest difference seen. The frames are checked side by side, one
// thread per core, between the timed runs.
std::string CheckFrames(const Job& j, const Fixture& f, const std::string& frames, double& error) {
  const int count = bench::JpegCount(frames);
  if (count != j.Frames()) return std::to_string(count) + " frames instead of " + std::to_string(j.Frames());
  const std::vector<Shown> plan = Plan(j);
  std::vector<double> errors(plan.size(), 0);
  std::atomic<std::size_t> next{0};
  {
    std::vector<std::jthread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
      threads.emplace_back([&] {
        for (std::size_t i = next++; i < plan.size(); i = next++) {
          char name[32];
          std::snprintf(name, sizeof name, "/%06zu.jpg", i + 1);
          const Shown& s = plan[i];
          errors[i] = bench::FrameError(frames + name, f.cropped[s.from], f.cropped[s.to], s.step, s.steps);
        }
      });
  }
  const auto worst = std::max_element(errors.begin(), errors.end());
  error = std::max(error, *worst);
  if (*worst <= kFrameTolerance) return "";
  char what[96];
  std::snprintf(what, sizeof what, "wrong frames (%06zu.jpg off by %.1f levels)",
                static_cast<std::size_t>(worst - errors.begin()) + 1, *worst);
  return what;
}

// FFmpeg: the photos as one stream in which each photo starts where the run
// shows it (fade + 1 frames after the one before, and held for the still
// copies), cropped, and its frame-rate filter making one frame per step:
// between two photos it blends (no scene detection), between a photo and
// its held copy it repeats it. Threads as FFmpeg chooses. JPEG 4:2:0
// (yuvj420p) with the standard Huffman tables, as TurboJPEG writes ours, at
// the quantiser scale whose files come closest in size to ours at quality
// 90 on these photos: -q:v 2 (1080p: 8.2 MB against our 8.2 MB for the 16
// frames; 24MP x31: 190.9 against 188.7; -q:v 1 makes 50 % more bytes, -q:v
// 3 half, and FFmpeg's optimal tables at -q:v 2 15 % fewer). The row shows
// both roads' bytes.
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
          std::to_string(j.Frames()), "-pix_fmt", "yuvj420p", "-q:v", "2", "-huffman", "default", frames + "/%06d.jpg"};
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
  double goal = 0, peakGoalMiB = 0;
  std::string remark;  // what the row says first
  bench::Road road;
  double error = 0;  // the largest difference of a frame from what it should show
  std::uintmax_t bytes = 0;  // the frames' bytes, all together
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
    Contestant ours{"ours", {bench::Program("vindralo_folder_run"), "run", photos, frames, still, fade, margin}};
    // The floor is the YUV program (no colour conversion at all); the RGB
    // one, blending our pictures' layout, is shown beside it without a goal.
    std::vector<Contestant> peers{
        {"floor yuv, " + threads, floor("yuv"), j.floorGoal, j.peakGoalMiB},
        {"floor rgb, " + threads, floor("rgb"), 0, 0, "informative, no goal; "},
        {"ffmpeg framerate, threads", Ffmpeg(j, f, frames, o.scratch + "/job-ffmpeg.txt"), j.ffmpegGoal, 0}};
    if (j.withMagick) {
      setenv("MAGICK_CONFIGURE_PATH", bench::MagickPolicyFolder(o.scratch).c_str(), 1);
      peers.push_back({"convert -crop -morph", Magick(j, f, frames)});
    }
    std::vector<Contestant*> roads{&ours};
    for (Contestant& p : peers) roads.push_back(&p);
    const int repeat = o.smoke ? 1 : j.Frames() > 20 ? 2 : 3;
    for (int r = 0; r < repeat; ++r)
      for (Contestant* p : roads) {
        bench::Fresh(frames);
        const bench::Process process = bench::RunProcess(o, p->command);
        p->road.Add(process, process.ok ? CheckFrames(j, f, frames, p->error) : "");
        p->bytes = bench::JpegBytes(frames);
      }
    fs::remove_all(frames);
    fs::remove_all(photos);
    for (const Contestant& p : peers) {
      bench::Result row{name, ours.road.seconds, p.road.seconds, p.name, std::max(ours.road.load, p.road.load),
                        ours.road.peakMiB, p.road.peakMiB, p.goal, p.peakGoalMiB};
      row.note = p.remark + "every frame checked, off by " + Number(ours.error, 2) + " / " + Number(p.error, 2) +
                 " levels; " + bench::BytesText(ours.bytes) + " / " + bench::BytesText(p.bytes) + " of frames";
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
