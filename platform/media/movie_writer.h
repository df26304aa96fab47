#pragma once
// Private to the platform: an H.264 movie being written.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/ffmpeg_util.h"
#include "media/picture.h"

struct MovieWriter {
  explicit MovieWriter(std::string target);
  // Finishes the file; a failure here is reported through
  // ReportDeferredMediaError, since no exception may leave.
  ~MovieWriter();

  // Whether a track of this size and rate can be made (a positive finite
  // rate, sizes of 1 or more); sets the track.
  bool SetTrack(std::int32_t width, std::int32_t height, double rate);
  bool HasTrack() const noexcept { return width_ > 0; }
  // Encodes the picture as the next frame; raises IOException.
  void Append(const Picture& picture);
  // Writes the end of the file and puts it in place; raises IOException.
  // A movie that received no picture leaves no file.
  void Finish();
  std::int64_t FramesWritten() const noexcept { return frames_; }

 private:
  void Start();
  void Fail(const std::string& action, int code);
  void WritePackets(AVFrame* frame);
  void Discard() noexcept;

  std::string target_, temp_;
  std::int32_t width_ = 0, height_ = 0;  // the track's size
  int encodedWidth_ = 0, encodedHeight_ = 0;  // rounded up to even
  AVRational rate_{0, 1};
  OutputFormat format_;
  CodecContext codec_;
  AVStream* stream_ = nullptr;  // owned by format_
  FramePtr yuv_;
  PacketPtr packet_;
  SwsPtr scaler_;
  std::vector<std::uint32_t> staging_;  // a frame at the encoded size, when it needs composing
  std::int64_t frames_ = 0;
  bool started_ = false, finished_ = false, broken_ = false;
};

// A failure that happened where no exception could be raised (a movie
// finished as it was let go). The platform raises it at the end of the
// event handler that let the movie go.
void ReportDeferredMediaError(std::string message);
// Raises the first failure reported and forgets the others.
void RaiseDeferredMediaErrors();
