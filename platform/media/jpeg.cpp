#include "media/jpeg.h"

#include <turbojpeg.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageIOHandler>
#include <QImageReader>
#include <cstring>

#include "media/orientation.h"
#include "media/pixel_pool.h"

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
Orientation ExifOrientation(const unsigned char* data, std::size_t size) {
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

EncodedJpeg::~EncodedJpeg() { ReturnPixelStorage(std::move(storage_), words_); }

EncodedBytes EncodeJPEG(const PixelBuffer& pixels) {
  tjhandle tj = Compressor();
  // Room for the worst case, so TurboJPEG never reallocates mid-way; taken
  // from the pool where the last encoding of this size left it.
  const unsigned long need = tjBufSize(pixels.width, pixels.height, TJSAMP_420);
  if (need == static_cast<unsigned long>(-1))
    throw RuntimeException("RuntimeException", std::string("while encoding a JPEG: ") + tjGetErrorStr2(nullptr));
  const std::size_t words = (need + 3) / 4;
  std::unique_ptr<std::uint32_t[]> storage = TakePixelStorage(words);
  auto* out = reinterpret_cast<unsigned char*>(storage.get());
  unsigned long outSize = need;
  int rc = 0;
  if (pixels.Layout() == PixelLayout::kYuv420) {
    const unsigned char* planes[3] = {pixels.Plane(0), pixels.Plane(1), pixels.Plane(2)};
    const int strides[3] = {pixels.PlaneStride(0), pixels.PlaneStride(1), pixels.PlaneStride(2)};
    rc = tjCompressFromYUVPlanes(tj, planes, pixels.width, strides, pixels.height, TJSAMP_420, &out, &outSize, 90,
                                 TJFLAG_NOREALLOC);
  } else {
    rc = tjCompress2(tj, reinterpret_cast<const unsigned char*>(pixels.Row(0)), pixels.width,
                     static_cast<int>(pixels.Stride() * 4), pixels.height, TJPF_BGRX, &out, &outSize, TJSAMP_420,
                     90, TJFLAG_NOREALLOC);
  }
  if (rc != 0) {
    ReturnPixelStorage(std::move(storage), words);
    throw RuntimeException("RuntimeException", std::string("while encoding a JPEG: ") + tjGetErrorStr2(tj));
  }
  return std::make_shared<const EncodedJpeg>(std::move(storage), words, outSize);
}
