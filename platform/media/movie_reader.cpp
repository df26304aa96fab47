#include "media/movie_reader.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <limits>

namespace {

std::int32_t Saturated(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<std::int32_t>(value);
}

// The turn the file asks for when shown (its display matrix).
Orientation RotationOf(const AVStream* stream) {
  std::size_t size = 0;
  const auto* matrix =
      reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size));
  if (!matrix || size < 9 * sizeof(std::int32_t)) return {};
  const double angle = -av_display_rotation_get(matrix);  // clockwise degrees
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

// A buffer owned by a PixelBuffer, lent to FFmpeg.
void NoFree(void*, std::uint8_t*) {}

}  // namespace

std::unique_ptr<MovieReader> MovieReader::Open(const std::string& path) {
  auto r = std::make_unique<MovieReader>();
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return nullptr;
  r->format.reset(raw);
  if (avformat_find_stream_info(raw, nullptr) < 0) return nullptr;
  const AVCodec* decoder = nullptr;
  r->stream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (r->stream < 0 || !decoder) return nullptr;
  AVStream* st = raw->streams[r->stream];
  // Only this stream's packets are wanted.
  for (unsigned i = 0; i < raw->nb_streams; ++i)
    if (static_cast<int>(i) != r->stream) raw->streams[i]->discard = AVDISCARD_ALL;
  r->codec.reset(avcodec_alloc_context3(decoder));
  if (!r->codec || avcodec_parameters_to_context(r->codec.get(), st->codecpar) < 0) return nullptr;
  r->codec->thread_count = 0;  // as many as the machine has
  r->codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (avcodec_open2(r->codec.get(), decoder, nullptr) < 0) return nullptr;
  r->packet.reset(av_packet_alloc());
  r->current.reset(av_frame_alloc());
  r->next.reset(av_frame_alloc());
  r->rgb.reset(av_frame_alloc());
  if (!r->packet || !r->current || !r->next || !r->rgb) return nullptr;
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
  r->timeScale = Saturated(std::round(static_cast<double>(r->timeBase.den) / r->timeBase.num));
  r->timeDuration = st->duration != AV_NOPTS_VALUE && st->duration > 0
                        ? Saturated(static_cast<double>(st->duration))
                        : Saturated(std::round(r->duration / tb));
  return r;
}

bool MovieReader::DecodeInto(AVFrame* frame) {
  for (;;) {
    const int got = avcodec_receive_frame(codec.get(), frame);
    if (got == 0) return true;
    if (got == AVERROR_EOF) return false;
    if (got != AVERROR(EAGAIN)) return false;  // a broken stream ends where it breaks
    if (flushedInput) return false;
    const int read = av_read_frame(format.get(), packet.get());
    if (read < 0) {
      flushedInput = true;
      avcodec_send_packet(codec.get(), nullptr);
      continue;
    }
    if (packet->stream_index == stream) {
      const int sent = avcodec_send_packet(codec.get(), packet.get());
      (void)sent;  // a damaged packet is skipped; the next key frame recovers
    }
    av_packet_unref(packet.get());
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
  if (av_seek_frame(format.get(), stream, target, AVSEEK_FLAG_BACKWARD) < 0 &&
      av_seek_frame(format.get(), stream, firstTimestamp, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
    return false;
  avcodec_flush_buffers(codec.get());
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
  const int key[4] = {frame->width, frame->height, frame->format, ColorspaceOf(frame) * 2 + (frame->color_range == AVCOL_RANGE_JPEG)};
  if (!scaler || !std::equal(key, key + 4, scalerKey)) {
    scaler = NewScaler(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR | SWS_ACCURATE_RND, 0);
    if (!scaler) return nullptr;
    const bool fullRange = frame->color_range == AVCOL_RANGE_JPEG ||
                           frame->format == AV_PIX_FMT_YUVJ420P || frame->format == AV_PIX_FMT_YUVJ422P ||
                           frame->format == AV_PIX_FMT_YUVJ444P;
    sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(ColorspaceOf(frame)), fullRange ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    std::copy(key, key + 4, scalerKey);
  }
  auto pixels = NewPixelBuffer(frame->width, frame->height);
  const std::size_t bytes = static_cast<std::size_t>(frame->width) * static_cast<std::size_t>(frame->height) * 4;
  av_frame_unref(rgb.get());
  rgb->format = AV_PIX_FMT_BGRA;
  rgb->width = frame->width;
  rgb->height = frame->height;
  rgb->buf[0] = av_buffer_create(reinterpret_cast<std::uint8_t*>(pixels->pixels.get()), bytes, NoFree, nullptr, 0);
  if (!rgb->buf[0]) return nullptr;
  rgb->data[0] = rgb->buf[0]->data;
  rgb->linesize[0] = frame->width * 4;
  const int rc = sws_scale_frame(scaler.get(), rgb.get(), frame);
  av_frame_unref(rgb.get());
  if (rc < 0) return nullptr;
  return ApplyOrientation(std::move(pixels), rotation);
}
