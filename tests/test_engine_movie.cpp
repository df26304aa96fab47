// "make movie", driven through the main window with the dialog seam
// answering: a folder of JPEG frames becomes an H.264 movie. The movie is
// read back with FFmpeg's own libraries, frame by frame, and every frame is
// identified by its colour.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QMainWindow>
#include <chrono>
#include <filesystem>
#include <memory>

#include "support/engine_fixtures.h"
#include "ui/window_qt.h"

using namespace app_test;
using namespace engine_test;
using media_test::Distance;
using media_test::Rgb;
using media_test::ScratchFolder;

namespace {

constexpr int kTolerance = 20;  // JPEG, then H.264 at CRF 18

// What a movie file holds, as FFmpeg reads it.
struct MovieFacts {
  bool opened = false;
  AVCodecID codec = AV_CODEC_ID_NONE;
  std::uint32_t tag = 0;
  AVRational rate{0, 1};  // the stream's average frame rate, reduced
  double duration = 0;    // seconds
  int width = 0, height = 0;
  std::vector<std::uint32_t> centres;  // the middle pixel of every decoded frame, as RGB32
};

struct FormatClose {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

std::uint32_t CentreAsRgb(const AVFrame* frame, std::unique_ptr<SwsContext, ScalerFree>& scaler) {
  scaler.reset(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                              frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!scaler) return 0;
  sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_ITU709), frame->color_range == AVCOL_RANGE_JPEG,
                           sws_getCoefficients(SWS_CS_ITU709), 1, 0, 1 << 16, 1 << 16);
  std::vector<std::uint32_t> rgb(static_cast<std::size_t>(frame->width) * frame->height);
  std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(rgb.data())};
  const int strides[1] = {frame->width * 4};
  sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
  return rgb[static_cast<std::size_t>(frame->height / 2) * frame->width + frame->width / 2] | 0xff000000u;
}

MovieFacts ReadMovie(const std::string& path) {
  MovieFacts facts;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return facts;
  std::unique_ptr<AVFormatContext, FormatClose> format(raw);
  if (avformat_find_stream_info(raw, nullptr) < 0) return facts;
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (index < 0 || !decoder) return facts;
  const AVStream* stream = raw->streams[index];
  facts.opened = true;
  facts.codec = stream->codecpar->codec_id;
  facts.tag = stream->codecpar->codec_tag;
  av_reduce(&facts.rate.num, &facts.rate.den, stream->avg_frame_rate.num, stream->avg_frame_rate.den, 1 << 30);
  facts.duration = stream->duration > 0 ? static_cast<double>(stream->duration) * av_q2d(stream->time_base) : 0;
  facts.width = stream->codecpar->width;
  facts.height = stream->codecpar->height;

  std::unique_ptr<AVCodecContext, CodecFree> codec(avcodec_alloc_context3(decoder));
  if (!codec || avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0 ||
      avcodec_open2(codec.get(), decoder, nullptr) < 0)
    return facts;
  std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
  std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
  std::unique_ptr<SwsContext, ScalerFree> scaler;
  auto drain = [&] {
    while (avcodec_receive_frame(codec.get(), frame.get()) == 0)
      facts.centres.push_back(CentreAsRgb(frame.get(), scaler));
  };
  while (av_read_frame(raw, packet.get()) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(codec.get(), packet.get()) == 0) drain();
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(codec.get(), nullptr);
  drain();
  return facts;
}

void ExpectFramesInOrder(const MovieFacts& movie, const std::vector<std::uint32_t>& colours) {
  ASSERT_EQ(movie.centres.size(), colours.size());
  for (std::size_t i = 0; i < colours.size(); ++i)
    EXPECT_LE(Distance(movie.centres[i], colours[i]), kTolerance)
        << "frame " << i << " shows " << std::hex << movie.centres[i] << ", wanted " << colours[i];
}

void SaveSolid(const std::string& path, std::int32_t w, std::int32_t h, std::uint32_t colour) {
  GetFolderItem(path)->SaveAsJPEG(media_test::Solid(w, h, colour));
}

const std::uint32_t kColours[] = {Rgb(200, 40, 40), Rgb(40, 200, 40), Rgb(40, 40, 200), Rgb(200, 200, 40),
                                  Rgb(40, 200, 200)};

// Five photos with a text file between the first and the second; the
// third photo can be made unreadable.
struct FivePhotos {
  ScratchFolder photos, target;
  std::string movie = target / "vindralo.mov";
  explicit FivePhotos(bool thirdUnreadable = false) {
    const char* names[] = {"01.jpg", "03.jpg", "04.jpg", "05.jpg", "06.jpg"};
    for (int i = 0; i < 5; ++i) SaveSolid(photos / names[i], 64, 48, kColours[i]);
    media_test::WriteAll(photos / "02.txt", {'n', 'o', 't', 'e', 's'});
    if (thirdUnreadable) media_test::WriteAll(photos / "04.jpg", {'n', 'o', ' ', 'j', 'p', 'e', 'g'});
  }
};

// The bar as it is seen: Maximum and Value.
using Bar = std::pair<std::int32_t, std::int32_t>;
std::vector<Bar> BarChanges(const Watcher& w) {
  std::vector<Bar> bars;
  for (const Shown& s : w.Seen())
    if (bars.empty() || bars.back() != Bar{s.maximum, s.value}) bars.push_back({s.maximum, s.value});
  return bars;
}
Bar BarNow() {
  Ref<ProgressBar> bar = ControlNamed<ProgressBar>("ProgressBar1");
  return {bar->Maximum(), bar->Value()};
}
void SetBar(Bar bar) {
  Ref<ProgressBar> p = ControlNamed<ProgressBar>("ProgressBar1");
  p->SetMaximum(bar.first);
  p->SetValue(bar.second);
}

// Clicks "make movie" with the two answers and watches the bar meanwhile.
std::vector<Bar> MakeMovie(std::optional<std::string> folder, std::optional<std::string> target) {
  dialog_seam::Answer(std::move(folder));
  dialog_seam::Answer(std::move(target));
  Watcher watcher;
  watcher.Start();
  Click("BevelButton6");
  watcher.Stop();
  EXPECT_FALSE(RuntimeHasPendingException());
  return BarChanges(watcher);
}

std::string DocumentsOfVolume0() {
  return std::filesystem::is_directory("/Documents") ? "/Documents/" : "/Documents";
}

}  // namespace

// The five photos become five frames in folder order, at the typed rate
// kept exactly, with the bar following the position in the path list.
TEST(MakeMovie, FivePhotosBecomeFiveFramesAtTheTypedRate) {
  struct Case {
    const char* fps;
    AVRational rate;
  };
  for (const Case& c : {Case{"25", {25, 1}}, Case{"29.97", {2997, 100}}}) {
    SCOPED_TRACE(std::string("fps ") + c.fps);
    FivePhotos f;
    AppRun run = RunApp([&] {
      SetField("fps", c.fps);
      SetBar({7, 3});
      dialog_seam::TakeLog();
      const std::vector<Bar> bars = MakeMovie(f.photos.Path(), f.movie);
      EXPECT_EQ(bars, (std::vector<Bar>{{7, 3}, {0, 3}, {100, 25}, {100, 50}, {100, 75}, {100, 100}}));
      EXPECT_EQ(BarNow(), (Bar{100, 0}));

      const std::vector<DialogRecord> log = dialog_seam::TakeLog();
      ASSERT_EQ(log.size(), 2u);  // the two dialogs and no message
      EXPECT_EQ(log[0].kind, "SelectFolderDialog");
      EXPECT_EQ(log[0].fields, (std::map<std::string, std::string>{
                                   {"ActionButtonCaption", "Select"},
                                   {"Title", "Title Property"},
                                   {"PromptText", "Select the folder containing the images"},
                                   {"InitialDirectory", "/"},
                               }));
      EXPECT_EQ(log[1].kind, "SaveAsDialog");
      EXPECT_EQ(log[1].fields, (std::map<std::string, std::string>{
                                   {"InitialDirectory", DocumentsOfVolume0()},
                                   {"PromptText", "save the movie where?"},
                                   {"SuggestedFileName", "vindralo.mov"},
                                   {"Title", "save movie where?"},
                               }));
      // The movie is complete once the handler has let it go.
      EXPECT_EQ(FileNames(f.target.Path()), std::vector<std::string>{"vindralo.mov"});
      const MovieFacts movie = ReadMovie(f.movie);
      ASSERT_TRUE(movie.opened);
      EXPECT_EQ(movie.codec, AV_CODEC_ID_H264);
      EXPECT_EQ(movie.tag, MKTAG('a', 'v', 'c', '1'));
      EXPECT_EQ(movie.rate.num, c.rate.num);
      EXPECT_EQ(movie.rate.den, c.rate.den);
      EXPECT_NEAR(movie.duration, 5 / av_q2d(c.rate), 1e-3);
      EXPECT_EQ(movie.width, 64);
      EXPECT_EQ(movie.height, 48);
      ExpectFramesInOrder(movie, {kColours[0], kColours[1], kColours[2], kColours[3], kColours[4]});
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.messages.empty());
  }
}

// An unreadable third photo is skipped without a word: four frames, and
// the bar goes from 25 straight to 75.
TEST(MakeMovie, UnreadablePhotoIsSkipped) {
  FivePhotos f(true);
  AppRun run = RunApp([&] {
    SetBar({7, 3});
    const std::vector<Bar> bars = MakeMovie(f.photos.Path(), f.movie);
    EXPECT_EQ(bars, (std::vector<Bar>{{7, 3}, {0, 3}, {100, 25}, {100, 75}, {100, 100}}));
    EXPECT_EQ(BarNow(), (Bar{100, 0}));
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
  const MovieFacts movie = ReadMovie(f.movie);
  ASSERT_TRUE(movie.opened);
  ExpectFramesInOrder(movie, {kColours[0], kColours[1], kColours[3], kColours[4]});
  EXPECT_NEAR(movie.duration, 4 / 25.0, 1e-3);
}

// Fewer than two ".jpg" paths, or a cancelled dialog: no file, no message,
// the bar untouched; the save dialog is shown whenever a folder was chosen.
TEST(MakeMovie, NoMovieWithoutTwoPathsOrWhenCancelled) {
  struct Case {
    const char* what;
    int photos;
    bool chooseFolder, chooseTarget;
    std::vector<std::string> dialogs;
  };
  const Case cases[] = {
      {"one .jpg entry", 1, true, true, {"SelectFolderDialog", "SaveAsDialog"}},
      {"no .jpg entry", 0, true, true, {"SelectFolderDialog", "SaveAsDialog"}},
      {"folder dialog cancelled", 5, false, true, {"SelectFolderDialog"}},
      {"save dialog cancelled", 5, true, false, {"SelectFolderDialog", "SaveAsDialog"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder photos, target;
    for (int i = 0; i < c.photos; ++i) SaveSolid(photos / (std::to_string(i) + ".jpg"), 16, 16, kColours[i]);
    media_test::WriteAll(photos / "readme.txt", {'x'});
    AppRun run = RunApp([&] {
      SetBar({7, 3});
      dialog_seam::TakeLog();
      const std::vector<Bar> bars = MakeMovie(c.chooseFolder ? std::optional(photos.Path()) : std::nullopt,
                                              c.chooseTarget ? std::optional(target / "vindralo.mov") : std::nullopt);
      EXPECT_EQ(bars, (std::vector<Bar>{{7, 3}}));
      EXPECT_EQ(BarNow(), (Bar{7, 3}));
      std::vector<std::string> kinds;
      for (const DialogRecord& r : dialog_seam::TakeLog()) kinds.push_back(r.kind);
      EXPECT_EQ(kinds, c.dialogs);
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_TRUE(FileNames(target.Path()).empty());
  }
}

// The track takes the odd size of the first picture; later pictures of
// other sizes are fitted into it. The movie still plays, every frame.
TEST(MakeMovie, OddFirstSizeAndOtherSizesStillPlay) {
  ScratchFolder photos, target;
  SaveSolid(photos / "1.jpg", 33, 25, kColours[0]);
  SaveSolid(photos / "2.jpg", 64, 48, kColours[1]);
  SaveSolid(photos / "3.jpg", 20, 60, kColours[2]);
  SaveSolid(photos / "4.jpg", 33, 25, kColours[3]);
  AppRun run = RunApp([&] { MakeMovie(photos.Path(), target / "odd.mov"); });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
  const MovieFacts movie = ReadMovie(target / "odd.mov");
  ASSERT_TRUE(movie.opened);
  EXPECT_EQ(movie.codec, AV_CODEC_ID_H264);
  EXPECT_TRUE(movie.width == 33 || movie.width == 34) << movie.width;  // the first picture's, or padded to even
  EXPECT_TRUE(movie.height == 25 || movie.height == 26) << movie.height;
  ExpectFramesInOrder(movie, {kColours[0], kColours[1], kColours[2], kColours[3]});
}

// The last step of the work: a folder run writes its frames, and the movie
// made from that folder plays them in order, each 1 / rate long.
TEST(MakeMovie, FramesOfAFolderRunPlayInOrder) {
  ScratchFolder source, destination, target;
  media_test::WriteAll(source / "0.txt", {'x'});  // a folder run starts at the second entry
  SaveSolid(source / "1.jpg", 64, 48, kColours[0]);
  SaveSolid(source / "2.jpg", 64, 48, kColours[1]);
  SaveSolid(source / "3.jpg", 64, 48, kColours[2]);
  AppRun run = RunApp([&] {
    ChooseDestination(destination.Path());
    dialog_seam::Answer(source.Path());
    Click("BevelButton1");
    SetField("stilltext", "1");
    SetField("fadetext", "1");
    Click("BevelButton3");
    ASSERT_TRUE(WaitUntil(
        [] {
          const auto m = dialog_seam::Messages();
          return !m.empty() && m.back().rfind("all done ", 0) == 0;
        },
        20000));
    ASSERT_EQ(FileNames(destination.Path()), FrameNames(5));
    SetField("fps", "10");
    MakeMovie(destination.Path(), target / "fade.mov");
  });
  EXPECT_EQ(run.status, 0);
  const MovieFacts movie = ReadMovie(target / "fade.mov");
  ASSERT_TRUE(movie.opened);
  // The frames as the folder run wrote them, in their order.
  std::vector<std::uint32_t> written;
  for (const std::string& name : FrameNames(5)) written.push_back(CentreOf(PictureOf(destination / name)));
  ExpectFramesInOrder(movie, written);
  ExpectFramesInOrder(movie, {kColours[0], Mix(kColours[0], kColours[1]), kColours[1],
                              Mix(kColours[1], kColours[2]), kColours[2]});
  EXPECT_EQ(movie.rate.num, 10);
  EXPECT_EQ(movie.rate.den, 1);
  EXPECT_NEAR(movie.duration, 5 / 10.0, 1e-3);
}

// A rate that is no positive number is refused before any dialog; a first
// picture that does not read is named with the reason. Neither leaves a
// file behind (not even a temporary one), and the application goes on.
TEST(MakeMovie, NoTrackOrNoFirstPictureEndsWithAMessageAndNoFile) {
  struct Case {
    const char* what;
    const char* fps;
    bool firstUnreadable;
    std::vector<std::string> dialogs;
  };
  const std::string rate = "MsgBox the frame rate of the movie must be a number above 0";
  const Case cases[] = {
      {"rate 0", "0", false, {rate}},
      {"rate -5", "-5", false, {rate}},
      {"rate no number", "fast", false, {rate}},
      {"rate empty", "", false, {rate}},
      {"first photo unreadable", "25", true,
       {"SelectFolderDialog", "SaveAsDialog", "MsgBox cannot read 01.jpg: not a JPEG file"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FivePhotos f;
    if (c.firstUnreadable) media_test::WriteAll(f.photos / "01.jpg", {'?'});
    std::vector<std::string> dialogs;
    AppRun run = RunApp([&] {
      SetField("fps", c.fps);
      dialog_seam::Answer(f.photos.Path());
      dialog_seam::Answer(f.movie);
      dialog_seam::TakeLog();
      Click("BevelButton6");
      for (const DialogRecord& r : dialog_seam::TakeLog()) dialogs.push_back(r.kind == "MsgBox" ? "MsgBox " + r.text : r.kind);
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(dialogs, c.dialogs);
    EXPECT_TRUE(FileNames(f.target.Path()).empty());
  }
}

// The window manager's close button or Ctrl+Q while the movie is being
// made ends the application as a normal quit, at once; the movie is
// finished with the frames appended so far and plays, and no temporary
// file is left.
TEST(MakeMovie, CloseAndQuitMidwayLeaveAFinishedShorterMovie) {
  for (const QuitRequest& c : kQuitRequests) {
    SCOPED_TRACE(c.what);
    FivePhotos f;
    std::chrono::steady_clock::time_point requested{};
    AppRun run = RunApp([&] {
      dialog_seam::Answer(f.photos.Path());
      dialog_seam::Answer(f.movie);
      Watcher watcher;
      watcher.OnChange([&](const Shown& s) {
        if (s.maximum != 100 || s.value != 50 || requested != std::chrono::steady_clock::time_point{}) return;
        requested = std::chrono::steady_clock::now();
        c.request();
      });
      watcher.Start();
      Click("BevelButton6");  // returns when the quit has unwound the handler
      EXPECT_TRUE(RuntimeIsQuitting());
    });
    EXPECT_LT(std::chrono::steady_clock::now() - requested, std::chrono::seconds(1)) << "the application ended late";
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(FileNames(f.target.Path()), std::vector<std::string>{"vindralo.mov"});
    const MovieFacts movie = ReadMovie(f.movie);
    ASSERT_TRUE(movie.opened);
    ExpectFramesInOrder(movie, {kColours[0], kColours[1], kColours[2]});
  }
}
