#include "media/movie.h"

#include "media/movie_reader.h"
#include "media/movie_writer.h"
#include "runtime/class_entries.h"
#include "runtime/runtime.h"

namespace {

// A movie finished as it is let go cannot raise there; its failure is
// raised when the event handler that let it go ends.
void InstallDeferredErrorHook() {
  static const bool installed = [] {
    RuntimeAddDispatchEndHook(RaiseDeferredMediaErrors);
    return true;
  }();
  (void)installed;
}

// FFmpeg's progress chatter stays off the terminal; its errors reach the
// user through the exceptions that carry their text.
void QuietFfmpeg() {
  static const bool quiet = [] {
    Ffmpeg().av_log_set_level(AV_LOG_ERROR);
    return true;
  }();
  (void)quiet;
}

}  // namespace

EditableMovie::EditableMovie() = default;
EditableMovie::~EditableMovie() = default;

const ClassTable* EditableMovie::StaticClass() {
  using T = EditableMovie;
  static const ClassTable* table = RuntimeNewClass({
      .name = "EditableMovie",
      .properties = {ReadOnlyProperty("Duration", "d", &T::Duration),
                     Property("Position", "d", &T::Position, &T::SetPosition),
                     ReadOnlyProperty("Picture", "o<Picture>", &T::Picture),
                     ReadOnlyProperty("TimeScale", "i4", &T::TimeScale),
                     ReadOnlyProperty("TimeDuration", "i4", &T::TimeDuration)},
      .factory = [] { return static_cast<Object*>(new EditableMovie()); },
  });
  return table;
}

Ref<EditableMovie> EditableMovie::Open(const std::string& path) {
  std::unique_ptr<MovieReader> reader;
  try {
    QuietFfmpeg();
    reader = MovieReader::Open(path);
  } catch (const IOException&) {
    return nullptr;  // without FFmpeg no file opens as a movie
  }
  if (!reader) return nullptr;
  Ref<EditableMovie> movie = New<EditableMovie>();
  movie->reader_ = std::move(reader);
  return movie;
}

Ref<EditableMovie> EditableMovie::Create(const std::string& path) {
  QuietFfmpeg();
  InstallDeferredErrorHook();
  Ref<EditableMovie> movie = New<EditableMovie>();
  movie->writer_ = std::make_shared<MovieWriter>(path);
  return movie;
}

double EditableMovie::Duration() { return reader_ ? reader_->Duration() : 0.0; }
std::int32_t EditableMovie::TimeScale() { return reader_ ? reader_->TimeScale() : 0; }
std::int32_t EditableMovie::TimeDuration() { return reader_ ? reader_->TimeDuration() : 0; }

Ref<::Picture> EditableMovie::Picture() {
  if (!reader_) return nullptr;
  PixelSnapshot pixels = reader_->PictureAt(position_);
  if (!pixels) return nullptr;
  return New<::Picture>(std::move(pixels));  // shares the frame until written
}

Ref<QTVideoTrack> EditableMovie::NewVideoTrack(std::int32_t width, std::int32_t height, double frameRate) {
  if (!writer_ || !writer_->SetTrack(width, height, frameRate)) return nullptr;
  return New<QTVideoTrack>(writer_);
}

QTVideoTrack::QTVideoTrack(std::shared_ptr<MovieWriter> writer) : writer_(std::move(writer)) {}
QTVideoTrack::~QTVideoTrack() = default;

const ClassTable* QTVideoTrack::StaticClass() {
  using T = QTVideoTrack;
  static const ClassTable* table = RuntimeNewClass({
      .name = "QTVideoTrack",
      .properties = {Property("CompressionType", "s", &T::CompressionType, &T::SetCompressionType)},
      .factory = [] { return static_cast<Object*>(new QTVideoTrack()); },
  });
  return table;
}

void QTVideoTrack::SetCompressionType(const std::string& type) {
  if (type != "avc1")
    throw IOException("the compression type \"" + type + "\" cannot be written; only \"avc1\" (H.264) can");
  compression_ = type;
}

void QTVideoTrack::AppendPicture(const Ref<::Picture>& picture) {
  if (!picture) RaiseNilObjectException("the picture to append");
  if (!writer_) throw IOException("the video track belongs to no movie");
  writer_->Append(*picture);
}
