// Movies: written H.264 files decoded back with FFmpeg, and videos read
// frame by frame.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>
#include <random>
#include <thread>

#include "files/folder_item.h"
#include "media/movie.h"
#include "media/movie_writer.h"
#include "runtime/task_pool.h"
#include "support/media_fixtures.h"
#include "testing.h"

using namespace media_test;

namespace {

// The colour of frame i of the test videos: distinct, far apart.
std::uint32_t FrameColour(int i) {
  static const std::uint32_t colours[] = {Rgb(220, 20, 20),  Rgb(20, 200, 30),   Rgb(30, 30, 220), Rgb(230, 230, 30),
                                          Rgb(30, 220, 220), Rgb(220, 40, 220),  Rgb(250, 250, 250), Rgb(10, 10, 10),
                                          Rgb(240, 130, 20), Rgb(120, 120, 120)};
  return colours[i % 10];
}

// Writes `count` solid frames of FrameColour at the rate; the movie is
// finished when the function returns.
void WriteMovie(const std::string& path, int w, int h, double rate, int count) {
  Ref<EditableMovie> movie = GetFolderItem(path)->CreateMovie();
  Ref<QTVideoTrack> track = movie->NewVideoTrack(w, h, rate);
  ASSERT_TRUE(track);
  track->SetCompressionType("avc1");
  for (int i = 0; i < count; ++i) track->AppendPicture(Solid(w, h, FrameColour(i)));
}

struct Probe {
  AVCodecID codec = AV_CODEC_ID_NONE;
  std::uint32_t tag = 0;
  int profile = 0, width = 0, height = 0;
  AVRational rate{0, 1};
  AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
  AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
  AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
  AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
  int frames = 0;
  std::vector<int> firstLuma;  // the top-left luma sample of each frame
  std::string format;
};

// Opens the file with FFmpeg and decodes every frame of its video.
Probe ProbeMovie(const std::string& path) {
  Probe p;
  AVFormatContext* fc = nullptr;
  EXPECT_EQ(avformat_open_input(&fc, path.c_str(), nullptr, nullptr), 0);
  if (!fc) return p;
  avformat_find_stream_info(fc, nullptr);
  p.format = fc->iformat->name;
  const int s = av_find_best_stream(fc, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  EXPECT_GE(s, 0);
  if (s < 0) return avformat_close_input(&fc), p;
  const AVCodecParameters* par = fc->streams[s]->codecpar;
  p.codec = par->codec_id;
  p.tag = par->codec_tag;
  p.profile = par->profile;
  p.width = par->width;
  p.height = par->height;
  p.rate = fc->streams[s]->avg_frame_rate;
  p.range = par->color_range;
  p.matrix = par->color_space;
  p.primaries = par->color_primaries;
  p.transfer = par->color_trc;
  const AVCodec* dec = avcodec_find_decoder(par->codec_id);
  AVCodecContext* cc = avcodec_alloc_context3(dec);
  avcodec_parameters_to_context(cc, par);
  avcodec_open2(cc, dec, nullptr);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&] {
    while (avcodec_receive_frame(cc, frame) == 0) {
      ++p.frames;
      p.firstLuma.push_back(frame->data[0][0]);
    }
  };
  while (av_read_frame(fc, pkt) >= 0) {
    if (pkt->stream_index == s) avcodec_send_packet(cc, pkt);
    av_packet_unref(pkt);
    drain();
  }
  avcodec_send_packet(cc, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&cc);
  avformat_close_input(&fc);
  return p;
}

// The four-character names of the file's top-level boxes, in order.
std::vector<std::string> TopLevelBoxes(const std::string& path) {
  const auto bytes = ReadAll(path);
  std::vector<std::string> boxes;
  std::size_t at = 0;
  while (at + 8 <= bytes.size()) {
    std::uint64_t size = (std::uint64_t{bytes[at]} << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    boxes.emplace_back(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
    if (size == 1 && at + 16 <= bytes.size()) {
      size = 0;
      for (int i = 0; i < 8; ++i) size = (size << 8) | bytes[at + 8 + i];
    }
    if (size < 8) break;
    at += size;
  }
  return boxes;
}

std::vector<std::string> AllNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
  return names;
}

// The movie queue's seams as a test sets them, put back when it ends.
struct QueueSeams {
  ~QueueSeams() {
    movie_queue::SetBeforeEachConversion(nullptr);
    movie_queue::SetLimits({});
  }
};

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Grain that H.264 cannot squeeze: every frame makes many bytes.
Ref<Picture> Noise(std::int32_t w, std::int32_t h, unsigned seed) {
  Ref<Picture> p = NewPicture(w, h);
  std::minstd_rand random(seed + 1);
  std::uint32_t* bits = p->Bits();
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) bits[i] = 0xff000000u | (random() & 0xffffff);
  return p;
}

// Appends the pictures until one append raises; the message of the failure
// raised there, or when the movie was let go.
std::string FailureOfMovie(const std::string& path, std::int32_t w, std::int32_t h,
                           const std::vector<Ref<Picture>>& pictures, bool& raisedByAppend) {
  std::string message;
  raisedByAppend = false;
  {
    Ref<QTVideoTrack> track = GetFolderItem(path)->CreateMovie()->NewVideoTrack(w, h, 25.0);
    for (const Ref<Picture>& picture : pictures) {
      try {
        track->AppendPicture(picture);
      } catch (const IOException& e) {
        message = e.Message();
        raisedByAppend = true;
        // Raised once: the movie stays failed, and finishing it adds nothing.
        EXPECT_THROW(track->AppendPicture(picture), IOException);
        break;
      }
    }
  }
  try {
    RaiseDeferredMediaErrors();
  } catch (const IOException& e) {
    EXPECT_FALSE(raisedByAppend) << "raised twice: " << e.Message();
    message = e.Message();
  }
  return message;
}

}  // namespace

TEST(MovieWriting, AnH264QuickTimeFileTaggedBt709WithItsIndexInFront) {
  ScratchFolder dir;
  WriteMovie(dir / "out.mov", 64, 48, 25.0, 12);
  RaiseDeferredMediaErrors();
  const Probe p = ProbeMovie(dir / "out.mov");
  EXPECT_EQ(p.codec, AV_CODEC_ID_H264);
  EXPECT_EQ(p.tag, MKTAG('a', 'v', 'c', '1'));
  EXPECT_EQ(p.profile, FF_PROFILE_H264_HIGH);
  EXPECT_NE(p.format.find("mov"), std::string::npos);
  EXPECT_EQ(p.width, 64);
  EXPECT_EQ(p.height, 48);
  EXPECT_EQ(p.frames, 12);
  EXPECT_EQ(p.rate.num * 1, 25 * p.rate.den);
  EXPECT_EQ(p.range, AVCOL_RANGE_MPEG);
  EXPECT_EQ(p.matrix, AVCOL_SPC_BT709);
  EXPECT_EQ(p.primaries, AVCOL_PRI_BT709);
  EXPECT_EQ(p.transfer, AVCOL_TRC_BT709);
  // Red in limited-range BT.709 has luma 63 (BT.601 would give 81).
  ASSERT_FALSE(p.firstLuma.empty());
  EXPECT_NEAR(p.firstLuma[0], 16 + (0.2126 * 220 + 0.7152 * 20 + 0.0722 * 20) * 219 / 255, 3);
  const auto boxes = TopLevelBoxes(dir / "out.mov");
  const auto moov = std::find(boxes.begin(), boxes.end(), "moov"), mdat = std::find(boxes.begin(), boxes.end(), "mdat");
  ASSERT_NE(moov, boxes.end());
  ASSERT_NE(mdat, boxes.end());
  EXPECT_LT(moov, mdat);
  EXPECT_EQ(AllNames(dir.Path()), std::vector<std::string>{"out.mov"});  // no temporary file left
}

TEST(MovieWriting, TheRateIsKeptAsTyped) {
  ScratchFolder dir;
  for (double rate : {29.97, 23.976, 12.5, 1.0}) {
    WriteMovie(dir / "r.mov", 32, 32, rate, 3);
    const Probe p = ProbeMovie(dir / "r.mov");
    EXPECT_EQ(av_cmp_q(p.rate, av_d2q(rate, 1'000'000)), 0) << rate << " came back as " << p.rate.num << "/" << p.rate.den;
    EXPECT_EQ(p.frames, 3);
  }
  const Probe p = ProbeMovie(dir / "r.mov");
  WriteMovie(dir / "ntsc.mov", 32, 32, 29.97, 3);
  const Probe ntsc = ProbeMovie(dir / "ntsc.mov");
  EXPECT_EQ(ntsc.rate.num * 100, ntsc.rate.den * 2997);
  (void)p;
}

TEST(MovieWriting, FramesComeBackWithTheirColoursAtOddAndMixedSizes) {
  ScratchFolder dir;
  {
    // An odd track size: padded to even by repeating the last column and row.
    Ref<EditableMovie> movie = GetFolderItem(dir / "odd.mov")->CreateMovie();
    Ref<QTVideoTrack> track = movie->NewVideoTrack(33, 17, 10.0);
    ASSERT_TRUE(track);
    for (int i = 0; i < 4; ++i) track->AppendPicture(Solid(33, 17, FrameColour(i)));
    // Another size: scaled to fit, centred on black (a square in a wide track).
    track->AppendPicture(Solid(17, 17, Rgb(250, 250, 250)));
  }
  RaiseDeferredMediaErrors();
  const Probe p = ProbeMovie(dir / "odd.mov");
  EXPECT_EQ(p.width, 34);
  EXPECT_EQ(p.height, 18);
  EXPECT_EQ(p.frames, 5);
  Ref<EditableMovie> back = GetFolderItem(dir / "odd.mov")->OpenEditableMovie();
  ASSERT_TRUE(back);
  for (int i = 0; i < 4; ++i) {
    back->SetPosition(i / 10.0);
    Ref<Picture> frame = back->Picture();
    ASSERT_TRUE(frame);
    for (auto [x, y] : {std::pair{0, 0}, {16, 8}, {33, 17}, {32, 16}})
      EXPECT_LE(Distance(PixelAt(frame, x, y), FrameColour(i)), 10) << "frame " << i << " at " << x << "," << y;
  }
  back->SetPosition(0.4);
  Ref<Picture> fitted = back->Picture();
  EXPECT_LE(Distance(PixelAt(fitted, 17, 8), Rgb(250, 250, 250)), 12);
  EXPECT_LE(Distance(PixelAt(fitted, 2, 8), Rgb(0, 0, 0)), 12) << std::hex << PixelAt(fitted, 2, 8);
  EXPECT_LE(Distance(PixelAt(fitted, 31, 8), Rgb(0, 0, 0)), 12) << std::hex << PixelAt(fitted, 31, 8);
}

TEST(MovieWriting, NoPictureLeavesNoFileAndBadTracksAreRefused) {
  ScratchFolder dir;
  {
    Ref<EditableMovie> movie = GetFolderItem(dir / "empty.mov")->CreateMovie();
    ASSERT_TRUE(movie);
    EXPECT_TRUE(movie->NewVideoTrack(16, 16, 25.0));
  }
  {
    Ref<EditableMovie> movie = GetFolderItem(dir / "refused.mov")->CreateMovie();
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (double rate : {0.0, -1.0, nan, inf, -inf}) EXPECT_FALSE(movie->NewVideoTrack(16, 16, rate)) << rate;
    for (auto [w, h] : {std::pair{0, 16}, {16, 0}, {-4, 16}}) EXPECT_FALSE(movie->NewVideoTrack(w, h, 25.0));
    EXPECT_TRUE(movie->NewVideoTrack(16, 16, 25.0));
    EXPECT_FALSE(movie->NewVideoTrack(16, 16, 25.0));  // one track per movie
    EXPECT_FALSE(movie->Picture());                    // a movie being written shows nothing
  }
  RaiseDeferredMediaErrors();
  EXPECT_TRUE(AllNames(dir.Path()).empty());
  Ref<QTVideoTrack> track = GetFolderItem(dir / "x.mov")->CreateMovie()->NewVideoTrack(8, 8, 5);
  EXPECT_THROW(track->SetCompressionType("jpeg"), IOException);
  EXPECT_EQ(track->CompressionType(), "avc1");
  EXPECT_THROW(track->AppendPicture(nullptr), NilObjectException);
}

TEST(MovieWriting, AFailedMovieRaisesNamingTheFile) {
  ScratchFolder dir;
  Ref<QTVideoTrack> track = GetFolderItem(dir / "missing/m.mov")->CreateMovie()->NewVideoTrack(8, 8, 5);
  ASSERT_TRUE(track);
  try {
    track->AppendPicture(Solid(8, 8, Rgb(1, 2, 3)));
    ADD_FAILURE() << "appended into a missing folder";
  } catch (const IOException& e) {
    // Named by its name: the user chose its folder.
    EXPECT_EQ(e.Message(), "while creating m.mov: No such file or directory");
  }
}

TEST(MovieWriting, AFailureWhileFinishingIsRaisedAfterwardsAndLeavesNoTemporaryFile) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir / "taken.mov");  // a folder where the movie should go
  std::filesystem::create_directory(dir / "taken.mov/inside");
  {
    Ref<QTVideoTrack> track = GetFolderItem(dir / "taken.mov")->CreateMovie()->NewVideoTrack(16, 16, 25.0);
    ASSERT_TRUE(track);
    track->AppendPicture(Solid(16, 16, Rgb(1, 2, 3)));
  }  // finished here: the rename over the folder fails
  try {
    RaiseDeferredMediaErrors();
    ADD_FAILURE() << "the failure passed as success";
  } catch (const IOException& e) {
    EXPECT_EQ(e.Message(), "while replacing taken.mov: Is a directory");
  }
  EXPECT_EQ(AllNames(dir.Path()), std::vector<std::string>{"taken.mov"});
  RaiseDeferredMediaErrors();  // reported once
}

TEST(MovieQueue, FramesLandInTheOrderAppendedWhateverOrderTheirConversionsFinish) {
  ScratchFolder dir;
  QueueSeams seams;
  // Big pictures (scaled to fit) between small ones, some conversions held
  // back, the last one longest, so that the movie is let go while it waits.
  // (The big ones stay below the size at which Qt scales on threads of its
  // own, whose locks the thread sanitizer cannot see.)
  const int count = 24;
  std::vector<Ref<Picture>> pictures;
  for (int i = 0; i < count; ++i)
    pictures.push_back(i % 2 ? Solid(320, 240, FrameColour(i)) : Solid(64, 48, FrameColour(i)));
  std::mutex mutex;
  std::vector<std::int64_t> converted;  // the order in which conversions got going
  movie_queue::SetBeforeEachConversion([&](std::int64_t frame) {
    if (frame % 3 == 0) Sleep(frame == count - 3 ? 150 : 30);
    std::lock_guard lock(mutex);
    converted.push_back(frame);
  });
  auto write = [&](const std::string& path) {
    Ref<QTVideoTrack> track = GetFolderItem(path)->CreateMovie()->NewVideoTrack(64, 48, 25.0);
    for (const Ref<Picture>& p : pictures) track->AppendPicture(p);
  };  // let go here: finished once every conversion is done
  write(dir / "shuffled.mov");
  RaiseDeferredMediaErrors();
  if (task_pool::Workers() > 1) {
    EXPECT_FALSE(std::is_sorted(converted.begin(), converted.end()));
  }
  EXPECT_EQ(converted.size(), static_cast<std::size_t>(count));

  const Probe p = ProbeMovie(dir / "shuffled.mov");
  EXPECT_EQ(p.frames, count);
  Ref<EditableMovie> back = GetFolderItem(dir / "shuffled.mov")->OpenEditableMovie();
  ASSERT_TRUE(back);
  for (int i = 0; i < count; ++i) {
    back->SetPosition(i / 25.0);
    EXPECT_LE(Distance(PixelAt(back->Picture(), 32, 24), FrameColour(i)), 10) << "frame " << i;
  }
  // One picture at a time, converted in order, gives the same file.
  movie_queue::SetBeforeEachConversion(nullptr);
  movie_queue::SetLimits({.pictures = 1});
  write(dir / "in-order.mov");
  RaiseDeferredMediaErrors();
  EXPECT_EQ(ReadAll(dir / "shuffled.mov"), ReadAll(dir / "in-order.mov"));
  EXPECT_EQ(AllNames(dir.Path()).size(), 2u);  // no temporary file left
}

TEST(MovieQueue, APictureChangedRightAfterItsAppendGivesTheFrameAsAppended) {
  ScratchFolder dir;
  QueueSeams seams;
  movie_queue::SetBeforeEachConversion([](std::int64_t) { Sleep(20); });  // converted after the changes
  {
    Ref<QTVideoTrack> track = GetFolderItem(dir / "m.mov")->CreateMovie()->NewVideoTrack(32, 32, 25.0);
    Ref<Picture> picture = Solid(32, 32, FrameColour(0));
    for (int i = 0; i < 4; ++i) {
      track->AppendPicture(picture);
      std::fill_n(picture->Bits(), 32 * 32, FrameColour(i + 1));
    }
  }
  RaiseDeferredMediaErrors();
  Ref<EditableMovie> back = GetFolderItem(dir / "m.mov")->OpenEditableMovie();
  ASSERT_TRUE(back);
  for (int i = 0; i < 4; ++i) {
    back->SetPosition(i / 25.0);
    EXPECT_LE(Distance(PixelAt(back->Picture(), 16, 16), FrameColour(i)), 10) << "frame " << i;
  }
}

TEST(MovieQueue, PicturesWaitingStayWithinTheirLimits) {
  ScratchFolder dir;
  QueueSeams seams;
  movie_queue::SetBeforeEachConversion([](std::int64_t) { Sleep(5); });  // the caller outruns the workers
  const std::size_t charge = 64 * 48 * 4 + 64 * 48 * 3 / 2;  // a picture and its converted frame
  struct Case {
    movie_queue::Limits limits;
    std::size_t peak;  // pictures waiting at most
  };
  const Case cases[] = {
      {{}, task_pool::Workers()},                           // by default one per worker
      {{.pictures = 2}, 2},                                 // by number
      {{.pictures = 50, .bytes = 3 * charge}, 3},           // by bytes
      {{.pictures = 50, .bytes = 1}, 1},                    // one is always let in, however big
  };
  for (const Case& c : cases) {
    movie_queue::SetLimits(c.limits);
    movie_queue::ResetStats();
    {
      Ref<QTVideoTrack> track = GetFolderItem(dir / "m.mov")->CreateMovie()->NewVideoTrack(64, 48, 25.0);
      for (int i = 0; i < 30; ++i) track->AppendPicture(Solid(64, 48, FrameColour(i)));
    }
    RaiseDeferredMediaErrors();
    const movie_queue::Stats stats = movie_queue::CurrentStats();
    EXPECT_EQ(stats.peakPictures, c.peak) << c.limits.pictures << " pictures, " << c.limits.bytes << " bytes";
    EXPECT_EQ(stats.peakBytes, c.peak * charge);
    EXPECT_EQ(stats.conversions, 30u);
    EXPECT_EQ(ProbeMovie(dir / "m.mov").frames, 30);
  }
}

TEST(MovieQueue, AFailureWhilePicturesAreQueuedIsRaisedAndLeavesNoFile) {
  ScratchFolder dir;
  QueueSeams seams;
  // A conversion that fails while later pictures wait: raised at a later
  // append (the queue is full long before the last picture).
  std::vector<Ref<Picture>> solid;
  for (int i = 0; i < 40; ++i) solid.push_back(Solid(64, 48, FrameColour(i)));
  movie_queue::SetBeforeEachConversion([&](std::int64_t frame) {
    if (frame == 5) throw IOException("while converting a frame of c.mov: no luck");
    Sleep(2);
  });
  bool byAppend = false;
  EXPECT_EQ(FailureOfMovie(dir / "c.mov", 64, 48, solid, byAppend),
            "while converting a frame of c.mov: no luck");
  EXPECT_TRUE(byAppend);
  EXPECT_TRUE(AllNames(dir.Path()).empty());
  movie_queue::SetBeforeEachConversion(nullptr);

  // The file cannot grow: the encoder's packets fail to be written, raised
  // with FFmpeg's text at an append or when the movie is finished.
  std::vector<Ref<Picture>> noise;
  for (int i = 0; i < 80; ++i) noise.push_back(Noise(256, 256, i));
  struct rlimit before {};
  getrlimit(RLIMIT_FSIZE, &before);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 256 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string message = FailureOfMovie(dir / "w.mov", 256, 256, noise, byAppend);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(message.find(" w.mov: "), std::string::npos) << message;
  EXPECT_EQ(message.find(dir.Path()), std::string::npos) << message;
  EXPECT_NE(message.find(AvErrorText(AVERROR(EFBIG))), std::string::npos) << message;
  EXPECT_TRUE(AllNames(dir.Path()).empty());
}

TEST(MovieReading, FramesAtPositionsBetweenAndPastTheEnd) {
  ScratchFolder dir;
  WriteMovie(dir / "v.mov", 48, 32, 25.0, 10);
  Ref<EditableMovie> movie = GetFolderItem(dir / "v.mov")->OpenEditableMovie();
  ASSERT_TRUE(movie);
  EXPECT_NEAR(movie->Duration(), 0.4, 1e-9);
  EXPECT_GT(movie->TimeScale(), 0);
  EXPECT_NEAR(movie->TimeDuration(), 0.4 * movie->TimeScale(), 1);
  auto colourAt = [&](double seconds) {
    movie->SetPosition(seconds);
    EXPECT_DOUBLE_EQ(movie->Position(), seconds);
    Ref<Picture> p = movie->Picture();
    EXPECT_TRUE(p);
    return p ? PixelAt(p, 24, 16) : 0u;
  };
  struct Case {
    double at;
    int frame;
  };
  // Forward one frame at a time (by adding steps, as a run does), then
  // between frames, at and past the end, and back again.
  double position = 0;
  for (int i = 0; i < 10; ++i, position += 1.0 / 25) EXPECT_LE(Distance(colourAt(position), FrameColour(i)), 10) << i;
  const Case cases[] = {{0.0, 0}, {0.03, 0}, {0.05, 1}, {0.2, 5}, {0.36, 9}, {0.4, 9}, {7.0, 9},
                        {0.1, 2}, {0.0, 0},  {0.25, 6}, {0.13, 3}};
  for (const Case& c : cases) EXPECT_LE(Distance(colourAt(c.at), FrameColour(c.frame)), 10) << c.at;
  // The picture is the caller's own: writing to it changes nothing else.
  movie->SetPosition(0.0);
  Ref<Picture> a = movie->Picture();
  a->Bits()[0] = Rgb(1, 2, 3);
  EXPECT_LE(Distance(PixelAt(movie->Picture(), 0, 0), FrameColour(0)), 10);
}

TEST(MovieReading, TheStoredRotationIsApplied) {
  ScratchFolder dir;
  {
    // Left half red, right half blue.
    Ref<EditableMovie> movie = GetFolderItem(dir / "flat.mov")->CreateMovie();
    Ref<QTVideoTrack> track = movie->NewVideoTrack(64, 32, 25.0);
    Ref<Picture> p = Solid(64, 32, Rgb(220, 20, 20));
    p->Graphics()->DrawPicture(Solid(32, 32, Rgb(20, 20, 220)), 32, 0, 32, 32, 0, 0, 32, 32);
    track->AppendPicture(p);
  }
  std::string command = "ffmpeg -v error -y -i '";
  command.append(dir / "flat.mov").append("' -c copy -metadata:s:v:0 rotate=90 '").append(dir / "turned.mov").append("'");
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "no ffmpeg command to store a rotation";
  Ref<EditableMovie> movie = GetFolderItem(dir / "turned.mov")->OpenEditableMovie();
  ASSERT_TRUE(movie);
  Ref<Picture> p = movie->Picture();
  ASSERT_TRUE(p);
  ASSERT_EQ(p->Width(), 32);
  ASSERT_EQ(p->Height(), 64);
  // FFmpeg's own player turns it the same way.
  const std::string raw = dir / "turned.bgra";
  std::string show = "ffmpeg -v error -y -i '";
  show.append(dir / "turned.mov").append("' -frames:v 1 -f rawvideo -pix_fmt bgra '").append(raw).append("'");
  ASSERT_EQ(std::system(show.c_str()), 0);
  const auto bytes = ReadAll(raw);
  ASSERT_EQ(bytes.size(), 32u * 64 * 4);
  for (auto [x, y] : {std::pair{16, 8}, {16, 56}}) {
    const unsigned char* q = &bytes[(y * 32 + x) * 4];
    EXPECT_LE(Distance(PixelAt(p, x, y), Rgb(q[2], q[1], q[0])), 12) << x << "," << y;
  }
  EXPECT_GT(Distance(PixelAt(p, 16, 8), PixelAt(p, 16, 56)), 150);  // the halves are now above each other
}

TEST(MovieReading, FilesThatAreNoMovieGiveNone) {
  ScratchFolder dir;
  WriteAll(dir / "text.mov", std::vector<unsigned char>(2000, 'x'));
  WriteAll(dir / "empty.mov", {});
  WriteMovie(dir / "whole.mov", 32, 32, 25.0, 6);
  auto whole = ReadAll(dir / "whole.mov");
  WriteAll(dir / "cut.mov", std::vector<unsigned char>(whole.begin(), whole.begin() + whole.size() / 3));
  EXPECT_FALSE(GetFolderItem(dir / "text.mov")->OpenEditableMovie());
  EXPECT_FALSE(GetFolderItem(dir / "empty.mov")->OpenEditableMovie());
  EXPECT_FALSE(GetFolderItem(dir / "none.mov")->OpenEditableMovie());
  EXPECT_FALSE(GetFolderItem(dir.Path())->OpenEditableMovie());
  // A file cut short opens if anything decodes, and never crashes.
  if (Ref<EditableMovie> cut = GetFolderItem(dir / "cut.mov")->OpenEditableMovie()) {
    cut->SetPosition(100.0);
    cut->Picture();
  }
}
