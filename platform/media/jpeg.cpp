#include "media/jpeg.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

#include "media/orientation.h"
#include "media/pixel_pool.h"
#include "runtime/task_pool.h"

namespace {

struct TjDestroy {
  void operator()(void* handle) const noexcept { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDestroy>;

// One compressor and one decompressor per thread: making them costs more
// than a small picture's work. A decompressor that reported a problem is
// replaced: TurboJPEG 2.1 keeps a warning flag set from one call to the next.
TjHandle& DecompressorSlot() {
  thread_local TjHandle handle;
  return handle;
}
tjhandle Decompressor() {
  TjHandle& handle = DecompressorSlot();
  if (!handle) handle.reset(tjInitDecompress());
  if (!handle) throw RuntimeException("RuntimeException", std::string("while starting the JPEG decoder: ") + tjGetErrorStr2(nullptr));
  return handle.get();
}
struct ReplaceDecompressorAfterProblems {
  bool problem = false;
  ~ReplaceDecompressorAfterProblems() {
    if (problem) DecompressorSlot().reset();
  }
};
tjhandle Compressor() {
  thread_local TjHandle handle(tjInitCompress());
  if (!handle) throw RuntimeException("RuntimeException", std::string("while starting the JPEG encoder: ") + tjGetErrorStr2(nullptr));
  return handle.get();
}

// The EXIF orientation as Qt reads it from the header (no decoding).
// Whether the JPEG's headers hold an EXIF block (an APP1 segment starting
// "Exif"): most frames have none, and asking Qt costs more than a small
// picture's decoding.
bool HasExif(const unsigned char* data, std::size_t size) {
  for (std::size_t at = 2; at + 10 <= size && data[at] == 0xff;) {
    const unsigned marker = data[at + 1];
    if (marker == 0xda || marker == 0xd9) return false;  // the scan: no more headers
    if (marker == 0xe1 && std::memcmp(data + at + 4, "Exif", 4) == 0) return true;
    at += 2 + (std::size_t{data[at + 2]} << 8 | data[at + 3]);
  }
  return false;
}

Orientation ExifOrientation(const unsigned char* data, std::size_t size) {
  if (!HasExif(data, size)) return {};
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "jpeg");
  const QImageIOHandler::Transformations t = reader.transformation();
  return {.mirror = t.testFlag(QImageIOHandler::TransformationMirror),
          .flip = t.testFlag(QImageIOHandler::TransformationFlip),
          .rotate90 = t.testFlag(QImageIOHandler::TransformationRotate90)};
}

// TurboJPEG's CMYK is Adobe's inverted form: 255 means no ink.
void CmykToRgb32(const unsigned char* cmyk, std::uint32_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, cmyk += 4) {
    const unsigned k = cmyk[3];
    const unsigned r = (cmyk[0] * k + 127) / 255, g = (cmyk[1] * k + 127) / 255, b = (cmyk[2] * k + 127) / 255;
    out[i] = 0xff000000u | (r << 16) | (g << 8) | b;
  }
}

// A warning that means the picture is incomplete: the file was cut short.
bool IsTruncationWarning(tjhandle handle) {
  if (tjGetErrorCode(handle) != TJERR_WARNING) return true;
  const char* text = tjGetErrorStr2(handle);
  return text && std::strstr(text, "remature end");
}

}  // namespace

bool LooksLikeJPEG(const unsigned char* data, std::size_t size) noexcept {
  return size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff;
}

std::shared_ptr<PixelBuffer> DecodeJPEG(const unsigned char* data, std::size_t size, std::string* why) {
  auto fail = [&](const std::string& text) -> std::shared_ptr<PixelBuffer> {
    if (why) *why = text;
    return nullptr;
  };
  if (!LooksLikeJPEG(data, size)) return fail("not a JPEG file");
  tjhandle tj = Decompressor();
  ReplaceDecompressorAfterProblems replace;
  int width = 0, height = 0, subsamp = 0, colorspace = 0;
  const auto length = static_cast<unsigned long>(size);
  if (tjDecompressHeader3(tj, data, length, &width, &height, &subsamp, &colorspace) != 0) {
    replace.problem = true;
    return fail(tjGetErrorStr2(tj));
  }
  if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxPicturePixels)
    return fail("the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
  const Orientation orientation = ExifOrientation(data, size);
  if (subsamp == TJSAMP_420 && colorspace == TJCS_YCbCr && orientation.IsIdentity()) {
    // Kept as the JPEG holds it: a quarter of the memory of RGB32, and
    // blended and encoded again without converting.
    auto pixels = NewPixelBuffer(width, height, PixelLayout::kYuv420);
    unsigned char* planes[3] = {pixels->PlaneStorage(0), pixels->PlaneStorage(1), pixels->PlaneStorage(2)};
    int strides[3] = {pixels->PlaneStride(0), pixels->PlaneStride(1), pixels->PlaneStride(2)};
    const int rc = tjDecompressToYUVPlanes(tj, data, length, planes, width, strides, height, 0);
    replace.problem = rc != 0;
    if (rc != 0 && IsTruncationWarning(tj)) return fail(tjGetErrorStr2(tj));
    return pixels;
  }
  auto pixels = NewPixelBuffer(width, height);
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  int rc = 0;
  if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
    std::vector<unsigned char> cmyk(count * 4);
    rc = tjDecompress2(tj, data, length, cmyk.data(), width, width * 4, height, TJPF_CMYK, 0);
    if (rc == 0 || !IsTruncationWarning(tj)) CmykToRgb32(cmyk.data(), pixels->Storage(), count);
  } else {
    rc = tjDecompress2(tj, data, length, reinterpret_cast<unsigned char*>(pixels->Storage()), width, width * 4,
                       height, TJPF_BGRA, 0);
  }
  replace.problem = rc != 0;
  // Warnings other than a cut-short file (stray bytes between markers and
  // the like) leave a complete picture, as other readers show it.
  if (rc != 0 && IsTruncationWarning(tj)) return fail(tjGetErrorStr2(tj));
  return ApplyOrientation(std::move(pixels), orientation);
}

EncodedJpeg::EncodedJpeg(std::vector<Storage> storage, std::vector<unsigned char> joints,
                         std::vector<Part> parts) noexcept
    : storage_(std::move(storage)), joints_(std::move(joints)), parts_(std::move(parts)) {}

EncodedJpeg::~EncodedJpeg() {
  for (Storage& s : storage_) ReturnPixelStorage(std::move(s.words), s.count);
}

std::size_t EncodedJpeg::size() const noexcept {
  std::size_t total = 0;
  for (const Part& p : parts_) total += p.size();
  return total;
}

std::vector<unsigned char> EncodedJpeg::Bytes() const {
  std::vector<unsigned char> bytes;
  bytes.reserve(size());
  for (const Part& p : parts_) bytes.insert(bytes.end(), p.begin(), p.end());
  return bytes;
}

namespace {

// The JPEG bytes TurboJPEG wrote for rows [top, top + rows) of the pixels,
// in pooled storage.
struct Encoded {
  std::unique_ptr<std::uint32_t[]> storage;
  std::size_t words = 0;
  unsigned long size = 0;
  const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(storage.get()); }
};

Encoded EncodeRows(const PixelBuffer& pixels, std::int32_t top, std::int32_t rows) {
  tjhandle tj = Compressor();
  // Room for the worst case, so TurboJPEG never reallocates mid-way; taken
  // from the pool where the last encoding of this size left it.
  const unsigned long need = tjBufSize(pixels.width, rows, TJSAMP_420);
  if (need == static_cast<unsigned long>(-1))
    throw RuntimeException("RuntimeException", std::string("while encoding a JPEG: ") + tjGetErrorStr2(nullptr));
  Encoded e;
  e.words = (need + 3) / 4;
  e.storage = TakePixelStorage(e.words);
  auto* out = reinterpret_cast<unsigned char*>(e.storage.get());
  e.size = need;
  int rc = 0;
  if (pixels.Layout() == PixelLayout::kYuv420) {
    const std::size_t chromaTop = static_cast<std::size_t>(top / 2);
    const unsigned char* planes[3] = {pixels.Plane(0) + static_cast<std::size_t>(top) * pixels.PlaneStride(0),
                                      pixels.Plane(1) + chromaTop * pixels.PlaneStride(1),
                                      pixels.Plane(2) + chromaTop * pixels.PlaneStride(2)};
    const int strides[3] = {pixels.PlaneStride(0), pixels.PlaneStride(1), pixels.PlaneStride(2)};
    rc = tjCompressFromYUVPlanes(tj, planes, pixels.width, strides, rows, TJSAMP_420, &out, &e.size, 90,
                                 TJFLAG_NOREALLOC);
  } else {
    rc = tjCompress2(tj, reinterpret_cast<const unsigned char*>(pixels.Row(top)), pixels.width,
                     static_cast<int>(pixels.Stride() * 4), rows, TJPF_BGRX, &out, &e.size, TJSAMP_420, 90,
                     TJFLAG_NOREALLOC);
  }
  if (rc != 0) {
    ReturnPixelStorage(std::move(e.storage), e.words);
    throw RuntimeException("RuntimeException", std::string("while encoding a JPEG: ") + tjGetErrorStr2(tj));
  }
  return e;
}

// Where a JPEG's parts are: its headers up to the start of the scan (SOS),
// the frame header (SOF0), and its entropy-coded data.
struct JpegParts {
  std::size_t frameHeader = 0, scanHeader = 0, dataStart = 0, dataEnd = 0;
};

std::optional<JpegParts> PartsOf(const unsigned char* b, std::size_t size) {
  if (size < 4 || b[0] != 0xff || b[1] != 0xd8 || b[size - 2] != 0xff || b[size - 1] != 0xd9) return std::nullopt;
  JpegParts parts;
  for (std::size_t at = 2; at + 4 <= size;) {
    if (b[at] != 0xff) return std::nullopt;
    const unsigned marker = b[at + 1];
    const std::size_t length = std::size_t{b[at + 2]} << 8 | b[at + 3];
    if (marker == 0xc0) parts.frameHeader = at;
    if (marker == 0xda) {
      parts.scanHeader = at;
      parts.dataStart = at + 2 + length;
      parts.dataEnd = size - 2;
      return parts.frameHeader ? std::optional(parts) : std::nullopt;
    }
    at += 2 + length;
  }
  return std::nullopt;
}

// MCU rows of 16 pixels per strip, and the strips of a picture: a big
// picture is encoded in strips side by side.
constexpr std::int32_t kMinStripRows = 256;

// Whether a strip's tables (everything before its frame header's height,
// and after it up to its scan's data) are the first strip's.
bool SameTables(const unsigned char* first, const JpegParts& f, const unsigned char* other, const JpegParts& p) {
  return p.scanHeader == f.scanHeader && p.frameHeader == f.frameHeader && p.dataStart == f.dataStart &&
         std::memcmp(other, first, f.frameHeader + 5) == 0 &&
         std::memcmp(other + f.frameHeader + 7, first + f.frameHeader + 7, f.dataStart - f.frameHeader - 7) == 0;
}

// The joined JPEG's headers: the first strip's up to its scan, with the
// whole picture's height and a restart interval of a strip's MCUs.
std::vector<unsigned char> JoinedHeaders(const unsigned char* first, const JpegParts& f, const PixelBuffer& pixels,
                                         std::int32_t stripRows) {
  const std::size_t mcusPerRow = (static_cast<std::size_t>(pixels.width) + 15) / 16;
  const std::size_t interval = mcusPerRow * static_cast<std::size_t>(stripRows / 16);
  std::vector<unsigned char> headers(first, first + f.scanHeader);
  headers[f.frameHeader + 5] = static_cast<unsigned char>(pixels.height >> 8);
  headers[f.frameHeader + 6] = static_cast<unsigned char>(pixels.height);
  headers.insert(headers.end(), {0xff, 0xdd, 0, 4, static_cast<unsigned char>(interval >> 8),
                                 static_cast<unsigned char>(interval)});
  return headers;
}

// The restart marker before strip i (i >= 1), and the end of the image.
unsigned char RestartMarker(std::size_t i) { return static_cast<unsigned char>(0xd0 + (i - 1) % 8); }
constexpr unsigned char kEndOfImage[2] = {0xff, 0xd9};

// One baseline JPEG made of strips encoded apart, joined with restart
// markers (the restart interval is a strip's MCUs, and each strip's DC
// prediction starts from zero as a restart's does): a decoder sees the very
// coefficients, and so the very pixels, of one encoding of the whole. The
// strips' bytes are not copied: the JPEG is their parts and the joints
// between them. None when the strips' tables differ.
EncodedBytes JoinStrips(std::vector<Encoded>& strips, const PixelBuffer& pixels, std::int32_t stripRows) {
  std::vector<JpegParts> parts;
  for (const Encoded& strip : strips) {
    const auto p = PartsOf(strip.Bytes(), strip.size);
    if (!p) return nullptr;
    parts.push_back(*p);
  }
  const unsigned char* first = strips[0].Bytes();
  const JpegParts& f = parts[0];
  for (std::size_t i = 1; i < strips.size(); ++i)
    if (!SameTables(first, f, strips[i].Bytes(), parts[i])) return nullptr;
  // The joints: the headers, then a restart marker between strips, then
  // the end of the image.
  std::vector<unsigned char> joints = JoinedHeaders(first, f, pixels, stripRows);
  const std::size_t restarts = joints.size();
  for (std::size_t i = 1; i < strips.size(); ++i) joints.insert(joints.end(), {0xff, RestartMarker(i)});
  const std::size_t end = joints.size();
  joints.insert(joints.end(), std::begin(kEndOfImage), std::end(kEndOfImage));

  std::vector<EncodedJpeg::Part> pieces;
  pieces.emplace_back(joints.data(), restarts);  // headers and the restart interval
  pieces.emplace_back(first + f.scanHeader, f.dataEnd - f.scanHeader);
  for (std::size_t i = 1; i < strips.size(); ++i) {
    pieces.emplace_back(joints.data() + restarts + 2 * (i - 1), 2);
    pieces.emplace_back(strips[i].Bytes() + parts[i].dataStart, parts[i].dataEnd - parts[i].dataStart);
  }
  pieces.emplace_back(joints.data() + end, 2);
  std::vector<EncodedJpeg::Storage> storage;
  for (Encoded& strip : strips) storage.push_back({std::move(strip.storage), strip.words});
  // The parts point into `joints`' heap block, which moving keeps in place.
  return std::make_shared<const EncodedJpeg>(std::move(storage), std::move(joints), std::move(pieces));
}

// Gives a sink the strips' bytes in order as they are encoded, as
// JoinStrips will join them: each strip when it and every strip before it
// are done. It stops at a strip whose tables differ (JoinStrips then fails
// too, and the whole picture is encoded again).
class StripStream {
 public:
  StripStream(JpegSink& sink, const std::vector<Encoded>& strips, const PixelBuffer& pixels, std::int32_t stripRows)
      : sink_(sink), strips_(strips), pixels_(pixels), stripRows_(stripRows), done_(strips.size(), 0) {}

  // Strip i is encoded: the strips ready by now go to the sink, by one
  // thread at a time; the others go on encoding.
  void Finished(std::size_t i) {
    std::unique_lock lock(mutex_);
    done_[i] = 1;
    if (writing_) return;  // the thread writing takes this one in turn
    writing_ = true;
    while (!broken_ && next_ < done_.size() && done_[next_]) {
      const std::size_t k = next_;
      lock.unlock();
      const bool sent = Send(k);
      lock.lock();
      if (sent) ++next_;
      else broken_ = true;
    }
    writing_ = false;
  }
  // Whether every strip went to the sink, the end of the image too.
  bool Complete() {
    std::lock_guard lock(mutex_);
    if (broken_ || next_ != done_.size()) return false;
    const std::span<const unsigned char> end[] = {kEndOfImage};
    sink_.Part(end);
    return true;
  }

 private:
  bool Send(std::size_t k) {
    const Encoded& strip = strips_[k];
    const auto p = PartsOf(strip.Bytes(), strip.size);
    if (!p) return false;
    if (k == 0) {
      first_ = *p;
      headers_ = JoinedHeaders(strip.Bytes(), first_, pixels_, stripRows_);
      const std::span<const unsigned char> parts[] = {headers_,
                                                      {strip.Bytes() + p->scanHeader, p->dataEnd - p->scanHeader}};
      sink_.Part(parts);
      return true;
    }
    if (!SameTables(strips_[0].Bytes(), first_, strip.Bytes(), *p)) return false;
    const unsigned char marker[2] = {0xff, RestartMarker(k)};
    const std::span<const unsigned char> parts[] = {marker, {strip.Bytes() + p->dataStart, p->dataEnd - p->dataStart}};
    sink_.Part(parts);
    return true;
  }

  JpegSink& sink_;
  const std::vector<Encoded>& strips_;
  const PixelBuffer& pixels_;
  const std::int32_t stripRows_;
  std::mutex mutex_;
  std::vector<char> done_;
  std::size_t next_ = 0;
  bool writing_ = false, broken_ = false;
  JpegParts first_;
  std::vector<unsigned char> headers_;
};

}  // namespace

namespace {

EncodedBytes Encode(const PixelBuffer& pixels, JpegSink* sink) {
  // Strips of whole MCU rows, as many as there are workers, if each is big
  // enough to pay and the restart interval fits its 16 bits.
  const std::size_t workers = task_pool::Workers();
  const std::int32_t mcuRows = (pixels.height + 15) / 16;
  std::int32_t stripRows = 16 * ((mcuRows + static_cast<std::int32_t>(workers) - 1) / static_cast<std::int32_t>(workers));
  stripRows = std::max(stripRows, kMinStripRows);
  const std::size_t mcusPerRow = (static_cast<std::size_t>(pixels.width) + 15) / 16;
  while (stripRows > 16 && mcusPerRow * static_cast<std::size_t>(stripRows / 16) > 65535) stripRows -= 16;
  const std::int32_t count = (pixels.height + stripRows - 1) / stripRows;
  if (count > 1 && mcusPerRow * static_cast<std::size_t>(stripRows / 16) <= 65535) {
    // Pixels made on demand (a blend) are made first, side by side, so that
    // no strip waits on a worker for another strip to make them.
    if (pixels.Layout() == PixelLayout::kYuv420) pixels.Plane(0);
    else pixels.Row(0);
    std::vector<Encoded> strips(static_cast<std::size_t>(count));
    std::optional<StripStream> stream;
    if (sink) stream.emplace(*sink, strips, pixels, stripRows);
    std::exception_ptr failure;
    std::mutex failureMutex;
    task_pool::ParallelFor(strips.size(), [&](std::size_t i) {
      const std::int32_t top = static_cast<std::int32_t>(i) * stripRows;
      try {
        strips[i] = EncodeRows(pixels, top, std::min(stripRows, pixels.height - top));
        if (stream) stream->Finished(i);
      } catch (...) {
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    });
    const bool streamed = !failure && stream && stream->Complete();
    EncodedBytes joined = failure ? nullptr : JoinStrips(strips, pixels, stripRows);
    for (Encoded& strip : strips) ReturnPixelStorage(std::move(strip.storage), strip.words);  // what was not kept
    if (failure) std::rethrow_exception(failure);
    if (joined) {
      if (sink && !streamed) {
        sink->Restart();
        sink->Part(joined->Parts());
      }
      return joined;
    }
  }
  Encoded whole = EncodeRows(pixels, 0, pixels.height);
  std::vector<EncodedJpeg::Storage> storage;
  const EncodedJpeg::Part bytes(whole.Bytes(), whole.size);
  storage.push_back({std::move(whole.storage), whole.words});
  EncodedBytes encoded = std::make_shared<const EncodedJpeg>(std::move(storage), std::vector<unsigned char>{},
                                                            std::vector<EncodedJpeg::Part>{bytes});
  if (sink) {
    sink->Restart();  // the strips given before, if any, are void
    sink->Part(encoded->Parts());
  }
  return encoded;
}

}  // namespace

EncodedBytes EncodeJPEG(const PixelBuffer& pixels) { return Encode(pixels, nullptr); }
EncodedBytes EncodeJPEG(const PixelBuffer& pixels, JpegSink& sink) { return Encode(pixels, &sink); }
