#include "media/movie_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "files/paths.h"
#include "files/temp_files.h"
#include "media/fit.h"
#include "runtime/task_pool.h"
#include "testing.h"

namespace {

std::mutex& DeferredMutex() {
  static std::mutex m;
  return m;
}
std::vector<std::string>& Deferred() {
  static std::vector<std::string> errors;
  return errors;
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

constexpr std::size_t kMiB = std::size_t{1} << 20;

// The queue's settings, shared by every movie.
struct QueueSettings {
  std::mutex mutex;
  movie_queue::Limits limits;
  movie_queue::Stats stats;
  std::function<void(std::int64_t)> beforeEach;
};
QueueSettings& Settings() {
  static QueueSettings settings;
  return settings;
}

}  // namespace

namespace movie_queue {

Limits CurrentLimits() {
  // One picture per worker keeps every worker converting while the encoder
  // works; the bytes keep big pictures (a 24-megapixel photo is 96 MiB) to
  // a few at a time.
  std::lock_guard lock(Settings().mutex);
  const Limits set = Settings().limits;
  return {.pictures = set.pictures ? set.pictures : task_pool::Workers(),
          .bytes = set.bytes ? set.bytes : 256 * kMiB};
}
void SetLimits(Limits limits) {
  std::lock_guard lock(Settings().mutex);
  Settings().limits = limits;
}
Stats CurrentStats() {
  std::lock_guard lock(Settings().mutex);
  return Settings().stats;
}
void ResetStats() {
  std::lock_guard lock(Settings().mutex);
  Settings().stats = {};
}
void SetBeforeEachConversion(std::function<void(std::int64_t frame)> hook) {
  std::lock_guard lock(Settings().mutex);
  Settings().beforeEach = std::move(hook);
}

}  // namespace movie_queue

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

MovieWriter::MovieWriter(std::string target) : target_(std::move(target)), name_(NameOfPath(target_)) {}

MovieWriter::~MovieWriter() {
  try {
    Finish();
  } catch (const RuntimeException& e) {
    ReportDeferredMediaError(e.Message());
  } catch (const std::exception& e) {
    ReportDeferredMediaError("while finishing the movie " + name_ + ": " + e.what());
  }
  // Finish waited for the workers even when it failed.
}

bool MovieWriter::SetTrack(std::int32_t width, std::int32_t height, double rate) {
  if (HasTrack() || width < 1 || height < 1 || !std::isfinite(rate) || rate <= 0) return false;
  // The rate as typed: 29.97 becomes 2997/100, not 30000/1001.
  const AVRational q = Ffmpeg().av_d2q(rate, 1'000'000);
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
  const std::string text = "while " + action + " " + name_ + ": " + AvErrorText(code);
  Discard();
  throw IOException(text);
}

void MovieWriter::Discard() noexcept {
  codec_.reset();
  format_.reset();
  stream_ = nullptr;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

void MovieWriter::Start() {
  temp_ = NewTempPathBeside(target_);  // the movie is written there, then renamed
  const AVCodec* encoder = Ffmpeg().avcodec_find_encoder_by_name("libx264");
  if (!encoder) Fail("making the H.264 encoder for", AVERROR_ENCODER_NOT_FOUND);
  AVFormatContext* raw = nullptr;
  int rc = Ffmpeg().avformat_alloc_output_context2(&raw, nullptr, "mov", temp_.c_str());
  if (rc < 0 || !raw) Fail("making the movie", rc < 0 ? rc : AVERROR(ENOMEM));
  format_.reset(raw);

  codec_.reset(Ffmpeg().avcodec_alloc_context3(encoder));
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
  Ffmpeg().av_opt_set(c->priv_data, "profile", "high", 0);
  Ffmpeg().av_opt_set(c->priv_data, "crf", "18", 0);
  rc = Ffmpeg().avcodec_open2(c, encoder, nullptr);
  if (rc < 0) Fail("opening the H.264 encoder for", rc);

  stream_ = Ffmpeg().avformat_new_stream(format_.get(), nullptr);
  if (!stream_) Fail("making the video track of", AVERROR(ENOMEM));
  stream_->time_base = c->time_base;
  stream_->avg_frame_rate = rate_;
  rc = Ffmpeg().avcodec_parameters_from_context(stream_->codecpar, c);
  if (rc < 0) Fail("making the video track of", rc);
  stream_->codecpar->codec_tag = MKTAG('a', 'v', 'c', '1');

  rc = Ffmpeg().avio_open(&format_->pb, temp_.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) Fail("creating", rc);
  AVDictionary* raw_opts = nullptr;
  Ffmpeg().av_dict_set(&raw_opts, "movflags", "+faststart", 0);
  std::unique_ptr<AVDictionary, DictionaryFree> opts(raw_opts);
  raw_opts = opts.release();
  rc = Ffmpeg().avformat_write_header(format_.get(), &raw_opts);
  opts.reset(raw_opts);
  if (rc < 0) Fail("writing the header of", rc);

  packet_.reset(Ffmpeg().av_packet_alloc());
  if (!packet_) Fail("encoding", AVERROR(ENOMEM));
  started_ = true;
}

void MovieWriter::WritePackets(AVFrame* frame) {
  int rc = Ffmpeg().avcodec_send_frame(codec_.get(), frame);
  if (rc < 0) Fail("encoding a frame of", rc);
  for (;;) {
    rc = Ffmpeg().avcodec_receive_packet(codec_.get(), packet_.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
    if (rc < 0) Fail("encoding a frame of", rc);
    if (packet_->duration <= 0) packet_->duration = 1;
    Ffmpeg().av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    rc = Ffmpeg().av_interleaved_write_frame(format_.get(), packet_.get());
    Ffmpeg().av_packet_unref(packet_.get());
    if (rc < 0) Fail("writing", rc);
  }
}

void MovieWriter::RaiseQueuedFailure() {
  std::string failure;
  {
    std::lock_guard lock(mutex_);
    failure = failure_;
  }
  if (failure.empty()) return;
  broken_ = true;  // raised once; later calls say the movie failed before
  throw IOException(failure);
}

void MovieWriter::Append(const Picture& picture) {
  if (broken_) throw IOException("while writing " + name_ + ": the movie failed before");
  if (finished_) throw IOException("while writing " + name_ + ": the movie is finished");
  RaiseQueuedFailure();
  if (!HasTrack()) throw IOException("while writing " + name_ + ": the movie has no video track");
  PixelSnapshot pixels = picture.Snapshot();
  if (!pixels || pixels->width <= 0 || pixels->height <= 0)
    throw IOException("while writing " + name_ + ": the picture is empty");
  if (!started_) {
    try {
      Start();
    } catch (...) {
      broken_ = true;
      throw;
    }
  }

  // The picture's pixels and its frame once converted.
  const std::size_t charge = PixelBytes(*pixels) +
                             static_cast<std::size_t>(encodedWidth_) * static_cast<std::size_t>(encodedHeight_) * 3 / 2;
  const movie_queue::Limits limits = movie_queue::CurrentLimits();
  auto job = std::make_shared<Job>(Job{.pixels = std::move(pixels), .charge = charge});
  {
    Lock lock(mutex_);
    drained_.wait(lock, [&] {
      return !failure_.empty() || queued_ == 0 ||
             (queued_ < limits.pictures && queuedBytes_ + charge <= limits.bytes);
    });
    if (failure_.empty()) {
      job->index = appended_++;
      ++queued_;
      queuedBytes_ += charge;
      std::lock_guard settings(Settings().mutex);
      Settings().stats.peakPictures = std::max(Settings().stats.peakPictures, queued_);
      Settings().stats.peakBytes = std::max(Settings().stats.peakBytes, queuedBytes_);
    }
  }
  RaiseQueuedFailure();  // one that came while this picture waited for room
  try {
    task_pool::Post([this, job] { Convert(job->index, std::move(job->pixels), job->charge); });
  } catch (...) {
    Convert(job->index, std::move(job->pixels), job->charge);  // no room to queue the task: done here
  }
}

void MovieWriter::ConvertInto(const PixelSnapshot& picture, SwsPtr& scaler, FramePtr& frame) const {
  auto fail = [&](int code) { throw IOException("while converting a frame of " + name_ + ": " + AvErrorText(code)); };
  if (!frame) {
    frame.reset(Ffmpeg().av_frame_alloc());
    if (!frame) fail(AVERROR(ENOMEM));
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = encodedWidth_;
    frame->height = encodedHeight_;
    frame->color_range = AVCOL_RANGE_MPEG;
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_primaries = AVCOL_PRI_BT709;
    frame->color_trc = AVCOL_TRC_BT709;
    if (const int rc = Ffmpeg().av_frame_get_buffer(frame.get(), 0); rc < 0) fail(rc);
  } else if (const int rc = Ffmpeg().av_frame_make_writable(frame.get()); rc < 0) {
    fail(rc);
  }
  if (!scaler) {
    // Full-range RGB to limited-range BT.709, on one thread: the frames
    // themselves are converted side by side.
    scaler = NewScaler(encodedWidth_, encodedHeight_, AV_PIX_FMT_BGRA, encodedWidth_, encodedHeight_,
                       AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, 1);
    if (!scaler) fail(AVERROR(EINVAL));
    Ffmpeg().sws_setColorspaceDetails(scaler.get(), Ffmpeg().sws_getCoefficients(SWS_CS_ITU709), 1,
                             Ffmpeg().sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
  }

  // RGB32 at the track's size (another size fitted, centred on black), then
  // at the encoded size (odd sizes padded) in rows one after the other.
  const PixelSnapshot rgb = RgbPixels(FittedOnBlack(picture, width_, height_));
  const std::uint32_t* source = rgb->Row(0);
  std::shared_ptr<PixelBuffer> staging;
  if (rgb->width != encodedWidth_ || rgb->height != encodedHeight_ ||
      rgb->Stride() != static_cast<std::size_t>(encodedWidth_)) {
    staging = NewPixelBuffer(encodedWidth_, encodedHeight_);
    CopyPadded(source, rgb->Stride(), width_, height_, staging->Storage(), encodedWidth_, encodedHeight_);
    source = staging->Storage();
  }
  const std::uint8_t* planes[1] = {reinterpret_cast<const std::uint8_t*>(source)};
  const int strides[1] = {encodedWidth_ * 4};
  const int rc = Ffmpeg().sws_scale(scaler.get(), planes, strides, 0, encodedHeight_, frame->data, frame->linesize);
  if (rc < 0) fail(rc);
}

void MovieWriter::Convert(std::int64_t index, PixelSnapshot pixels, std::size_t charge) noexcept {
  Converted done;
  done.charge = charge;
  SwsPtr scaler;
  std::function<void(std::int64_t)> before;
  bool skip = false;
  {
    std::lock_guard lock(mutex_);
    skip = !failure_.empty();  // nothing more is written: no need to convert
    if (!spareFrames_.empty()) {
      done.frame = std::move(spareFrames_.back());
      spareFrames_.pop_back();
    }
    if (!spareScalers_.empty()) {
      scaler = std::move(spareScalers_.back());
      spareScalers_.pop_back();
    }
  }
  if (!skip) {
    std::lock_guard lock(Settings().mutex);
    before = Settings().beforeEach;
    ++Settings().stats.conversions;
  }
  if (!skip) {
    try {
      if (before) before(index);
      ConvertInto(pixels, scaler, done.frame);
      done.frame->pts = index;
    } catch (const RuntimeException& e) {
      done.error = e.Message();
    } catch (const std::exception& e) {
      done.error = "while converting a frame of " + name_ + ": " + e.what();
    } catch (...) {
      done.error = "while converting a frame of " + name_ + ": an unknown failure";
    }
  }
  pixels.reset();  // outside the lock: big storage goes back to its pool
  Lock lock(mutex_);
  if (scaler) spareScalers_.push_back(std::move(scaler));
  ready_.emplace(index, std::move(done));
  if (draining_) return;  // the worker draining takes this frame in turn
  draining_ = true;
  Drain(lock);
  draining_ = false;
  drained_.notify_all();  // under the lock: once Finish sees this, the writer may go
}

void MovieWriter::Drain(Lock& lock) noexcept {
  // Encodes the frames that are ready, in order, until the next one is not.
  for (auto it = ready_.find(encoded_); it != ready_.end(); it = ready_.find(encoded_)) {
    Converted next = std::move(it->second);
    ready_.erase(it);
    if (failure_.empty() && !next.error.empty()) {
      failure_ = std::move(next.error);
      lock.unlock();
      Discard();
      lock.lock();
    } else if (failure_.empty()) {
      lock.unlock();
      std::string error;
      try {
        WritePackets(next.frame.get());  // a failure discards the file
      } catch (const RuntimeException& e) {
        error = e.Message();
      } catch (const std::exception& e) {
        error = "while encoding a frame of " + name_ + ": " + e.what();
      }
      lock.lock();
      if (!error.empty()) failure_ = std::move(error);
    }
    if (next.frame) spareFrames_.push_back(std::move(next.frame));
    ++encoded_;
    --queued_;
    queuedBytes_ -= next.charge;
    drained_.notify_all();
  }
}

void MovieWriter::Finish() {
  if (finished_) return;
  finished_ = true;
  std::string failure;
  {
    Lock lock(mutex_);
    drained_.wait(lock, [&] { return queued_ == 0 && !draining_; });
    failure = failure_;
  }
  if (!failure.empty() && !broken_) {
    broken_ = true;
    Discard();
    throw IOException(failure);
  }
  if (broken_ || !started_) {
    Discard();
    return;
  }
  WritePackets(nullptr);
  int rc = Ffmpeg().av_write_trailer(format_.get());
  if (rc < 0) Fail("finishing", rc);
  rc = Ffmpeg().avio_closep(&format_->pb);
  if (rc < 0) Fail("finishing", rc);
  format_.reset();
  codec_.reset();
  if (rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    unlink(temp_.c_str());
    temp_.clear();
    throw IOException("while replacing " + name_ + ": " + std::strerror(error));
  }
  temp_.clear();
}
