#pragma once
// Movies, read and written with FFmpeg. A movie opened from a file is read:
// Duration and Position are seconds, Picture is the frame shown at the
// position (the last frame whose time is not after it; past the end the
// last frame), with the file's rotation applied; stepping forward decodes
// onward without seeking. A movie made by CreateMovie is written: one
// H.264 track (libx264 High, CRF 18, yuv420p, BT.709 limited range, tagged
// so) in a QuickTime file with its index in front, finished when the movie
// (and its track) are let go; no picture appended leaves no file.
#include <cstdint>
#include <memory>
#include <string>

#include "media/picture.h"
#include "runtime/classes.h"

class QTVideoTrack;
struct MovieReader;
struct MovieWriter;

class EditableMovie : public Object {
 public:
  EditableMovie();
  ~EditableMovie() override;
  static const ClassTable* StaticClass();

  // The file opened for reading; none when it holds no decodable video.
  static Ref<EditableMovie> Open(const std::string& path);
  // A new movie to be written to the path.
  static Ref<EditableMovie> Create(const std::string& path);

  double Duration();
  double Position() const noexcept { return position_; }
  void SetPosition(double seconds) noexcept { position_ = seconds; }
  // The picture at the current position; none for a movie being written.
  Ref<::Picture> Picture();
  // The video's time base as ticks per second, and its length in those ticks.
  std::int32_t TimeScale();
  std::int32_t TimeDuration();

  // A new video track of that size and rate (kept as given: 29.97 stays
  // 29.97). None when the rate is not a positive finite number, a size is
  // below 1, the movie is not being written or already has its track.
  Ref<QTVideoTrack> NewVideoTrack(std::int32_t width, std::int32_t height, double frameRate);

 private:
  double position_ = 0;
  std::unique_ptr<MovieReader> reader_;
  std::shared_ptr<MovieWriter> writer_;
  bool hasTrack_ = false;
};

class QTVideoTrack : public Object {
 public:
  explicit QTVideoTrack(std::shared_ptr<MovieWriter> writer = nullptr);
  ~QTVideoTrack() override;
  static const ClassTable* StaticClass();

  // The four-character codec code; "avc1", the only one written.
  std::string CompressionType() const { return compression_; }
  // Raises IOException for a code other than "avc1".
  void SetCompressionType(const std::string& type);
  // Adds the picture, as it is now, as the track's next frame: another
  // size is scaled to fit, centred on black. The frame is converted and
  // encoded on the platform's workers while the caller goes on; a failure
  // raises IOException with FFmpeg's text at this append or a later one, or
  // when the movie is finished (after the handler that let it go).
  void AppendPicture(const Ref<Picture>& picture);

 private:
  std::string compression_ = "avc1";
  std::shared_ptr<MovieWriter> writer_;
};
