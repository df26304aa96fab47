#pragma once
// Private to the platform: a video file read frame by frame.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/ffmpeg_util.h"
#include "media/orientation.h"
#include "media/picture.h"

struct MovieReader {
  // The file's best video stream, its first frame decoded; none when the
  // file holds no video that decodes.
  static std::unique_ptr<MovieReader> Open(const std::string& path);

  double Duration() const noexcept { return duration; }
  std::int32_t TimeScale() const noexcept { return timeScale; }
  std::int32_t TimeDuration() const noexcept { return timeDuration; }
  // The frame shown at `seconds` (the last one whose time is not after it;
  // before the first, the first; past the end, the last), upright.
  PixelSnapshot PictureAt(double seconds);

  InputFormat format;
  CodecContext codec;
  PacketPtr packet;
  FramePtr current, next;
  // The conversion to BGRA, one converter per band of rows; the bands run
  // side by side.
  struct Band {
    SwsPtr scaler;
    int top = 0, height = 0;
  };
  std::vector<Band> bands;
  int scalerKey[4] = {};
  int stream = -1;
  AVRational timeBase{1, 1};
  std::int64_t firstTimestamp = 0;
  double currentTime = 0;  // seconds of `current` from the first frame
  double nextTime = 0;
  bool hasNext = false;
  bool endOfFile = false;    // the decoder has given its last frame
  bool flushedInput = false; // the decoder has been told the input ended
  std::int64_t lastTimestamp = 0;
  Orientation rotation;
  double duration = 0;
  std::int32_t timeScale = 0;
  std::int32_t timeDuration = 0;
  PixelSnapshot picture;  // `current` converted, when asked for

 private:
  bool DecodeInto(AVFrame* frame);
  double SecondsOf(const AVFrame* frame);
  bool SeekTo(double seconds);
  void AdvanceTo(double seconds);
  PixelSnapshot Convert(const AVFrame* frame);
};
