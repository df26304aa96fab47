#pragma once
// Fixtures for the engine's tests in the running application: clicking the
// window's buttons with the dialogs answered, folders of solid-colour
// photos whose crops and cross-fades have known colours, and a recorder of
// the folder run's ticks that watches the real timer.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialogs.h"
#include "mainwindow/timer1.h"
#include "runtime/delegate.h"
#include "runtime/runtime.h"
#include "support/app_fixture.h"
#include "support/file_names.h"
#include "support/media_fixtures.h"

namespace engine_test {

using media_test::Rgb;

// ---- the window, as the user works it ------------------------------------

// A click on the control's widget: the real Action path runs.
inline void Click(std::string_view control) {
  QTest::mouseClick(app_test::WidgetNamed(control), Qt::LeftButton);
}
// A click on a button whose dialog is answered with the path (nullopt: cancel).
inline void ClickAnswering(std::string_view button, std::optional<std::string> answer) {
  dialog_seam::Answer(std::move(answer));
  Click(button);
}
inline std::string Caption(std::string_view button) { return app_test::ControlNamed<BevelButton>(button)->Caption(); }
inline std::string FieldText(std::string_view field) { return app_test::ControlNamed<TextField>(field)->Text(); }
inline void SetField(std::string_view field, const std::string& text) {
  app_test::ControlNamed<TextField>(field)->SetText(text);
}
inline Ref<ProgressBar> Progress() { return app_test::ControlNamed<ProgressBar>("ProgressBar1"); }

// The kinds of dialog shown since the last TakeLog, in order.
inline std::vector<std::string> TakeDialogKinds() {
  std::vector<std::string> kinds;
  for (const DialogRecord& r : dialog_seam::TakeLog()) kinds.push_back(r.kind == "MsgBox" ? "MsgBox " + r.text : r.kind);
  return kinds;
}

// ---- photos of known content ----------------------------------------------

// The crop margins the run tests type into ftop, fbottom, fleft, fright.
struct Margins {
  std::int32_t top = 4, bottom = 6, left = 8, right = 10;
};
constexpr std::int32_t kPhotoWidth = 64, kPhotoHeight = 48;
const std::uint32_t kMarginColour = Rgb(250, 0, 250);
const std::uint32_t kMarkerColour = Rgb(240, 220, 30);

// A photo of one colour, with the margins in magenta and a yellow 16 x 16
// marker at the top-left corner of what the margins keep: a crop shows the
// marker in its own top-left corner and no magenta.
inline Ref<Picture> Photo(std::uint32_t colour, const Margins& m = {}) {
  Ref<Picture> p = media_test::Solid(kPhotoWidth, kPhotoHeight, colour);
  for (std::int32_t y = 0; y < kPhotoHeight; ++y)
    for (std::int32_t x = 0; x < kPhotoWidth; ++x) {
      const bool margin = y < m.top || y >= kPhotoHeight - m.bottom || x < m.left || x >= kPhotoWidth - m.right;
      const bool marker = x >= m.left && x < m.left + 16 && y >= m.top && y < m.top + 16;
      if (margin) p->Row(y)[x] = kMarginColour;
      else if (marker) p->Row(y)[x] = kMarkerColour;
    }
  return p;
}

// A step of the cross-fade from a to b: weight j/n on b.
inline std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int j, int n) {
  auto channel = [&](int ca, int cb) { return ca + (cb - ca) * j / n; };
  using media_test::Blue, media_test::Green, media_test::Red;
  return Rgb(channel(Red(a), Red(b)), channel(Green(a), Green(b)), channel(Blue(a), Blue(b)));
}

// The kinds of entry a source folder is made of.
struct Entry {
  enum Kind { kPhoto, kText, kFolder, kBroken } kind;
  std::string name;
  std::uint32_t colour = 0;
};
inline Entry PhotoEntry(std::string name, std::uint32_t colour) { return {Entry::kPhoto, std::move(name), colour}; }
inline Entry TextEntry(std::string name) { return {Entry::kText, std::move(name)}; }
inline Entry FolderEntry(std::string name) { return {Entry::kFolder, std::move(name)}; }
inline Entry BrokenEntry(std::string name) { return {Entry::kBroken, std::move(name)}; }

// Makes the entries in the folder (photos through the platform's own JPEG writer).
inline void MakeEntries(const std::string& folder, const std::vector<Entry>& entries, const Margins& m = {}) {
  std::filesystem::create_directories(folder);
  for (const Entry& e : entries) {
    const std::string path = folder + "/" + e.name;
    switch (e.kind) {
      case Entry::kPhoto: GetFolderItem(path)->SaveAsJPEG(Photo(e.colour, m)); break;
      case Entry::kText: media_test::WriteAll(path, {'n', 'o', 't', 'e', '\n'}); break;
      case Entry::kFolder: std::filesystem::create_directories(path); break;
      case Entry::kBroken: media_test::WriteAll(path, {0xff, 0xd8, 0xff, 0xe0, 0, 0x10, 'J', 'F', 'I', 'F'}); break;
    }
  }
}

// The frame file is a crop by the margins of a photo of that colour:
// its size, the marker in its top-left corner and the colour elsewhere,
// within JPEG's tolerance.
inline testing::AssertionResult FrameShows(const std::string& path, std::uint32_t colour, const Margins& m = {},
                                           int tolerance = 10) {
  Ref<Picture> p = GetFolderItem(path)->OpenAsPicture();
  if (!p) return testing::AssertionFailure() << path << " does not read as a picture";
  const std::int32_t w = kPhotoWidth - m.left - m.right, h = kPhotoHeight - m.top - m.bottom;
  if (p->Width() != w || p->Height() != h)
    return testing::AssertionFailure() << path << " is " << p->Width() << "x" << p->Height() << ", not " << w << "x"
                                       << h;
  struct Probe {
    std::int32_t x, y;
    std::uint32_t want;
  };
  const Probe probes[] = {{5, 5, kMarkerColour}, {w / 2, h / 2, colour},     {w - 5, 5, colour},
                          {5, h - 5, colour},    {w - 5, h - 5, colour},     {20, 3, colour}};
  const PixelSnapshot rgb = media_test::RgbOf(p);
  for (const Probe& q : probes) {
    const std::uint32_t got = media_test::PixelAt(rgb, q.x, q.y);
    if (media_test::Distance(got, q.want) > tolerance)
      return testing::AssertionFailure() << path << " at (" << q.x << ", " << q.y << ") is " << std::hex << got
                                         << ", not " << q.want;
  }
  return testing::AssertionSuccess();
}

// ---- the folder run, tick by tick -------------------------------------------

// What one active tick of Timer1 did (a tick that began with tflag 1).
struct Tick {
  std::vector<std::int32_t> values;        // the values the bar showed (clamped to its range) as they changed
  std::vector<std::string> statuses;       // the status texts as they changed during the tick
  std::vector<std::string> messages;       // the message boxes it showed
  std::int32_t value = 0;                  // the progress value after it
  std::string status;                      // the status text after it
  std::int32_t fcnter = 0, itemIdx = 0, tflag = 0;
  Ref<Picture> backdrop;                   // the preview's picture after it
  std::vector<std::string> files;          // the destination's names once the tick's work was complete
};

// Watches the real Timer1: its installed Action handler is wrapped so that
// each active tick is recorded; `afterTick` runs once each recorded tick's
// dispatch has ended, before the next tick (as a user's action between two
// ticks).
class TickRecorder {
 public:
  explicit TickRecorder(std::string destination) : destination_(std::move(destination)) {
    Window1& window = app_test::MainWindow();
    timer_ = app_test::ControlNamed<Window1::Timer1>("Timer1");
    original_ = timer_->InstalledHandler("Action");
    auto* bar = qobject_cast<QProgressBar*>(app_test::WidgetNamed("ProgressBar1"));
    auto* status = qobject_cast<QLineEdit*>(app_test::WidgetNamed("TextField1"));
    valueWatch_ = QObject::connect(bar, &QProgressBar::valueChanged, [this](int v) {
      if (current_) current_->values.push_back(v);
    });
    statusWatch_ = QObject::connect(status, &QLineEdit::textChanged, [this](const QString& text) {
      if (current_) current_->statuses.push_back(text.toStdString());
    });
    const MethodFunction tick = original_->Function();
    timer_->InstallHandler(
        "Action", RuntimeCreateDelegate(
                      "Delegate.IM_Invoke%%",
                      [this, tick](Object& me, std::span<const Variant> args) -> Variant {
                        Window1& w = app_test::MainWindow();
                        if (w.tflag != 1) {
                          ++idleTicks;
                          return tick(me, args);
                        }
                        Tick record;
                        current_ = &record;
                        const std::size_t shown = dialog_seam::Messages().size();
                        struct Finish {
                          TickRecorder& self;
                          Tick& record;
                          std::size_t shown;
                          ~Finish() { self.Finished(std::move(record), shown); }
                        } finish{*this, record, shown};
                        return tick(me, args);
                      },
                      &window, "(  )"));
  }
  ~TickRecorder() {
    QObject::disconnect(valueWatch_);
    QObject::disconnect(statusWatch_);
    if (timer_) timer_->InstallHandler("Action", original_);
  }
  TickRecorder(const TickRecorder&) = delete;
  TickRecorder& operator=(const TickRecorder&) = delete;

  // Runs the event loop until that many active ticks were recorded, and
  // their after-tick work was done.
  bool WaitForTicks(std::size_t count, int timeoutMilliseconds = 20000) {
    // An exception that left a handler ends the application: no more ticks come.
    return app_test::WaitUntil([&] { return settled_ >= count || RuntimeHasPendingException(); },
                               timeoutMilliseconds) &&
           settled_ >= count;
  }

  std::vector<Tick> ticks;
  int idleTicks = 0;
  std::function<void(std::size_t tick)> afterTick;  // 1-based number of the tick just recorded

 private:
  void Finished(Tick&& record, std::size_t shown) {
    current_ = nullptr;
    Window1& w = app_test::MainWindow();
    std::vector<std::string> messages = dialog_seam::Messages();
    record.messages.assign(messages.begin() + static_cast<std::ptrdiff_t>(std::min(shown, messages.size())),
                           messages.end());
    record.value = Progress()->Value();
    record.status = FieldText("TextField1");
    record.fcnter = w.fcnter;
    record.itemIdx = w.itemIdx;
    record.tflag = w.tflag;
    record.backdrop = app_test::ControlNamed<Canvas>("Canvas1")->Backdrop();
    ticks.push_back(std::move(record));
    const std::size_t number = ticks.size();
    // The files are listed, and the user acts, once the tick's dispatch has
    // ended and every frame it saved is complete.
    QTimer::singleShot(0, &context_, [this, number] {
      ticks[number - 1].files = FileNames(destination_);
      if (afterTick) afterTick(number);
      settled_ = std::max(settled_, number);
    });
  }

  std::string destination_;
  Ref<Window1::Timer1> timer_;
  Ref<Delegate> original_;
  Tick* current_ = nullptr;
  std::size_t settled_ = 0;
  QMetaObject::Connection valueWatch_, statusWatch_;
  QObject context_;  // pending after-tick work goes with the recorder
};

// Holds Timer1's Action to counting while it lives, so that clicks can be
// checked without a run moving on between them.
class QuietTimer {
 public:
  QuietTimer() {
    timer_ = app_test::ControlNamed<Window1::Timer1>("Timer1");
    original_ = timer_->InstalledHandler("Action");
    timer_->InstallHandler("Action", RuntimeCreateDelegate(
                                         "Delegate.IM_Invoke%%",
                                         [this](Object&, std::span<const Variant>) -> Variant {
                                           ++ticks;
                                           return {};
                                         },
                                         &app_test::MainWindow(), "(  )"));
  }
  ~QuietTimer() { timer_->InstallHandler("Action", original_); }
  QuietTimer(const QuietTimer&) = delete;
  QuietTimer& operator=(const QuietTimer&) = delete;
  int ticks = 0;

 private:
  Ref<Window1::Timer1> timer_;
  Ref<Delegate> original_;
};

}  // namespace engine_test
