#include "files/picture_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <vector>

#include "files/file_descriptor.h"
#include "files/paths.h"
#include "files/temp_files.h"
#include "media/jpeg.h"
#include "media/picture_qt.h"
#include "runtime/runtime.h"
#include "runtime/task_pool.h"
#include "testing.h"

namespace {

// What identifies a file's content without reading it: a new file or a
// rewrite changes at least one of these.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t mtime = 0;
  std::int64_t ctime = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp StampOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

// A file's decoding: its pixels, or why it gave none.
struct Decoding {
  PixelSnapshot pixels;
  std::string whyNot;
};
using PendingDecoding = std::shared_future<Decoding>;

// Decoded files, and files being decoded ahead of their opening, most
// recent last: bounded by entries and by the bytes of the decoded ones.
class DecodeCache {
 public:
  std::optional<PendingDecoding> Find(const std::string& path, const FileStamp& stamp) {
    std::lock_guard lock(mutex_);
    for (auto& e : entries_)
      if (e.path == path && e.stamp == stamp) return e.decoding;
    return std::nullopt;
  }
  void Keep(const std::string& path, const FileStamp& stamp, PendingDecoding decoding) {
    std::lock_guard lock(mutex_);
    ForgetLocked(path);
    while (entries_.size() >= kMaxEntries || Bytes() > kMaxBytes) entries_.pop_front();
    entries_.push_back({path, stamp, std::move(decoding)});
  }
  void Forget(const std::string& path) {
    std::lock_guard lock(mutex_);
    ForgetLocked(path);
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }
  // Whether another decoding ahead, of a file of `fileBytes`, fits: beside
  // the pair a run works on, as many as the budget holds of pictures of the
  // last size decoded. A decoding holds its whole file while it reads and
  // decodes it, so the files are charged too: those being decoded, this
  // one and a picture of the last size for each fit in the budget together,
  // except that one always may go ahead when its file alone fits.
  bool RoomAhead(off_t fileBytes) {
    if (fileBytes <= 0 || static_cast<std::uint64_t>(fileBytes) > kMaxBytes) return false;
    const auto file = static_cast<std::size_t>(fileBytes);
    std::lock_guard lock(mutex_);
    std::size_t pending = 0, pendingFiles = 0;
    for (const Entry& e : entries_)
      if (e.decoding.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        ++pending;
        pendingFiles += static_cast<std::size_t>(e.stamp.size);
      }
    const std::size_t size = std::max<std::size_t>(lastBytes_, 1);
    const std::size_t ahead = std::clamp<std::size_t>(kMaxBytes / size, 3, kMaxEntries) - 2;
    if (pending >= ahead) return false;
    return pending == 0 || pendingFiles + file + (pending + 1) * size <= kMaxBytes;
  }
  void NoteDecoded(const PixelSnapshot& pixels) {
    if (!pixels) return;
    std::lock_guard lock(mutex_);
    lastBytes_ = BytesOf(*pixels);
  }

 private:
  // The pair a run works on, and the photos after it.
  static constexpr std::size_t kMaxEntries = 6;
  static constexpr std::size_t kMaxBytes = std::size_t{192} << 20;
  static std::size_t BytesOf(const PixelBuffer& p) { return PixelBytes(p); }
  struct Entry {
    std::string path;
    FileStamp stamp;
    PendingDecoding decoding;
  };
  std::size_t Bytes() const {
    std::size_t bytes = 0;
    for (const Entry& e : entries_)
      if (e.decoding.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        if (const PixelSnapshot& p = e.decoding.get().pixels) bytes += BytesOf(*p);
    return bytes;
  }
  void ForgetLocked(const std::string& path) {
    std::erase_if(entries_, [&](const Entry& e) { return e.path == path; });
  }
  std::mutex mutex_;
  std::deque<Entry> entries_;
  std::size_t lastBytes_ = 0;
};

// Encoded pictures by content stamp, most recent last: a picture saved
// again while unchanged is written from these bytes without encoding. A
// few frames' worth (a 24-megapixel frame is some 6 MiB): the still copies
// of a photo are saved right after it.
class EncodeCache {
 public:
  EncodedBytes Find(std::uint64_t stamp) {
    std::lock_guard lock(mutex_);
    for (auto& e : entries_)
      if (e.stamp == stamp) return e.bytes;
    return nullptr;
  }
  void Keep(std::uint64_t stamp, EncodedBytes bytes) {
    if (bytes->size() > kMaxBytes) return;
    std::lock_guard lock(mutex_);
    while (!entries_.empty() && (entries_.size() >= kMaxEntries || bytes_ + bytes->size() > kMaxBytes)) {
      bytes_ -= entries_.front().bytes->size();
      entries_.pop_front();
    }
    bytes_ += bytes->size();
    entries_.push_back({stamp, std::move(bytes)});
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    bytes_ = 0;
  }

 private:
  static constexpr std::size_t kMaxEntries = 8;
  static constexpr std::size_t kMaxBytes = std::size_t{32} << 20;
  struct Entry {
    std::uint64_t stamp;
    EncodedBytes bytes;
  };
  std::mutex mutex_;
  std::deque<Entry> entries_;
  std::size_t bytes_ = 0;
};

DecodeCache& Decoded() {
  static DecodeCache cache;
  return cache;
}
EncodeCache& Encoded() {
  static EncodeCache cache;
  return cache;
}

// Pictures other than JPEG, through Qt's readers (PNG, GIF, BMP, ...).
std::shared_ptr<PixelBuffer> DecodeWithQt(const std::vector<unsigned char>& bytes, std::string& whyNot) {
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QImage image = reader.read();
  if (image.isNull()) {
    // Bytes of no known format are, under a picture's name, no JPEG.
    whyNot = reader.error() == QImageReader::UnsupportedFormatError ? "not a JPEG file"
                                                                     : reader.errorString().toLower().toStdString();
    return nullptr;
  }
  Ref<Picture> picture = PictureFromQImage(image);
  return std::const_pointer_cast<PixelBuffer>(picture->Snapshot());
}

// The largest file read as a picture: more than any format needs for the
// largest picture the platform holds. A bigger file is refused unread.
constexpr off_t kMaxPictureFileBytes = kMaxPicturePixels * 4 + (off_t{64} << 20);

std::string Reason(int error) { return std::strerror(error); }

}  // namespace

namespace {

// The picture file open as `file`, after the checks of OpenedPictureFile.
Decoding DecodeOpenFile(const FileDescriptor& file, const struct stat& st) {
  Decoding out;
  try {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(file.fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return {nullptr, Reason(errno)};
      if (n == 0) break;  // the file shrank since it was measured
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    out.pixels = LooksLikeJPEG(bytes.data(), bytes.size()) ? DecodeJPEG(bytes.data(), bytes.size(), &out.whyNot)
                                                           : DecodeWithQt(bytes, out.whyNot);
  } catch (const std::bad_alloc&) {
    return {nullptr, "not enough memory to read it"};
  } catch (const RuntimeException& e) {
    return {nullptr, e.Message()};  // the decoder could not start, or the picture is too large to hold
  }
  return out;
}

// The file opened for reading as a picture, with its status; none, and
// `whyNot` set, when it is no regular file of a picture's size. Opening
// does not block, so a FIFO or a device under a picture's name cannot hold
// the application.
FileDescriptor OpenedPictureFile(const std::string& path, struct stat& st, std::string& whyNot) {
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) whyNot = Reason(errno);
  else if (fstat(file.fd, &st) != 0) whyNot = Reason(errno);
  else if (S_ISDIR(st.st_mode)) whyNot = "it is a folder";
  else if (!S_ISREG(st.st_mode)) whyNot = "it is not a regular file";
  else if (st.st_size <= 0) whyNot = "the file is empty";
  else if (st.st_size > kMaxPictureFileBytes) whyNot = "the file is too large for a picture";
  else return file;
  return FileDescriptor();
}

// Whether the file last changed long enough ago that a decoding of it can
// be kept for the next opening: a change in the same clock tick as the
// reading would leave its stamp as it was.
bool Settled(const struct stat& st) { return SettledWhenRead(Nanoseconds(st.st_mtim), NowNanoseconds()); }

}  // namespace

Ref<Picture> OpenPictureFile(const std::string& path, std::string& whyNot) {
  struct stat st{};
  const FileDescriptor file = OpenedPictureFile(path, st, whyNot);
  if (file.fd < 0) return nullptr;
  const FileStamp stamp = StampOf(st);
  Decoding decoded;
  if (std::optional<PendingDecoding> ahead = Decoded().Find(path, stamp)) {
    decoded = ahead->get();  // decoded, or being decoded, ahead of this opening
  } else {
    decoded = DecodeOpenFile(file, st);
    Decoded().NoteDecoded(decoded.pixels);
    if (decoded.pixels && Settled(st)) {
      std::promise<Decoding> done;
      done.set_value(decoded);
      Decoded().Keep(path, stamp, done.get_future().share());
    }
  }
  whyNot = decoded.whyNot;
  return decoded.pixels ? New<Picture>(decoded.pixels) : nullptr;
}

void DecodeAhead(const std::string& path) {
  // Only for a handler at work (a run, a movie being made): the runtime
  // waits for the workers when it stops.
  if (RuntimeDispatchDepth() == 0) return;
  struct stat st{};
  std::string whyNot;
  auto file = std::make_shared<FileDescriptor>(OpenedPictureFile(path, st, whyNot));
  if (file->fd < 0 || !Settled(st)) return;
  const FileStamp stamp = StampOf(st);
  if (Decoded().Find(path, stamp) || !Decoded().RoomAhead(st.st_size)) return;
  auto promise = std::make_shared<std::promise<Decoding>>();
  Decoded().Keep(path, stamp, promise->get_future().share());
  task_pool::Post([file, st, promise] {
    Decoding decoded = DecodeOpenFile(*file, st);
    Decoded().NoteDecoded(decoded.pixels);
    promise->set_value(std::move(decoded));
  });
}

EncodedBytes FindEncodedPicture(std::uint64_t stamp) { return Encoded().Find(stamp); }
void KeepEncodedPicture(std::uint64_t stamp, EncodedBytes bytes) { Encoded().Keep(stamp, std::move(bytes)); }
void ForgetDecodedFile(const std::string& path) { Decoded().Forget(path); }

void SavePictureAsJPEG(const std::string& path, const Picture& picture) {
  // Failures name the frame by its name: its folder is the one the user chose.
  const std::string name = NameOfPath(path);
  const PixelSnapshot pixels = picture.Snapshot();
  if (!pixels) throw IOException("while saving " + name + ": the picture is empty");
  EncodedBytes bytes = Encoded().Find(pixels->stamp);
  if (!bytes) {
    try {
      bytes = EncodeJPEG(*pixels);
    } catch (const RuntimeException& e) {
      throw IOException("while saving " + name + ": " + e.Message());
    }
    Encoded().Keep(pixels->stamp, bytes);
  }
  Decoded().Forget(path);
  const std::string folder = FolderOfPath(path);
  FileDescriptor into(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (into.fd < 0) throw IOException("while saving " + name + ": " + Reason(errno));
  RemoveStaleTempFiles(into.fd, folder);
  const std::string temp = WriteTempFile(into.fd, name, bytes->Parts());
  ReplaceWithTempFile(into.fd, temp, name);
}

void ClearPictureFileCaches() {
  Decoded().Clear();
  Encoded().Clear();
}
