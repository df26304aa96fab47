#include "media/movie_writer.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "files/temp_files.h"
#include "media/picture_qt.h"

namespace {

std::mutex& DeferredMutex() {
  static std::mutex m;
  return m;
}
std::vector<std::string>& Deferred() {
  static std::vector<std::string> errors;
  return errors;
}

// The temporary file the movie is written to, beside its target.
std::string TempPathFor(const std::string& target) {
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  RemoveStaleTempFiles(AT_FDCWD, folder);
  return (folder == "/" ? "" : folder) + "/" + NewTempName();
}

// Copies a w x h region into a frame of the encoded size, repeating the
// last column and row into the padding.
void CopyPadded(const std::uint32_t* src, std::size_t srcStride, int w, int h, std::uint32_t* dst, int dw, int dh) {
  for (int y = 0; y < dh; ++y) {
    const std::uint32_t* row = src + static_cast<std::size_t>(std::min(y, h - 1)) * srcStride;
    std::uint32_t* out = dst + static_cast<std::size_t>(y) * dw;
    std::memcpy(out, row, static_cast<std::size_t>(w) * 4);
    for (int x = w; x < dw; ++x) out[x] = row[w - 1];
  }
}

}  // namespace

void ReportDeferredMediaError(std::string message) {
  std::lock_guard lock(DeferredMutex());
  Deferred().push_back(std::move(message));
}

void RaiseDeferredMediaErrors() {
  std::vector<std::string> errors;
  {
    std::lock_guard lock(DeferredMutex());
    errors.swap(Deferred());
  }
  if (!errors.empty()) throw IOException(errors.front());
}

MovieWriter::MovieWriter(std::string target) : target_(std::move(target)) {}

MovieWriter::~MovieWriter() {
  try {
    Finish();
  } catch (const RuntimeException& e) {
    ReportDeferredMediaError(e.Message());
  } catch (const std::exception& e) {
    ReportDeferredMediaError("while finishing the movie " + target_ + ": " + e.what());
  }
}

bool MovieWriter::SetTrack(std::int32_t width, std::int32_t height, double rate) {
  if (HasTrack() || width < 1 || height < 1 || !std::isfinite(rate) || rate <= 0) return false;
  // The rate as typed: 29.97 becomes 2997/100, not 30000/1001.
  const AVRational q = av_d2q(rate, 1'000'000);
  if (q.num <= 0 || q.den <= 0) return false;
  if (width > 16384 || height > 16384) return false;  // beyond what H.264 levels describe
  width_ = width;
  height_ = height;
  encodedWidth_ = (width + 1) & ~1;
  encodedHeight_ = (height + 1) & ~1;
  rate_ = q;
  return true;
}

void MovieWriter::Fail(const std::string& action, int code) {
  broken_ = true;
  const std::string text = "while " + action + " " + target_ + ": " + AvErrorText(code);
  Discard();
  throw IOException(text);
}

void MovieWriter::Discard() noexcept {
  codec_.reset();
  format_.reset();
  stream_ = nullptr;
  if (!temp_.empty()) unlink(temp_.c_str());
}

void MovieWriter::Start() {
  temp_ = TempPathFor(target_);
  const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
  if (!encoder) Fail("making the H.264 encoder for", AVERROR_ENCODER_NOT_FOUND);
  AVFormatContext* raw = nullptr;
  int rc = avformat_alloc_output_context2(&raw, nullptr, "mov", temp_.c_str());
  if (rc < 0 || !raw) Fail("making the movie", rc < 0 ? rc : AVERROR(ENOMEM));
  format_.reset(raw);

  codec_.reset(avcodec_alloc_context3(encoder));
  if (!codec_) Fail("making the H.264 encoder for", AVERROR(ENOMEM));
  AVCodecContext* c = codec_.get();
  c->width = encodedWidth_;
  c->height = encodedHeight_;
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->time_base = av_inv_q(rate_);
  c->framerate = rate_;
  c->sample_aspect_ratio = {1, 1};
  c->color_range = AVCOL_RANGE_MPEG;
  c->colorspace = AVCOL_SPC_BT709;
  c->color_primaries = AVCOL_PRI_BT709;
  c->color_trc = AVCOL_TRC_BT709;
  c->thread_count = 0;
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(c->priv_data, "profile", "high", 0);
  av_opt_set(c->priv_data, "crf", "18", 0);
  rc = avcodec_open2(c, encoder, nullptr);
  if (rc < 0) Fail("opening the H.264 encoder for", rc);

  stream_ = avformat_new_stream(format_.get(), nullptr);
  if (!stream_) Fail("making the video track of", AVERROR(ENOMEM));
  stream_->time_base = c->time_base;
  stream_->avg_frame_rate = rate_;
  rc = avcodec_parameters_from_context(stream_->codecpar, c);
  if (rc < 0) Fail("making the video track of", rc);
  stream_->codecpar->codec_tag = MKTAG('a', 'v', 'c', '1');

  rc = avio_open(&format_->pb, temp_.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) Fail("creating", rc);
  AVDictionary* raw_opts = nullptr;
  av_dict_set(&raw_opts, "movflags", "+faststart", 0);
  std::unique_ptr<AVDictionary, DictionaryFree> opts(raw_opts);
  raw_opts = opts.release();
  rc = avformat_write_header(format_.get(), &raw_opts);
  opts.reset(raw_opts);
  if (rc < 0) Fail("writing the header of", rc);

  yuv_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!yuv_ || !packet_) Fail("encoding", AVERROR(ENOMEM));
  yuv_->format = AV_PIX_FMT_YUV420P;
  yuv_->width = encodedWidth_;
  yuv_->height = encodedHeight_;
  yuv_->color_range = AVCOL_RANGE_MPEG;
  yuv_->colorspace = AVCOL_SPC_BT709;
  yuv_->color_primaries = AVCOL_PRI_BT709;
  yuv_->color_trc = AVCOL_TRC_BT709;
  rc = av_frame_get_buffer(yuv_.get(), 0);
  if (rc < 0) Fail("encoding", rc);

  // Full-range RGB to limited-range BT.709.
  scaler_ = NewScaler(encodedWidth_, encodedHeight_, AV_PIX_FMT_BGRA, encodedWidth_, encodedHeight_,
                      AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, 1);
  if (!scaler_) Fail("making the colour converter for", AVERROR(EINVAL));
  sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709),
                           0, 0, 1 << 16, 1 << 16);
  started_ = true;
}

void MovieWriter::WritePackets(AVFrame* frame) {
  int rc = avcodec_send_frame(codec_.get(), frame);
  if (rc < 0) Fail("encoding a frame of", rc);
  for (;;) {
    rc = avcodec_receive_packet(codec_.get(), packet_.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
    if (rc < 0) Fail("encoding a frame of", rc);
    if (packet_->duration <= 0) packet_->duration = 1;
    av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    rc = av_interleaved_write_frame(format_.get(), packet_.get());
    av_packet_unref(packet_.get());
    if (rc < 0) Fail("writing", rc);
  }
}

void MovieWriter::Append(const Picture& picture) {
  if (broken_) throw IOException("while writing " + target_ + ": the movie failed before");
  if (finished_) throw IOException("while writing " + target_ + ": the movie is finished");
  if (!HasTrack()) throw IOException("while writing " + target_ + ": the movie has no video track");
  if (picture.Width() <= 0 || picture.Height() <= 0)
    throw IOException("while writing " + target_ + ": the picture is empty");
  if (!started_) Start();

  PixelSnapshot pixels = RgbPixels(picture.Snapshot());
  const std::uint32_t* source = pixels->Row(0);
  const bool direct = pixels->width == encodedWidth_ && pixels->height == encodedHeight_ &&
                      pixels->Stride() == static_cast<std::size_t>(encodedWidth_);  // the track's own even size
  if (!direct) {
    staging_.resize(static_cast<std::size_t>(encodedWidth_) * encodedHeight_);
    if (pixels->width == width_ && pixels->height == height_) {
      CopyPadded(source, pixels->Stride(), width_, height_, staging_.data(), encodedWidth_, encodedHeight_);
    } else {
      // Another size: scaled to fit the track, centred on black.
      Ref<Picture> fitted = NewPicture(width_, height_);
      std::fill_n(fitted->Bits(), static_cast<std::size_t>(width_) * height_, 0xff000000u);
      const double scale = std::min(static_cast<double>(width_) / pixels->width,
                                    static_cast<double>(height_) / pixels->height);
      const auto w = std::clamp(static_cast<std::int32_t>(std::lround(pixels->width * scale)), 1, width_);
      const auto h = std::clamp(static_cast<std::int32_t>(std::lround(pixels->height * scale)), 1, height_);
      fitted->Graphics()->DrawPicture(New<Picture>(pixels), (width_ - w) / 2, (height_ - h) / 2, w, h, 0, 0,
                                      pixels->width, pixels->height);
      CopyPadded(fitted->ConstRow(0), static_cast<std::size_t>(width_), width_, height_, staging_.data(),
                 encodedWidth_, encodedHeight_);
    }
    source = staging_.data();
  }
  int rc = av_frame_make_writable(yuv_.get());
  if (rc < 0) Fail("encoding a frame of", rc);
  const std::uint8_t* planes[1] = {reinterpret_cast<const std::uint8_t*>(source)};
  const int strides[1] = {encodedWidth_ * 4};
  rc = sws_scale(scaler_.get(), planes, strides, 0, encodedHeight_, yuv_->data, yuv_->linesize);
  if (rc < 0) Fail("converting a frame of", rc);
  yuv_->pts = frames_;
  WritePackets(yuv_.get());
  ++frames_;
}

void MovieWriter::Finish() {
  if (finished_) return;
  finished_ = true;
  if (broken_ || !started_) {
    Discard();
    return;
  }
  WritePackets(nullptr);
  int rc = av_write_trailer(format_.get());
  if (rc < 0) Fail("finishing", rc);
  rc = avio_closep(&format_->pb);
  if (rc < 0) Fail("finishing", rc);
  format_.reset();
  codec_.reset();
  if (rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    unlink(temp_.c_str());
    throw IOException("while replacing " + target_ + ": " + std::strerror(error));
  }
  temp_.clear();
}
