// vindralo_folder_run: our side of the benchmark's whole-process rows. Each
// mode starts the application, works its main window as a user would (the
// dialog seam answering the dialogs and message boxes), and quits; the
// benchmark times the whole process from spawn to exit, as it times every
// peer.
//
//   run   PHOTOS FRAMES STILL FADE MARGIN
//         the folder run: folders chosen, fields typed, "start fading"
//         clicked, then the timer's ticks delivered one after the other
//         without the 100 ms wait until the run says "all done".
//   ticks RESULT PHOTOS FRAMES STILL FADE MARGIN TICKS
//         the same run for TICKS ticks, each timed on its own, then
//         "stop fading"; RESULT gets one tick's seconds a line.
//   video VIDEO FRAMES RATE STILL FADE
//         the video run: "start fading" with the video as the source.
//   movie FOLDER MOVIE RATE
//         "make movie" on the folder of frames.
//   step  VIDEO COUNT RATE
//         the first COUNT pictures of the video, one frame time apart, as
//         a run on that video reads them.
// The exit status is 0 when the work ended as it should.
#include <QAbstractButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/startup.h"
#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "mainwindow/timer1.h"
#include "mainwindow/window1.h"
#include "runtime/runtime.h"
#include "testing.h"
#include "ui/control_qt.h"

namespace {

Window1& MainWindow() { return static_cast<Window1&>(*_GetImplicitWindow("Window1.Window1")); }
template <class T>
Ref<T> Control(const char* name) {
  return RuntimeCheckCastAs<T>(RuntimeWindowControlByName(MainWindow(), name), T::StaticClass());
}
void Click(const char* button) {
  static_cast<QAbstractButton*>(RectControlWidget(*Control<RectControl>(button)))->click();
}
void Type(const char* field, const std::string& text) { Control<TextField>(field)->SetText(text); }
// Clicks a button whose dialog the seam answers with the path.
void Choose(const char* button, const char* path) {
  dialog_seam::Answer(std::string(path));
  Click(button);
}

// The application around `body`, with the dialog seam answering; the last
// message it showed, or the reason it failed.
struct Ending {
  bool ok = false;
  std::string message;
};
Ending RunApp(const std::function<void()>& body) {
  dialog_seam::Enable(true);
  RuntimeOnLoopEntered([body] {
    body();
    RuntimeRequestQuit();
  });
  const int status = vindralo_main();
  const std::vector<std::string> messages = dialog_seam::Messages();
  Ending e{status == 0, messages.empty() ? "" : messages.back()};
  if (!e.ok && e.message.empty()) e.message = "the application exited with status " + std::to_string(status);
  return e;
}

// Chooses the folders and types the folder run's fields.
void SetUpFolderRun(char** a) {
  Choose("BevelButton2", a[1]);
  Choose("BevelButton1", a[0]);
  Type("stilltext", a[2]);
  Type("fadetext", a[3]);
  for (const char* field : {"ftop", "fbottom", "fleft", "fright"}) Type(field, a[4]);
}

// One tick as the timer delivers it, inside its own dispatch (which ends
// when the tick's frames are on disk); a firing of the real timer during
// the tick's background work is dropped as usual.
void Tick() {
  Ref<Window1::Timer1> timer = Control<Window1::Timer1>("Timer1");
  RuntimeDispatch([&] { timer->OnFired(); });
}
bool Running() { return MainWindow().tflag == 1 && !RuntimeHasPendingException(); }

// PHOTOS FRAMES STILL FADE MARGIN
Ending FolderRun(char** a) {
  Ending e = RunApp([&] {
    SetUpFolderRun(a);
    Click("BevelButton3");
    while (Running()) Tick();
  });
  e.ok = e.ok && e.message.rfind("all done", 0) == 0;
  return e;
}

// RESULT PHOTOS FRAMES STILL FADE MARGIN TICKS
Ending Ticks(char** a) {
  const int ticks = std::atoi(a[6]);
  std::vector<double> seconds;
  Ending e = RunApp([&] {
    SetUpFolderRun(a + 1);
    Click("BevelButton3");
    while (static_cast<int>(seconds.size()) < ticks && Running()) {
      const auto start = std::chrono::steady_clock::now();
      Tick();
      seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (Running()) Click("BevelButton3");  // "stop fading"
  });
  e.ok = e.ok && static_cast<int>(seconds.size()) == ticks && e.message == "stopped";
  std::ofstream result(a[0]);
  for (double s : seconds) result << s << "\n";
  return e;
}

// VIDEO FRAMES RATE STILL FADE
Ending VideoRun(char** a) {
  Ending e = RunApp([&] {
    Choose("BevelButton2", a[1]);
    Choose("BevelButton4", a[0]);
    Type("sourcefps", a[2]);
    Type("stilltext", a[3]);
    Type("fadetext", a[4]);
    Click("BevelButton3");
  });
  e.ok = e.ok && e.message.rfind("all done", 0) == 0;
  return e;
}

// FOLDER MOVIE RATE
Ending MakeMovie(char** a) {
  std::filesystem::remove(a[1]);
  Ending e = RunApp([&] {
    Type("fps", a[2]);
    dialog_seam::Answer(std::string(a[0]));
    dialog_seam::Answer(std::string(a[1]));
    Click("BevelButton6");
  });
  e.ok = e.ok && std::filesystem::exists(a[1]);
  if (!e.ok && e.message.empty()) e.message = "no movie was written";
  return e;
}

// VIDEO COUNT RATE
Ending Step(char** a) {
  const int count = std::atoi(a[1]);
  const double rate = std::atof(a[2]);
  return RunApp([&] {
    Ref<EditableMovie> movie = GetFolderItem(a[0])->OpenEditableMovie();
    if (!movie) RaiseNilObjectException(std::string("the movie ") + a[0]);
    for (int i = 0; i < count; ++i) {
      movie->SetPosition(i / rate);
      if (!movie->Picture()) RaiseNilObjectException("the picture at frame " + std::to_string(i));
    }
  });
}

struct Mode {
  const char* name;
  int arguments;
  Ending (*run)(char**);
};
constexpr Mode kModes[] = {{"run", 5, FolderRun}, {"ticks", 7, Ticks}, {"video", 5, VideoRun},
                           {"movie", 3, MakeMovie}, {"step", 3, Step}};

}  // namespace

int main(int argc, char** argv) {
  const std::string name = argc > 1 ? argv[1] : "";
  for (const Mode& mode : kModes) {
    if (name != mode.name || argc != mode.arguments + 2) continue;
    char* self[] = {argv[0], nullptr};
    RuntimeSetArguments(1, self);  // Qt sees no arguments of ours
    const Ending e = mode.run(argv + 2);
    if (!e.ok) std::fprintf(stderr, "%s %s: %s\n", argv[0], mode.name, e.message.c_str());
    return e.ok ? 0 : 1;
  }
  std::fprintf(stderr, "usage: %s run|ticks|video|movie|step ARGUMENTS... (see bench/folder_run/main.cpp)\n", argv[0]);
  return 2;
}
