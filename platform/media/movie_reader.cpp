#include "media/movie_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/task_pool.h"
#include "runtime/values.h"

namespace {

// The turn the file asks for when shown (its display matrix).
Orientation RotationOf(const AVStream* stream) {
  std::size_t size = 0;
  const auto* matrix =
      reinterpret_cast<const std::int32_t*>(Ffmpeg().av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size));
  if (!matrix || size < 9 * sizeof(std::int32_t)) return {};
  const double angle = -Ffmpeg().av_display_rotation_get(matrix);  // clockwise degrees
  if (!std::isfinite(angle)) return {};
  long quarter = std::lround(angle / 90.0) % 4;
  if (quarter < 0) quarter += 4;
  switch (quarter) {
    case 1: return {.rotate90 = true};
    case 2: return {.mirror = true, .flip = true};
    case 3: return {.mirror = true, .flip = true, .rotate90 = true};
    default: return {};
  }
}

int ColorspaceOf(const AVFrame* frame) {
  switch (frame->colorspace) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: return SWS_CS_ITU601;
    default: return frame->height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;  // what players assume
  }
}

constexpr double kSlackSeconds = 1e-6;


}  // namespace

std::unique_ptr<MovieReader> MovieReader::Open(const std::string& path) {
  // FFmpeg would wait on a FIFO for a writer: only regular files are movies.
  if (struct stat file{}; stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) return nullptr;
  auto r = std::make_unique<MovieReader>();
  AVFormatContext* raw = nullptr;
  if (Ffmpeg().avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
  r->format.reset(raw);
  if (Ffmpeg().avformat_find_stream_info(raw, nullptr) < 0) return nullptr;
  const AVCodec* decoder = nullptr;
  r->stream = Ffmpeg().av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (r->stream < 0 || !decoder) return nullptr;
  AVStream* st = raw->streams[r->stream];
  // Only this stream's packets are wanted.
  for (unsigned i = 0; i < raw->nb_streams; ++i)
    if (static_cast<int>(i) != r->stream) raw->streams[i]->discard = AVDISCARD_ALL;
  r->codec.reset(Ffmpeg().avcodec_alloc_context3(decoder));
  if (!r->codec || Ffmpeg().avcodec_parameters_to_context(r->codec.get(), st->codecpar) < 0) return nullptr;
  r->codec->thread_count = 0;  // as many as the machine has
  r->codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (Ffmpeg().avcodec_open2(r->codec.get(), decoder, nullptr) < 0) return nullptr;
  r->packet.reset(Ffmpeg().av_packet_alloc());
  r->current.reset(Ffmpeg().av_frame_alloc());
  r->next.reset(Ffmpeg().av_frame_alloc());
  if (!r->packet || !r->current || !r->next) return nullptr;
  r->timeBase = st->time_base.num > 0 && st->time_base.den > 0 ? st->time_base : AVRational{1, AV_TIME_BASE};
  r->rotation = RotationOf(st);

  if (!r->DecodeInto(r->current.get())) return nullptr;  // no frame: no movie
  r->firstTimestamp = r->current->best_effort_timestamp != AV_NOPTS_VALUE ? r->current->best_effort_timestamp : 0;
  r->lastTimestamp = r->firstTimestamp;
  r->currentTime = 0;

  const double tb = av_q2d(r->timeBase);
  if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
    r->duration = static_cast<double>(st->duration) * tb;
  } else if (raw->duration != AV_NOPTS_VALUE && raw->duration > 0) {
    r->duration = static_cast<double>(raw->duration) / AV_TIME_BASE;
  }
  r->timeScale = RuntimeCvtReal64ToSInt32(std::round(static_cast<double>(r->timeBase.den) / r->timeBase.num));
  r->timeDuration = st->duration != AV_NOPTS_VALUE && st->duration > 0
                        ? RuntimeCvtReal64ToSInt32(static_cast<double>(st->duration))
                        : RuntimeCvtReal64ToSInt32(std::round(r->duration / tb));
  return r;
}

bool MovieReader::DecodeInto(AVFrame* frame) {
  for (;;) {
    const int got = Ffmpeg().avcodec_receive_frame(codec.get(), frame);
    if (got == 0) return true;
    if (got == AVERROR_EOF) return false;
    if (got != AVERROR(EAGAIN)) return false;  // a broken stream ends where it breaks
    if (flushedInput) return false;
    const int read = Ffmpeg().av_read_frame(format.get(), packet.get());
    if (read < 0) {
      flushedInput = true;
      Ffmpeg().avcodec_send_packet(codec.get(), nullptr);
      continue;
    }
    if (packet->stream_index == stream) {
      const int sent = Ffmpeg().avcodec_send_packet(codec.get(), packet.get());
      (void)sent;  // a damaged packet is skipped; the next key frame recovers
    }
    Ffmpeg().av_packet_unref(packet.get());
  }
}

double MovieReader::SecondsOf(const AVFrame* frame) {
  std::int64_t ts = frame->best_effort_timestamp;
  if (ts == AV_NOPTS_VALUE) ts = lastTimestamp + (frame->pkt_duration > 0 ? frame->pkt_duration : 1);
  lastTimestamp = ts;
  return static_cast<double>(ts - firstTimestamp) * av_q2d(timeBase);
}

bool MovieReader::SeekTo(double seconds) {
  const double ticks = std::max(0.0, seconds) / av_q2d(timeBase);
  const std::int64_t target = firstTimestamp + (ticks < 9.0e18 ? static_cast<std::int64_t>(ticks) : 0);
  if (Ffmpeg().av_seek_frame(format.get(), stream, target, AVSEEK_FLAG_BACKWARD) < 0 &&
      Ffmpeg().av_seek_frame(format.get(), stream, firstTimestamp, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
    return false;
  Ffmpeg().avcodec_flush_buffers(codec.get());
  flushedInput = false;
  endOfFile = false;
  hasNext = false;
  picture.reset();
  if (!DecodeInto(current.get())) {
    endOfFile = true;
    return false;
  }
  currentTime = SecondsOf(current.get());
  return true;
}

void MovieReader::AdvanceTo(double seconds) {
  while (!endOfFile) {
    if (!hasNext) {
      if (!DecodeInto(next.get())) {
        endOfFile = true;
        break;
      }
      nextTime = SecondsOf(next.get());
      hasNext = true;
    }
    // A frame's time reached by adding steps of 1 / rate may land a hair
    // before it; a microsecond of slack keeps such a step on that frame.
    if (nextTime > seconds + kSlackSeconds) break;
    std::swap(current, next);
    currentTime = nextTime;
    hasNext = false;
    picture.reset();
  }
}

PixelSnapshot MovieReader::PictureAt(double seconds) {
  if (!(seconds == seconds)) seconds = 0;
  // Going back: seek to the key frame before, then decode onward. Going far
  // ahead: the same, rather than decoding everything between.
  constexpr double kFarAhead = 10.0;
  if (seconds + kSlackSeconds < currentTime || (seconds > currentTime + kFarAhead && !endOfFile && (!hasNext || nextTime <= seconds))) {
    const double keep = currentTime;
    if (!SeekTo(seconds) && seconds < keep) SeekTo(0);
    if (currentTime > seconds && seconds < keep) {
      // The seek landed after the position: start from the beginning.
      SeekTo(0);
    }
  }
  AdvanceTo(seconds);
  if (!picture) picture = Convert(current.get());
  return picture;
}

PixelSnapshot MovieReader::Convert(const AVFrame* frame) {
  if (frame->width <= 0 || frame->height <= 0 || frame->format < 0) return nullptr;
  const auto format = static_cast<AVPixelFormat>(frame->format);
  const AVPixFmtDescriptor* desc = Ffmpeg().av_pix_fmt_desc_get(format);
  if (!desc) return nullptr;
  const int colourspace = ColorspaceOf(frame);
  const int key[4] = {frame->width, frame->height, frame->format, colourspace * 2 + (frame->color_range == AVCOL_RANGE_JPEG)};
  if (bands.empty() || !std::equal(key, key + 4, scalerKey)) {
    bands.clear();
    // FFmpeg's fast unscaled path (well under a millisecond for 1080p) misses
    // the last columns of widths that are no multiple of 16; those take the
    // accurate path, several times slower, split into bands of whole chroma
    // rows that run side by side. Palette and bit-packed pictures stay whole.
    // FFmpeg 5.1's own sliced conversion is not used: it now and then leaves
    // stray pixels.
    const bool fast = frame->width % 16 == 0;
    const bool splittable = !fast && !(desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM));
    const int hardware = static_cast<int>(task_pool::Workers());
    const int count = splittable ? std::clamp(frame->height / 128, 1, std::min(hardware, 8)) : 1;
    const int step = ((frame->height + count - 1) / count + 15) & ~15;
    const bool fullRange = frame->color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
                           format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
    for (int top = 0; top < frame->height; top += step) {
      const int height = std::min(step, frame->height - top);
      const int flags = SWS_BILINEAR | (fast ? 0 : SWS_ACCURATE_RND);
      SwsPtr scaler = NewScaler(frame->width, height, format, frame->width, height, AV_PIX_FMT_BGRA, flags, 1);
      if (!scaler) {
        bands.clear();
        return nullptr;
      }
      Ffmpeg().sws_setColorspaceDetails(scaler.get(), Ffmpeg().sws_getCoefficients(colourspace), fullRange ? 1 : 0,
                               Ffmpeg().sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
      bands.push_back({std::move(scaler), top, height});
    }
    std::copy(key, key + 4, scalerKey);
  }
  auto pixels = NewPixelBuffer(frame->width, frame->height);
  const int planes = Ffmpeg().av_pix_fmt_count_planes(format);
  auto convert = [&](const Band& band) {
    const std::uint8_t* src[4] = {};
    for (int p = 0; p < planes && p < 4; ++p) {
      const int shift = (p == 1 || p == 2) ? desc->log2_chroma_h : 0;
      src[p] = frame->data[p] + static_cast<std::ptrdiff_t>(band.top >> shift) * frame->linesize[p];
    }
    std::uint8_t* dst[4] = {reinterpret_cast<std::uint8_t*>(pixels->Storage() +
                                                             static_cast<std::size_t>(band.top) * frame->width)};
    const int dstStride[4] = {frame->width * 4};
    return Ffmpeg().sws_scale(band.scaler.get(), src, frame->linesize, 0, band.height, dst, dstStride) >= 0;
  };
  std::vector<char> ok(bands.size(), 0);
  task_pool::ParallelFor(bands.size(), [&](std::size_t b) { ok[b] = convert(bands[b]); });
  if (std::find(ok.begin(), ok.end(), 0) != ok.end()) return nullptr;
  return ApplyOrientation(std::move(pixels), rotation);
}
