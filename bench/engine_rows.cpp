// Rows for the engine: the video fade run and making a movie, each driven
// through the real main window (the dialog seam answering, the buttons
// clicked) and compared with the ffmpeg command line doing the same work on
// the same input. Each row also reports the processor time of both (steadier
// than wall time on a busy machine), their peak memory, and ours for a run
// half as long, which shows that it does not grow with the length.
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QAbstractButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/startup.h"
#include "bench.h"
#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "mainwindow/window1.h"
#include "media/movie.h"
#include "runtime/runtime.h"
#include "testing.h"
#include "ui/control_qt.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Size {
  std::int32_t w, h;
};

// Frame i of a moving scene: smooth light, soft shapes and a little grain,
// shifted a few pixels every frame, so that both H.264 and JPEG work as on
// a filmed scene.
Ref<Picture> Scene(Size s, int i) {
  Ref<Picture> p = NewPicture(s.w, s.h);
  std::uint32_t* bits = p->Bits();
  std::minstd_rand grain(static_cast<unsigned>(i) + 1);
  const int shift = i * 6;
  for (std::int32_t y = 0; y < s.h; ++y)
    for (std::int32_t x = 0; x < s.w; ++x) {
      const int n = static_cast<int>(grain() % 6);
      const int sx = x + shift;
      const int disc = ((sx / 97 + y / 83) & 1) ? 40 : 0;
      const int r = (sx * 160 / s.w + disc + n) & 0xff, g = (y * 170 / s.h + n + 30) & 0xff,
                b = ((sx + y) * 100 / (s.w + s.h) + 70 + disc / 2 + n) & 0xff;
      bits[static_cast<std::size_t>(y) * s.w + x] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
  return p;
}

// Peak memory of this process during one run: the memory that earlier
// work freed is handed back to the system first, so that what the run
// needs shows as growth of the resident set; the high-water mark is reset
// then and read when the run ends.
double StatusMiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + std::strlen(key), nullptr) / 1024.0;
  return 0;
}
struct PeakWatch {
  double before;
  PeakWatch() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current RSS
    before = StatusMiB("VmRSS:");
  }
  double GrowthMiB() const { return StatusMiB("VmHWM:") - before; }
};

// A peer command's wall time and peak memory; a negative time when it failed.
struct Peer {
  double seconds = -1, peakMiB = 0, cpu = 0;
};
double CpuSeconds(const struct rusage& u) {
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
double OwnCpuSeconds() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);  // every thread: the platform's workers and the encoder's too
  return CpuSeconds(u);
}
Peer RunPeer(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), usage.ru_maxrss / 1024.0,
          CpuSeconds(usage)};
}

void Fresh(const std::string& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}
std::size_t FileCount(const std::string& folder) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.is_regular_file();
  return n;
}

// The application around `body`, with the dialog seam answering; false
// when the run ended in an error.
bool RunApp(const std::function<void()>& body) {
  dialog_seam::Enable(true);
  RuntimeOnLoopEntered([body] {
    body();
    RuntimeRequestQuit();
  });
  const int status = vindralo_main();
  for (const std::string& m : dialog_seam::Messages())
    if (m.rfind("An exception", 0) == 0) std::fprintf(stderr, "%s\n", m.c_str());
  dialog_seam::Enable(false);
  return status == 0;
}

Window1& MainWindow() { return static_cast<Window1&>(*_GetImplicitWindow("Window1.Window1")); }
template <class T>
Ref<T> Control(const char* name) {
  return RuntimeCheckCastAs<T>(RuntimeWindowControlByName(MainWindow(), name), T::StaticClass());
}
void Click(const char* button) {
  static_cast<QAbstractButton*>(RectControlWidget(*Control<RectControl>(button)))->click();
}
void Type(const char* field, const std::string& text) { Control<TextField>(field)->SetText(text); }

struct Ours {
  double seconds = -1, peakMiB = 0, cpu = 0;
};

// A timed click, with the processor time that it took on every thread; the
// answers are queued before it.
void TimedClick(const char* button, Ours& ours) {
  PeakWatch peak;
  const double cpu = OwnCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  Click(button);
  ours.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ours.cpu = OwnCpuSeconds() - cpu;
  ours.peakMiB = peak.GrowthMiB();
}

// The video run on the video at sourcefps 25, fade 1, still 1.
Ours VideoRun(const std::string& video, const std::string& frames) {
  Fresh(frames);
  Ours ours;
  const bool ok = RunApp([&] {
    dialog_seam::Answer(frames);
    Click("BevelButton2");
    dialog_seam::Answer(video);
    Click("BevelButton4");
    Type("sourcefps", "25");
    Type("stilltext", "1");
    Type("fadetext", "1");
    TimedClick("BevelButton3", ours);
  });
  if (!ok) ours.seconds = -1;
  return ours;
}

// "make movie" on the folder at 25 fps.
Ours MakeMovie(const std::string& folder, const std::string& movie) {
  fs::remove(movie);
  Ours ours;
  const bool ok = RunApp([&] {
    Type("fps", "25");
    dialog_seam::Answer(folder);
    dialog_seam::Answer(movie);
    TimedClick("BevelButton6", ours);
  });
  if (!ok || !fs::exists(movie)) ours.seconds = -1;
  return ours;
}

std::string MiB(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", v);
  return text;
}

std::string Secs(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

std::vector<bench::Result> VideoRunRows(const bench::Options& o) {
  const Size s = o.smoke ? Size{64, 48} : Size{1920, 1080};
  const int seconds = o.smoke ? 1 : 10;
  const std::string video = o.scratch + "/run.mov", half = o.scratch + "/run-half.mov";
  for (const auto& [path, length] : {std::pair{video, seconds * 25}, std::pair{half, seconds * 25 / 2}}) {
    Ref<EditableMovie> movie = GetFolderItem(path)->CreateMovie();
    Ref<QTVideoTrack> track = movie->NewVideoTrack(s.w, s.h, 25.0);
    for (int i = 0; i < length; ++i) track->AppendPicture(Scene(s, i));
  }
  const std::string ourFrames = o.scratch + "/run-ours", peerFrames = o.scratch + "/run-ffmpeg";
  const int repeat = o.smoke ? 1 : 2;
  const Ours halfRun = VideoRun(half, ourFrames);
  Ours ours;
  Peer peer;
  std::size_t ourCount = 0, peerCount = 0;
  for (int r = 0; r < repeat; ++r) {
    const Ours a = VideoRun(video, ourFrames);
    if (a.seconds < 0) return {{"video run", 0, 0, "the run failed", 0, ""}};
    ourCount = FileCount(ourFrames);
    if (ours.seconds < 0 || a.seconds < ours.seconds) ours.seconds = a.seconds, ours.cpu = a.cpu;
    ours.peakMiB = std::max(ours.peakMiB, a.peakMiB);
    // The same number of JPEG frames from the same video: 2 for every frame
    // of it, and one more, as the run writes them.
    Fresh(peerFrames);
    const Peer b = RunPeer({"ffmpeg", "-v", "error", "-nostdin", "-i", video, "-vf",
                            "fps=50,tpad=stop_mode=clone:stop=1", "-frames:v", std::to_string(ourCount), "-q:v", "2",
                            peerFrames + "/%06d.jpg"});
    if (b.seconds < 0) return {{"video run", ours.seconds, 0, "ffmpeg (missing)", 0, ""}};
    peerCount = FileCount(peerFrames);
    if (peer.seconds < 0 || b.seconds < peer.seconds) peer.seconds = b.seconds, peer.cpu = b.cpu;
    peer.peakMiB = std::max(peer.peakMiB, b.peakMiB);
  }
  std::ostringstream note;
  note << ourCount << " vs " << peerCount << " frames; cpu " << Secs(ours.cpu) << " vs " << Secs(peer.cpu)
       << " s; peak +" << MiB(ours.peakMiB) << " MiB (half length +"
       << MiB(halfRun.peakMiB) << "), ffmpeg " << MiB(peer.peakMiB) << " MiB";
  return {{(o.smoke ? "video run 64x48 " : "video run 1080p ") + std::to_string(seconds) + " s", ours.seconds,
           peer.seconds, "ffmpeg -vf fps=50 -q:v 2 jpg", 1.2, note.str()}};
}

std::vector<bench::Result> MakeMovieRows(const bench::Options& o) {
  const Size s = o.smoke ? Size{64, 48} : Size{1920, 1080};
  const int count = o.smoke ? 10 : 250;
  const std::string folder = o.scratch + "/frames", halfFolder = o.scratch + "/frames-half";
  Fresh(folder);
  Fresh(halfFolder);
  for (int i = 1; i <= count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "/%06d.jpg", i);
    Ref<Picture> frame = Scene(s, i);
    GetFolderItem(folder + name)->SaveAsJPEG(frame);
    if (i <= count / 2) GetFolderItem(halfFolder + name)->SaveAsJPEG(frame);
  }
  const std::string ourMovie = o.scratch + "/ours.mov", peerMovie = o.scratch + "/ffmpeg.mov";
  const int repeat = o.smoke ? 1 : 2;
  const Ours halfRun = MakeMovie(halfFolder, ourMovie);
  Ours ours;
  Peer peer;
  for (int r = 0; r < repeat; ++r) {
    const Ours a = MakeMovie(folder, ourMovie);
    if (a.seconds < 0) return {{"make movie", 0, 0, "making the movie failed", 0, ""}};
    if (ours.seconds < 0 || a.seconds < ours.seconds) ours.seconds = a.seconds, ours.cpu = a.cpu;
    ours.peakMiB = std::max(ours.peakMiB, a.peakMiB);
    const Peer b = RunPeer({"ffmpeg", "-v", "error", "-nostdin", "-y", "-framerate", "25", "-i", folder + "/%06d.jpg",
                            "-c:v", "libx264", "-crf", "18", "-pix_fmt", "yuv420p", peerMovie});
    if (b.seconds < 0) return {{"make movie", ours.seconds, 0, "ffmpeg (missing)", 0, ""}};
    if (peer.seconds < 0 || b.seconds < peer.seconds) peer.seconds = b.seconds, peer.cpu = b.cpu;
    peer.peakMiB = std::max(peer.peakMiB, b.peakMiB);
  }
  std::ostringstream note;
  note << "cpu " << Secs(ours.cpu) << " vs " << Secs(peer.cpu) << " s; peak +" << MiB(ours.peakMiB)
       << " MiB (half the frames +" << MiB(halfRun.peakMiB) << "), ffmpeg " << MiB(peer.peakMiB) << " MiB";
  return {{(o.smoke ? "make movie 64x48 x" : "make movie 1080p x") + std::to_string(count), ours.seconds,
           peer.seconds, "ffmpeg libx264 -crf 18", 1.05, note.str()}};
}

bench::Register videoRun("5 video run", VideoRunRows);
bench::Register makeMovie("6 make movie", MakeMovieRows);

}  // namespace
