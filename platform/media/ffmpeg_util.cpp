#include "media/ffmpeg_util.h"

SwsPtr NewScaler(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth, int dstHeight,
                 AVPixelFormat dstFormat, int flags, int threads) {
  SwsPtr sws(Ffmpeg().sws_alloc_context());
  if (!sws) return nullptr;
  SwsContext* s = sws.get();
  Ffmpeg().av_opt_set_int(s, "srcw", srcWidth, 0);
  Ffmpeg().av_opt_set_int(s, "srch", srcHeight, 0);
  Ffmpeg().av_opt_set_int(s, "src_format", srcFormat, 0);
  Ffmpeg().av_opt_set_int(s, "dstw", dstWidth, 0);
  Ffmpeg().av_opt_set_int(s, "dsth", dstHeight, 0);
  Ffmpeg().av_opt_set_int(s, "dst_format", dstFormat, 0);
  Ffmpeg().av_opt_set_int(s, "sws_flags", flags, 0);
  Ffmpeg().av_opt_set_int(s, "threads", threads, 0);
  if (Ffmpeg().sws_init_context(s, nullptr, nullptr) < 0) return nullptr;
  return sws;
}
