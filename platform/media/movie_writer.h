#pragma once
// Private to the platform: an H.264 movie being written.
//
// Append takes a snapshot of the picture and returns; the platform's worker
// threads convert several pictures to YUV side by side, and whichever
// worker finishes the conversion of the next frame in order feeds the ready
// frames to the encoder, one at a time, in the order they were appended.
// What the caller sees stays as if each Append had encoded its picture:
// - the frames are those appended, in that order, whichever worker
//   converted them;
// - the pictures waiting are bounded in number and in bytes: Append blocks
//   until there is room (one picture is always let in, however big);
// - a failure of a queued picture (converting, encoding or writing) is
//   raised at the next Append, or by Finish; the movie then leaves no file;
// - Finish waits for every picture appended.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "media/ffmpeg_util.h"
#include "media/picture.h"

struct MovieWriter {
  explicit MovieWriter(std::string target);
  // Finishes the file; a failure here is reported through
  // ReportDeferredMediaError, since no exception may leave.
  ~MovieWriter();
  MovieWriter(const MovieWriter&) = delete;
  MovieWriter& operator=(const MovieWriter&) = delete;

  // Whether a track of this size and rate can be made (a positive finite
  // rate, sizes of 1 or more); sets the track.
  bool SetTrack(std::int32_t width, std::int32_t height, double rate);
  bool HasTrack() const noexcept { return width_ > 0; }
  // Queues the picture as the next frame; raises IOException, for this
  // picture or for one queued before it.
  void Append(const Picture& picture);
  // Waits for the pictures queued, writes the end of the file and puts it
  // in place; raises IOException. A movie that received no picture, or
  // failed, leaves no file.
  void Finish();

 private:
  // A converted frame waiting for its turn at the encoder.
  struct Converted {
    FramePtr frame;
    std::string error;  // why the conversion failed, when it did
    std::size_t charge = 0;
  };
  // A picture on its way to a worker.
  struct Job {
    std::int64_t index = 0;
    PixelSnapshot pixels;
    std::size_t charge = 0;
  };
  using Lock = std::unique_lock<std::mutex>;

  void Start();
  [[noreturn]] void Fail(const std::string& action, int code);
  void WritePackets(AVFrame* frame);
  void Discard() noexcept;
  void RaiseQueuedFailure();
  // Runs on a worker: converts the picture of frame `index`, then encodes
  // the frames that are ready in order unless another worker is doing so.
  void Convert(std::int64_t index, PixelSnapshot pixels, std::size_t charge) noexcept;
  void ConvertInto(const PixelSnapshot& picture, SwsPtr& scaler, FramePtr& frame) const;
  void Drain(Lock& lock) noexcept;

  std::string target_, temp_;
  // The movie's name alone, as its failures name it: the user chose its
  // folder in the save dialog.
  std::string name_;
  std::int32_t width_ = 0, height_ = 0;  // the track's size
  int encodedWidth_ = 0, encodedHeight_ = 0;  // rounded up to even
  AVRational rate_{0, 1};
  // The encoder and the file: used by Start and Finish on the caller's
  // thread, and in between only by the one worker that drains.
  OutputFormat format_;
  CodecContext codec_;
  AVStream* stream_ = nullptr;  // owned by format_
  PacketPtr packet_;
  bool started_ = false, finished_ = false;
  bool broken_ = false;  // a failure was raised: nothing more is written

  // The queue, guarded by mutex_.
  std::mutex mutex_;
  std::condition_variable drained_;  // frames left the queue, or draining stopped
  std::int64_t appended_ = 0;        // the index the next picture gets
  std::int64_t encoded_ = 0;         // the index the encoder takes next
  std::size_t queued_ = 0, queuedBytes_ = 0;
  std::map<std::int64_t, Converted> ready_;  // converted, out of turn
  bool draining_ = false;
  std::string failure_;  // the first failure of a queued picture
  std::vector<FramePtr> spareFrames_;
  std::vector<SwsPtr> spareScalers_;  // one converter per worker at most
};


// A failure that happened where no exception could be raised (a movie
// finished as it was let go). The platform raises it at the end of the
// event handler that let the movie go.
void ReportDeferredMediaError(std::string message);
// Raises the first failure reported and forgets the others.
void RaiseDeferredMediaErrors();
