#pragma once
// Helpers for driving the fade and movie engine through the main window:
// clicking its buttons with the dialog seam answering, typing into its
// fields, making test videos whose frames are solid colours, and watching
// the progress bar, the status field and the preview while a handler runs.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "media/movie.h"
#include "runtime/runtime.h"
#include "support/app_fixture.h"
#include "support/file_names.h"
#include "support/media_fixtures.h"

namespace engine_test {

// Clicks a button of the main window as a user would; the handler runs
// before this returns.
inline void Click(const char* button) { QTest::mouseClick(app_test::WidgetNamed(button), Qt::LeftButton); }

inline void SetField(const char* field, const std::string& text) {
  app_test::ControlNamed<TextField>(field)->SetText(text);
}
inline std::string FieldText(const char* field) { return app_test::ControlNamed<TextField>(field)->Text(); }

// "destination folder" with the folder as the dialog's answer.
inline void ChooseDestination(const std::string& folder) {
  dialog_seam::Answer(folder);
  Click("BevelButton2");
}
// "source video" with the file as the dialog's answer.
inline void OpenSourceVideo(const std::string& file) {
  dialog_seam::Answer(file);
  Click("BevelButton4");
}

// A movie written with the platform's own writer: one frame per colour, all
// of the same size, at the rate.
inline void WriteSolidVideo(const std::string& path, std::int32_t w, std::int32_t h, double rate,
                            const std::vector<std::uint32_t>& colours) {
  Ref<EditableMovie> movie = EditableMovie::Create(path);
  Ref<QTVideoTrack> track = movie->NewVideoTrack(w, h, rate);
  ASSERT_TRUE(track);
  for (std::uint32_t c : colours) track->AppendPicture(media_test::Solid(w, h, c));
}

// The picture of a file, or none.
inline Ref<Picture> PictureOf(const std::string& path) { return GetFolderItem(path)->OpenAsPicture(); }

inline std::uint32_t CentreOf(const Ref<Picture>& p) {
  return media_test::PixelAt(p, p->Width() / 2, p->Height() / 2);
}

// Half way between two colours, as a cross-fade's middle frame shows it.
inline std::uint32_t Mix(std::uint32_t a, std::uint32_t b) {
  using namespace media_test;
  return Rgb((Red(a) + Red(b)) / 2, (Green(a) + Green(b)) / 2, (Blue(a) + Blue(b)) / 2);
}

// What the main window shows at one moment.
struct Shown {
  std::string status;        // TextField1
  std::int32_t value = 0;    // ProgressBar1
  std::int32_t maximum = 0;  // ProgressBar1
  Ref<Picture> preview;      // Canvas1's backdrop
  bool operator==(const Shown& o) const {
    return status == o.status && value == o.value && maximum == o.maximum && preview.get() == o.preview.get();
  }
  // The colour in the middle of the preview; 0 when there is none.
  std::uint32_t PreviewColour() const { return preview ? CentreOf(preview) : 0; }
};

inline Shown ShownNow() {
  Ref<ProgressBar> bar = app_test::ControlNamed<ProgressBar>("ProgressBar1");
  return {.status = FieldText("TextField1"),
          .value = bar->Value(),
          .maximum = bar->Maximum(),
          .preview = app_test::ControlNamed<Canvas>("Canvas1")->Backdrop()};
}

// Samples what the window shows every time the event loop runs, also
// inside a handler's background tasks, and keeps each change: a timer of
// zero interval fires at every pass of the loop. The state when sampling
// starts is the first entry. A preview counts as changed when another
// picture is shown; the samples keep the pictures alive.
class Watcher {
 public:
  Watcher() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Sample(); });
  }
  void Start() {
    Sample();
    timer_.start();
  }
  void Stop() { timer_.stop(); }
  // The changes seen, the starting state first.
  const std::vector<Shown>& Seen() const { return seen_; }
  int Samples() const { return samples_; }
  // Called with every change as it is seen, so a test can act while the
  // handler waits in a background task.
  void OnChange(std::function<void(const Shown&)> hook) { hook_ = std::move(hook); }

 private:
  void Sample() {
    ++samples_;
    Shown now = ShownNow();
    if (!seen_.empty() && seen_.back() == now) return;
    seen_.push_back(std::move(now));
    if (hook_) hook_(seen_.back());
  }
  QTimer timer_;
  std::vector<Shown> seen_;
  std::function<void(const Shown&)> hook_;
  int samples_ = 0;
};

}  // namespace engine_test
