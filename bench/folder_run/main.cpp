// vindralo_folder_run: one folder fade job in a process of its own, so that
// the benchmark (bench/folder_rows.cpp) sees its peak memory alone.
//
//   vindralo_folder_run ours  RESULT PHOTOS FRAMES STILL FADE MARGIN
//   vindralo_folder_run plain RESULT PHOTOS FRAMES STILL FADE MARGIN
//   vindralo_folder_run measure RESULT PROGRAM ARGUMENTS...
//
// "ours" runs the application with the dialog seam answering, chooses the
// folders and types the fields, clicks "start fading" and delivers the
// timer's ticks one after the other without the 100 ms wait. "plain" is a
// plain TurboJPEG program doing the same job: each photo decoded once, every
// frame blended and encoded. Both write "SECONDS PEAK-KIB MESSAGE" to
// RESULT, timing the job alone (not the start-up), with the process's own
// peak resident memory.
//
// "measure" runs a peer program and writes "SECONDS PEAK-KIB" of it. A
// spawned program's ru_maxrss starts from the resident size of the process
// that spawned it (Linux keeps the old high-water mark across exec), so the
// benchmark, which holds big photos, lets this small process spawn the peer.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>

#include <QAbstractButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "dialogs/dialogs.h"
#include "mainwindow/timer1.h"
#include "mainwindow/window1.h"
#include "runtime/runtime.h"
#include "testing.h"
#include "ui/control_qt.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// This process's peak resident memory in KiB (the high-water mark of its
// memory since its own exec).
long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

struct Job {
  std::string photos, frames;
  int still = 1, fade = 1, margin = 0;
};

struct Outcome {
  double seconds = -1;
  long peakKiB = 0;
  std::string message;
};

// ---- ours ----------------------------------------------------------------

Window1& MainWindow() { return static_cast<Window1&>(*_GetImplicitWindow("Window1.Window1")); }
template <class T>
Ref<T> Control(const char* name) {
  return RuntimeCheckCastAs<T>(RuntimeWindowControlByName(MainWindow(), name), T::StaticClass());
}
void Click(const char* button) {
  static_cast<QAbstractButton*>(RectControlWidget(*Control<RectControl>(button)))->click();
}
void Type(const char* field, const std::string& text) { Control<TextField>(field)->SetText(text); }

Outcome Ours(const Job& j) {
  Outcome out;
  dialog_seam::Enable(true);
  RuntimeOnLoopEntered([&] {
    dialog_seam::Answer(j.frames);
    Click("BevelButton2");
    dialog_seam::Answer(j.photos);
    Click("BevelButton1");
    Type("stilltext", std::to_string(j.still));
    Type("fadetext", std::to_string(j.fade));
    for (const char* field : {"ftop", "fbottom", "fleft", "fright"}) Type(field, std::to_string(j.margin));
    Window1& w = MainWindow();
    Ref<Window1::Timer1> timer = Control<Window1::Timer1>("Timer1");
    const auto start = std::chrono::steady_clock::now();
    Click("BevelButton3");
    // Each tick as the timer delivers it, inside its own dispatch (which
    // ends when the tick's frames are on disk); a firing of the real timer
    // during a tick's background work is dropped as usual.
    while (w.tflag == 1 && !RuntimeHasPendingException()) RuntimeDispatch([&] { timer->OnFired(); });
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RuntimeRequestQuit();
  });
  const int status = vindralo_main();
  const std::vector<std::string> messages = dialog_seam::Messages();
  if (!messages.empty()) out.message = messages.back();
  if (status != 0) out.seconds = -1;
  return out;
}

// ---- a plain TurboJPEG program -------------------------------------------

struct TjFree {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjFree>;
struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The ".jpg" files of the folder in name order (the photos are numbered
// with leading zeros, so byte order is their order).
std::vector<std::string> Photos(const std::string& folder) {
  std::vector<std::string> paths;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".jpg") paths.push_back(e.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Decodes each photo once into one of two buffers, crops by pointing into
// it, blends each step into a third, and encodes and writes every frame.
Outcome Plain(const Job& j) {
  Outcome out;
  const std::vector<std::string> photos = Photos(j.photos);
  if (photos.empty()) return out;
  const auto start = std::chrono::steady_clock::now();
  TjHandle dec(tjInitDecompress()), enc(tjInitCompress());
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  {
    const std::vector<unsigned char> first = ReadFile(photos.front());
    if (tjDecompressHeader3(dec.get(), first.data(), first.size(), &width, &height, &subsampling, &colourspace) != 0)
      return out;
  }
  const int cw = width - 2 * j.margin, ch = height - 2 * j.margin;
  if (cw <= 0 || ch <= 0) return out;
  const std::size_t full = static_cast<std::size_t>(width) * height;
  std::vector<std::uint32_t> previous(full), current(full), blend(static_cast<std::size_t>(cw) * ch);
  std::vector<unsigned char> encoded(tjBufSize(cw, ch, TJSAMP_420));
  int number = 0;
  auto save = [&](const std::uint32_t* pixels, int pitchPixels) {
    unsigned char* buffer = encoded.data();
    unsigned long size = encoded.size();
    if (tjCompress2(enc.get(), reinterpret_cast<const unsigned char*>(pixels), cw, pitchPixels * 4, ch, TJPF_BGRX,
                    &buffer, &size, TJSAMP_420, 90, TJFLAG_NOREALLOC) != 0)
      return false;
    char name[32];
    std::snprintf(name, sizeof name, "/%06d.jpg", ++number);
    std::unique_ptr<std::FILE, FileClose> file(std::fopen((j.frames + name).c_str(), "wb"));
    return file && std::fwrite(buffer, 1, size, file.get()) == size;
  };
  const std::size_t cropOffset = static_cast<std::size_t>(j.margin) * width + j.margin;
  const int steps = j.fade + 1;
  for (std::size_t k = 0; k < photos.size(); ++k) {
    const std::vector<unsigned char> bytes = ReadFile(photos[k]);
    if (tjDecompress2(dec.get(), bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(current.data()), width,
                      width * 4, height, TJPF_BGRX, 0) != 0)
      return out;
    const std::uint32_t* b = current.data() + cropOffset;
    if (k > 0) {
      const std::uint32_t* a = previous.data() + cropOffset;
      for (int s = 1; s < steps; ++s) {
        const std::uint32_t weight = static_cast<std::uint32_t>((s * 256 + steps / 2) / steps), keep = 256 - weight;
        for (int y = 0; y < ch; ++y) {
          const std::uint32_t* ra = a + static_cast<std::size_t>(y) * width;
          const std::uint32_t* rb = b + static_cast<std::size_t>(y) * width;
          std::uint32_t* ro = blend.data() + static_cast<std::size_t>(y) * cw;
          for (int x = 0; x < cw; ++x) {
            const std::uint32_t p = ra[x], q = rb[x];
            const std::uint32_t redBlue =
                (((p & 0xff00ffu) * keep + (q & 0xff00ffu) * weight + 0x800080u) >> 8) & 0xff00ffu;
            const std::uint32_t green = (((p & 0xff00u) * keep + (q & 0xff00u) * weight + 0x8000u) >> 8) & 0xff00u;
            ro[x] = 0xff000000u | redBlue | green;
          }
        }
        if (!save(blend.data(), cw)) return out;
      }
    }
    // The photo itself: the first frame, or a pair's last step and its copies.
    const int copies = k == 0 ? 1 : std::max(j.still, 1);
    for (int c = 0; c < copies; ++c)
      if (!save(b, width)) return out;
    std::swap(previous, current);
  }
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out.message = "plain";
  return out;
}

// Runs the program to its end: its wall time and peak memory.
Outcome Measure(char** argv) {
  Outcome out;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return out;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return out;
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out.peakKiB = usage.ru_maxrss;
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool job = (mode == "ours" || mode == "plain") && argc == 8;
  if (!job && !(mode == "measure" && argc > 3)) {
    std::fprintf(stderr, "usage: %s ours|plain RESULT PHOTOS FRAMES STILL FADE MARGIN\n"
                 "       %s measure RESULT PROGRAM ARGUMENTS...\n", argv[0], argv[0]);
    return 2;
  }
  Outcome outcome;
  if (job) {
    const Job j{argv[3], argv[4], std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7])};
    char* self[] = {argv[0], nullptr};
    RuntimeSetArguments(1, self);  // Qt sees no arguments of ours
    outcome = mode == "ours" ? Ours(j) : Plain(j);
    outcome.peakKiB = PeakKiB();
  } else {
    outcome = Measure(argv + 3);
  }
  std::ofstream result(argv[2]);
  result << outcome.seconds << " " << outcome.peakKiB << " " << outcome.message << "\n";
  return outcome.seconds < 0 ? 1 : 0;
}
