// Rows for the application's work on movies, each a whole process against
// the ffmpeg command line doing the same work on the same input in the same
// run: reading a video picture by picture, the video fade run, and making a
// movie of a folder of frames. Our side is the real main window driven by
// bench/folder_run/main.cpp.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "bench.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 25;

// A panning scene as numbered JPEG frames, and the same as an H.264 movie.
struct Clip {
  std::string label, frames, video;
  int width = 0, height = 0, count = 0;
};

// What the clip will be; MakeClip writes it.
Clip ClipFor(const bench::Options& o) {
  Clip clip;
  clip.width = o.smoke ? 64 : 1920, clip.height = o.smoke ? 48 : 1080;
  clip.count = o.smoke ? 10 : 250;
  clip.label = std::string(o.smoke ? "64x48" : "1080p") + " x" + std::to_string(clip.count);
  clip.frames = o.scratch + "/clip-frames";
  clip.video = o.scratch + "/clip.mov";
  return clip;
}

bool MakeClip(const bench::Options& o, const Clip& clip) {
  const int width = clip.width, height = clip.height;
  bench::Fresh(clip.frames);
  for (int i = 1; i <= clip.count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "/%06d.jpg", i);
    if (!bench::WriteJpeg(clip.frames + name, bench::Scene(width, height, 1, i * 6, static_cast<unsigned>(i), 6)))
      return false;
  }
  return bench::RunProcess(o, {"ffmpeg", "-v", "error", "-nostdin", "-y", "-framerate", std::to_string(kRate), "-i",
                               clip.frames + "/%06d.jpg", "-c:v", "libx264", "-crf", "18", "-pix_fmt", "yuv420p",
                               clip.video})
      .ok;
}

bench::Result Row(const std::string& name, const bench::Road& ours, const bench::Road& peer,
                  const std::string& peerName, double goal) {
  bench::Result row{name, std::max(ours.seconds, 0.0), std::max(peer.seconds, 0.0), peerName,
                    std::max(ours.load, peer.load), ours.peakMiB, peer.peakMiB, goal};
  if (ours.Failed()) row.note = "ours: " + ours.failure;
  if (peer.Failed()) row.note += (row.note.empty() ? "" : "; ") + peerName + ": " + peer.failure;
  return row;
}

std::vector<bench::Result> EngineRows(const bench::Options& o) {
  const Clip clip = ClipFor(o);
  const std::string stepName = "video step " + clip.label, runName = "video run " + clip.label,
                    movieName = "make movie " + clip.label;
  if (!o.Wants(stepName) && !o.Wants(runName) && !o.Wants(movieName)) return {};
  if (!MakeClip(o, clip)) return {{"movies", 0, 0, "(the test clip could not be made)"}};
  const std::string job = bench::Program("vindralo_folder_run"), rate = std::to_string(kRate);
  const std::string ourFrames = o.scratch + "/run-ours", peerFrames = o.scratch + "/run-ffmpeg";
  const std::string ourMovieFile = o.scratch + "/ours.mov", peerMovieFile = o.scratch + "/ffmpeg.mov";
  auto ffmpeg = [](std::vector<std::string> args) {
    args.insert(args.begin(), {"ffmpeg", "-v", "error", "-nostdin", "-y"});
    return args;
  };
  const auto stepCommand = ffmpeg({"-threads", "0", "-i", clip.video, "-f", "null", "-"});
  // Making the movie. FFmpeg with the settings of our movie writer: the
  // same encoder settings, colour tags and container, index at the front.
  // (It hands the JPEG's YUV to the encoder with only the range changed,
  // where ours converts RGB to BT.709: less work than ours.)
  const auto movieCommand =
      ffmpeg({"-framerate", rate, "-i", clip.frames + "/%06d.jpg", "-c:v", "libx264", "-crf", "18", "-preset", "medium",
              "-profile:v", "high", "-pix_fmt", "yuv420p", "-color_range", "tv", "-colorspace", "bt709",
              "-color_primaries", "bt709", "-color_trc", "bt709", "-movflags", "+faststart", peerMovieFile});
  bench::Road oursStep, peerStep, oursRun, peerRun, oursMovie, peerMovie;
  std::uintmax_t runBytes[2] = {0, 0};  // the video run's frames, ours and FFmpeg's
  for (int r = 0; r < (o.smoke ? 1 : 2); ++r) {
    if (o.Wants(stepName)) {
      oursStep.Add(bench::RunProcess(o, {job, "step", clip.video, std::to_string(clip.count), rate}), "");
      peerStep.Add(bench::RunProcess(o, stepCommand), "");
    }

    // The video run at fade 1, still 1: a blend and the next picture for
    // every picture of the video. FFmpeg writes as many JPEG frames from it.
    if (o.Wants(runName)) {
      // FFmpeg's JPEG settings are the cross-fade rows' (job_rows.cpp).
      bench::Fresh(ourFrames);
      oursRun.Add(bench::RunProcess(o, {job, "video", clip.video, ourFrames, rate, "1", "1"}), "");
      const int count = bench::JpegCount(ourFrames);
      bench::Fresh(peerFrames);
      const bench::Process p = bench::RunProcess(
          o, ffmpeg({"-i", clip.video, "-vf", "fps=" + std::to_string(2 * kRate) + ",tpad=stop_mode=clone:stop=1",
                     "-frames:v", std::to_string(count), "-pix_fmt", "yuvj420p", "-q:v", "2", "-huffman", "default",
                     peerFrames + "/%06d.jpg"}));
      peerRun.Add(p, bench::JpegCount(peerFrames) == count ? "" : "other frame counts than ours");
      runBytes[0] = bench::JpegBytes(ourFrames), runBytes[1] = bench::JpegBytes(peerFrames);
    }
    if (o.Wants(movieName)) {
      fs::remove(ourMovieFile);
      oursMovie.Add(bench::RunProcess(o, {job, "movie", clip.frames, ourMovieFile, rate}), "");
      peerMovie.Add(bench::RunProcess(o, movieCommand), "");
    }
  }
  fs::remove_all(ourFrames);
  fs::remove_all(peerFrames);
  std::vector<bench::Result> out;
  if (o.Wants(stepName)) {
    out.push_back(Row(stepName, oursStep, peerStep, "ffmpeg -i clip.mov -f null -", 1.2));
    if (out.back().note.empty()) out.back().note = "ours makes RGB pictures of the frames";
  }
  if (o.Wants(runName)) {
    out.push_back(Row(runName, oursRun, peerRun, "ffmpeg -vf fps=50 -q:v 2 jpg", 1.2));
    if (out.back().note.empty())
      out.back().note = bench::BytesText(runBytes[0]) + " / " + bench::BytesText(runBytes[1]) + " of frames";
  }
  if (o.Wants(movieName)) out.push_back(Row(movieName, oursMovie, peerMovie, "ffmpeg libx264 -crf 18 high", 0.9));
  return out;
}

bench::Register engine("5 movies", EngineRows);

}  // namespace
