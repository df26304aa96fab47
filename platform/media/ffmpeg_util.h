#pragma once
// Private to the platform: ownership of FFmpeg objects and FFmpeg's error
// texts.
#include "media/ffmpeg_library.h"

#include <memory>
#include <string>

struct InputFormatCloser {
  void operator()(AVFormatContext* c) const noexcept { Ffmpeg().avformat_close_input(&c); }
};
struct OutputFormatFree {
  void operator()(AVFormatContext* c) const noexcept {
    if (c && c->pb && !(c->oformat->flags & AVFMT_NOFILE)) Ffmpeg().avio_closep(&c->pb);
    Ffmpeg().avformat_free_context(c);
  }
};
struct CodecContextFree {
  void operator()(AVCodecContext* c) const noexcept { Ffmpeg().avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const noexcept { Ffmpeg().av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const noexcept { Ffmpeg().av_packet_free(&p); }
};
struct SwsFree {
  void operator()(SwsContext* s) const noexcept { Ffmpeg().sws_freeContext(s); }
};
struct DictionaryFree {
  void operator()(AVDictionary* d) const noexcept { Ffmpeg().av_dict_free(&d); }
};

using InputFormat = std::unique_ptr<AVFormatContext, InputFormatCloser>;
using OutputFormat = std::unique_ptr<AVFormatContext, OutputFormatFree>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;

// FFmpeg's own text for an error code.
inline std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  Ffmpeg().av_strerror(code, text, sizeof text);
  return text;
}

// A converter between two pixel layouts and sizes, sliced over `threads`
// threads (0: as many as the machine has); none when FFmpeg refuses it.
SwsPtr NewScaler(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth, int dstHeight,
                 AVPixelFormat dstFormat, int flags, int threads);
