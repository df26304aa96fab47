// The per-tick cost of the folder run's lookup of its photos in the source
// folder's listing. The same run on tiny photos (so that a tick's own work
// is small) goes through a folder of only the photos and through folders
// that also hold N other files sorting among them ("photo03-00042.xmp", as
// sidecars are named). Every folder has the same few ".jpg" photos after
// the run's own, beyond the ticks the run is driven through, so that every
// run counts as many photos (the progress bar's maximum, and so its
// repainting, is the same) and finds the same photos to decode ahead at its
// last ticks. The job program times every tick between ticks; the
// difference of the mean ticks is what the lookup costs at N entries.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bench.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPhotos = 21, kTicks = kPhotos - 1;  // one tick per pair
constexpr int kFade = 2, kMargin = 2;
constexpr int kFrames = 1 + kTicks * (kFade + 1);

std::string PhotoName(int k) {
  char name[32];
  std::snprintf(name, sizeof name, "/photo%02d.jpg", k);
  return name;
}

// The ".jpg" photos after the run's own, in every folder.
constexpr int kPhotosAfter = 8;

// The photos again in `folder`, with `others` other files spread before
// every photo and kPhotosAfter ".jpg" photos after them.
bool MakeFolder(const std::string& photos, const std::string& folder, int others) {
  bench::Fresh(folder);
  std::error_code ec;
  for (int k = 1; k <= kPhotos; ++k) fs::copy_file(photos + PhotoName(k), folder + PhotoName(k), ec);
  for (int i = 0; i < others + kPhotosAfter; ++i) {
    char name[48];
    if (i < others) {
      std::snprintf(name, sizeof name, "/photo%02d-%05d.xmp", 1 + i % kPhotos, i);
      std::ofstream(folder + name) << "<x:xmpmeta/>\n";
    } else {
      std::snprintf(name, sizeof name, "/photo%02d-%05d.jpg", kPhotos + 1, i);
      fs::copy_file(photos + PhotoName(1), folder + name, ec);
    }
  }
  return !ec;
}

// One run through the folder; a tick road's time is its mean tick.
bench::Process TickRun(const bench::Options& o, const std::string& folder, std::string& failure) {
  const std::string frames = o.scratch + "/tick-frames", result = o.scratch + "/ticks.txt";
  bench::Fresh(frames);
  bench::Process p = bench::RunProcess(o, {bench::Program("vindralo_folder_run"), "ticks", result, folder, frames, "1",
                                           std::to_string(kFade), std::to_string(kMargin), std::to_string(kTicks)});
  std::ifstream in(result);
  double sum = 0, tick = 0;
  int ticks = 0;
  while (in >> tick) sum += tick, ++ticks;
  if (p.ok && ticks != kTicks) failure = std::to_string(ticks) + " ticks instead of " + std::to_string(kTicks);
  if (p.ok && bench::JpegCount(frames) != kFrames) failure = "other frames than the run's";
  p.seconds = ticks > 0 ? sum / ticks : -1;
  return p;
}

std::vector<bench::Result> TickRows(const bench::Options& o) {
  auto name = [](int entries) { return "tick lookup " + std::to_string(entries) + " entries"; };
  std::vector<int> sizes;
  for (int n : o.smoke ? std::vector<int>{40, 400} : std::vector<int>{2000, 20000})
    if (o.Wants(name(n))) sizes.push_back(n);
  if (sizes.empty()) return {};
  const std::string photos = o.scratch + "/tick-photos", reference = o.scratch + "/tick-reference";
  bench::Fresh(photos);
  for (int k = 1; k <= kPhotos; ++k)
    if (!bench::WriteJpeg(photos + PhotoName(k), bench::Scene(48, 32, k, 0, static_cast<unsigned>(k), 20)))
      return {{"tick lookup", 0, 0, "(the photos could not be written)"}};
  std::vector<std::string> folders;
  bool made = MakeFolder(photos, reference, 0);
  for (int n : sizes) {
    folders.push_back(o.scratch + "/tick-" + std::to_string(n));
    made = made && MakeFolder(photos, folders.back(), n - kPhotosAfter);
  }
  if (!made) return {{"tick lookup", 0, 0, "(the fillers could not be written)"}};
  bench::Road alone;
  std::vector<bench::Road> crowded(sizes.size());
  for (int r = 0; r < (o.smoke ? 1 : 3); ++r) {
    std::string failure;
    const bench::Process p = TickRun(o, reference, failure);
    alone.Add(p, failure);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      std::string why;
      const bench::Process q = TickRun(o, folders[i], why);
      crowded[i].Add(q, why);
    }
  }
  std::vector<bench::Result> out;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    bench::Result row{name(sizes[i]),
                      crowded[i].seconds, alone.seconds, "same run, no other files",
                      std::max(crowded[i].load, alone.load), crowded[i].peakMiB, alone.peakMiB, 0, 0, 0.002};
    char note[64];
    std::snprintf(note, sizeof note, "mean of %d ticks; difference %.2f ms", kTicks, (row.ours - row.peer) * 1e3);
    row.note = note;
    if (crowded[i].Failed()) row.ours = 0, row.note = crowded[i].failure;
    if (alone.Failed()) row.peer = 0, row.note = alone.failure;
    out.push_back(row);
    fs::remove_all(folders[i]);
  }
  return out;
}

bench::Register ticks("8 ticks", TickRows);

}  // namespace
