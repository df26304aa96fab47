#include "files/picture_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "files/file_descriptor.h"
#include "files/temp_files.h"
#include "media/jpeg.h"
#include "media/picture_qt.h"

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

std::int64_t Nanoseconds(const timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

FileStamp StampOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

// A file changed within this time before it was read may change again in
// the same clock tick without its stamp changing; its decode is not kept.
constexpr std::int64_t kSettledNanoseconds = 50'000'000;

// Decoded files, most recent last: bounded by entries and by pixels.
class DecodeCache {
 public:
  PixelSnapshot Find(const std::string& path, const FileStamp& stamp) {
    std::lock_guard lock(mutex_);
    for (auto& e : entries_)
      if (e.path == path && e.stamp == stamp) return e.pixels;
    return nullptr;
  }
  void Keep(const std::string& path, const FileStamp& stamp, PixelSnapshot pixels) {
    const std::size_t count = static_cast<std::size_t>(pixels->width) * static_cast<std::size_t>(pixels->height);
    if (count > kMaxPixels) return;
    std::lock_guard lock(mutex_);
    ForgetLocked(path);
    while (!entries_.empty() && (entries_.size() >= kMaxEntries || pixels_ + count > kMaxPixels)) DropOldest();
    entries_.push_back({path, stamp, std::move(pixels), count});
    pixels_ += count;
  }
  void Forget(const std::string& path) {
    std::lock_guard lock(mutex_);
    ForgetLocked(path);
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    pixels_ = 0;
  }

 private:
  static constexpr std::size_t kMaxEntries = 2;
  static constexpr std::size_t kMaxPixels = std::size_t{1} << 26;  // 256 MiB
  struct Entry {
    std::string path;
    FileStamp stamp;
    PixelSnapshot pixels;
    std::size_t count;
  };
  void ForgetLocked(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->path == path) {
        pixels_ -= it->count;
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }
  void DropOldest() {
    pixels_ -= entries_.front().count;
    entries_.pop_front();
  }
  std::mutex mutex_;
  std::deque<Entry> entries_;
  std::size_t pixels_ = 0;
};

// Encoded pictures by content stamp, most recent last: a picture saved
// again while unchanged is written from these bytes without encoding.
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
  static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;
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

Ref<Picture> OpenPictureFile(const std::string& path, std::string& whyNot) {
  auto fail = [&](std::string why) -> Ref<Picture> {
    whyNot = std::move(why);
    return nullptr;
  };
  // Non-blocking, so that a FIFO or a device under a picture's name cannot
  // hold the application; only regular files are read.
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) return fail(Reason(errno));
  struct stat st{};
  if (fstat(file.fd, &st) != 0) return fail(Reason(errno));
  if (S_ISDIR(st.st_mode)) return fail("it is a folder");
  if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
  if (st.st_size <= 0) return fail("the file is empty");
  if (st.st_size > kMaxPictureFileBytes) return fail("the file is too large for a picture");
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const FileStamp stamp = StampOf(st);
  if (PixelSnapshot cached = Decoded().Find(path, stamp)) return New<Picture>(std::move(cached));

  std::shared_ptr<PixelBuffer> pixels;
  std::size_t got = 0;
  try {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(st.st_size));
    while (got < bytes.size()) {
      const ssize_t n = read(file.fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return fail(Reason(errno));
      if (n == 0) break;  // the file shrank since it was measured
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    pixels = LooksLikeJPEG(bytes.data(), bytes.size()) ? DecodeJPEG(bytes.data(), bytes.size(), &whyNot)
                                                       : DecodeWithQt(bytes, whyNot);
  } catch (const std::bad_alloc&) {
    return fail("not enough memory to read it");
  } catch (const RuntimeException& e) {
    return fail(e.Message());  // the decoder could not start, or the picture is too large to hold
  }
  if (!pixels) return nullptr;
  PixelSnapshot snapshot = std::move(pixels);
  if (Nanoseconds(now) - stamp.mtime > kSettledNanoseconds && got == static_cast<std::size_t>(st.st_size))
    Decoded().Keep(path, stamp, snapshot);
  return New<Picture>(std::move(snapshot));
}

EncodedBytes FindEncodedPicture(std::uint64_t stamp) { return Encoded().Find(stamp); }
void KeepEncodedPicture(std::uint64_t stamp, EncodedBytes bytes) { Encoded().Keep(stamp, std::move(bytes)); }
void ForgetDecodedFile(const std::string& path) { Decoded().Forget(path); }

void SavePictureAsJPEG(const std::string& path, const Picture& picture) {
  const PixelSnapshot pixels = picture.Snapshot();
  if (!pixels) throw IOException("while saving " + path + ": the picture is empty");
  EncodedBytes bytes = Encoded().Find(pixels->stamp);
  if (!bytes) {
    try {
      bytes = EncodeJPEG(*pixels);
    } catch (const RuntimeException& e) {
      throw IOException("while saving " + path + ": " + e.Message());
    }
    Encoded().Keep(pixels->stamp, bytes);
  }
  Decoded().Forget(path);
  const auto slash = path.rfind('/');
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  FileDescriptor into(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (into.fd < 0) throw IOException("while saving " + path + ": " + Reason(errno));
  RemoveStaleTempFiles(into.fd, folder);
  const std::string temp = WriteTempFile(into.fd, path, bytes->data(), bytes->size());
  ReplaceWithTempFile(into.fd, temp, path.substr(slash + 1), path);
}

void ClearPictureFileCaches() {
  Decoded().Clear();
  Encoded().Clear();
}
