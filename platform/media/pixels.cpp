#include "media/pixels.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "media/pixel_pool.h"
#include "runtime/exceptions.h"
#include "runtime/task_pool.h"

namespace {

std::string SizeText(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

void CheckSize(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0)
    throw RuntimeException("RuntimeException", "a picture of " + SizeText(width, height) + " pixels cannot be made");
  if (std::int64_t{width} * height > kMaxPicturePixels)
    throw RuntimeException("OutOfMemoryException",
                           "a picture of " + SizeText(width, height) + " pixels is too large to be made");
}

std::int32_t Half(std::int32_t n) { return (n + 1) / 2; }

// JFIF's YCbCr to RGB in libjpeg's fixed point (16 bits), so that a photo
// kept as YUV converts to the pixels its decoder would have given.
struct YcbcrTables {
  int crRed[256], cbBlue[256], crGreen[256], cbGreen[256];
  YcbcrTables() {
    constexpr int kHalf = 1 << 15;
    auto fix = [](double v) { return static_cast<int>(v * 65536.0 + 0.5); };
    for (int i = 0; i < 256; ++i) {
      const int x = i - 128;
      crRed[i] = (fix(1.40200) * x + kHalf) >> 16;
      cbBlue[i] = (fix(1.77200) * x + kHalf) >> 16;
      crGreen[i] = -fix(0.71414) * x;
      cbGreen[i] = -fix(0.34414) * x + kHalf;
    }
  }
};

// Rows [top, bottom) of 4:2:0 pixels as RGB32, the chroma upsampled as
// libjpeg's smooth ("fancy") upsampling does: each output sample weighs
// the nearer chroma sample 3 to 1 against the next one, in each direction.
void YuvRowsToRgb(const PixelBuffer& in, std::int32_t top, std::int32_t bottom, PixelBuffer& out) {
  static const YcbcrTables tables;
  const std::int32_t chromaWidth = Half(in.width), chromaHeight = Half(in.height);
  std::vector<int> sumCb(static_cast<std::size_t>(chromaWidth)), sumCr(static_cast<std::size_t>(chromaWidth));
  const std::uint8_t *luma = in.Plane(0), *cb = in.Plane(1), *cr = in.Plane(2);
  for (std::int32_t y = top; y < bottom; ++y) {
    const std::int32_t row = y / 2;
    const std::int32_t other = std::clamp(y % 2 == 0 ? row - 1 : row + 1, 0, chromaHeight - 1);
    const std::uint8_t* cbNear = cb + static_cast<std::size_t>(row) * in.PlaneStride(1);
    const std::uint8_t* cbFar = cb + static_cast<std::size_t>(other) * in.PlaneStride(1);
    const std::uint8_t* crNear = cr + static_cast<std::size_t>(row) * in.PlaneStride(2);
    const std::uint8_t* crFar = cr + static_cast<std::size_t>(other) * in.PlaneStride(2);
    for (std::int32_t c = 0; c < chromaWidth; ++c) {
      sumCb[c] = 3 * cbNear[c] + cbFar[c];
      sumCr[c] = 3 * crNear[c] + crFar[c];
    }
    const std::uint8_t* lumaRow = luma + static_cast<std::size_t>(y) * in.PlaneStride(0);
    std::uint32_t* rgb = out.Storage() + static_cast<std::size_t>(y) * out.Stride();
    for (std::int32_t x = 0; x < in.width; ++x) {
      const std::int32_t c = x / 2;
      const std::int32_t n = std::clamp(x % 2 == 0 ? c - 1 : c + 1, 0, chromaWidth - 1);
      const int bias = x % 2 == 0 ? 8 : 7;
      const int u = (3 * sumCb[c] + sumCb[n] + bias) >> 4, v = (3 * sumCr[c] + sumCr[n] + bias) >> 4;
      const int l = lumaRow[x];
      auto clamp = [](int value) { return static_cast<std::uint32_t>(std::clamp(value, 0, 255)); };
      rgb[x] = 0xff000000u | clamp(l + tables.crRed[v]) << 16 |
               clamp(l + ((tables.cbGreen[u] + tables.crGreen[v]) >> 16)) << 8 | clamp(l + tables.cbBlue[u]);
    }
  }
}

}  // namespace

// Makes buffers: the one place that sets a buffer's private parts.
struct PixelMaking {
  static std::shared_ptr<PixelBuffer> Blank(std::int32_t width, std::int32_t height, PixelLayout layout) {
    CheckSize(width, height);
    std::shared_ptr<PixelBuffer> buffer(new PixelBuffer);
    buffer->width = width;
    buffer->height = height;
    buffer->stamp = NewContentStamp();
    buffer->layout_ = layout;
    if (layout == PixelLayout::kRgb32) {
      buffer->stride_ = static_cast<std::size_t>(width);
      buffer->storageWords_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    } else {
      // Planes padded to even sizes, as TurboJPEG's 4:2:0 planes are.
      const std::size_t lumaWidth = static_cast<std::size_t>(Half(width)) * 2;
      const std::size_t lumaHeight = static_cast<std::size_t>(Half(height)) * 2;
      buffer->stride_ = lumaWidth;
      buffer->chromaStride_ = Half(width);
      buffer->chromaOffset_ = lumaWidth * lumaHeight;
      const std::size_t bytes = buffer->chromaOffset_ * 3 / 2;
      buffer->storageWords_ = (bytes + 3) / 4;
    }
    return buffer;
  }
  static void Allocate(PixelBuffer& buffer) { buffer.storage_ = TakePixelStorage(buffer.storageWords_); }
  static void SetRecipe(PixelBuffer& buffer, std::function<void(PixelBuffer&)> fill) {
    buffer.onDemand_ = true;
    buffer.recipe_ = std::move(fill);
  }
  static std::shared_ptr<PixelBuffer> View(const PixelSnapshot& root, std::int32_t x, std::int32_t y,
                                           std::int32_t width, std::int32_t height) {
    std::shared_ptr<PixelBuffer> view(new PixelBuffer);
    view->width = width;
    view->height = height;
    view->stamp = NewContentStamp();
    view->layout_ = root->layout_;
    view->stride_ = root->stride_;
    view->chromaStride_ = root->chromaStride_;
    view->owner_ = root;
    view->x_ = x;
    view->y_ = y;
    return view;
  }
  static const PixelBuffer& Root(const PixelBuffer& buffer, std::int32_t& x, std::int32_t& y) {
    x = buffer.x_;
    y = buffer.y_;
    return buffer.owner_ ? *buffer.owner_ : buffer;
  }
  static const PixelSnapshot& Owner(const PixelBuffer& buffer) { return buffer.owner_; }
};

PixelBuffer::~PixelBuffer() { ReturnPixelStorage(std::move(storage_), storageWords_); }

void PixelBuffer::Make() const {
  std::call_once(made_, [this] {
    auto& self = const_cast<PixelBuffer&>(*this);
    if (!storage_) PixelMaking::Allocate(self);
    recipe_(self);      // a failure leaves it to be tried again
    recipe_ = nullptr;  // what it held (the sources) goes with it
  });
}

const std::uint32_t* PixelBuffer::Row(std::int32_t y) const {
  if (owner_) return owner_->Row(y_ + y) + x_;
  if (onDemand_) Make();
  return storage_.get() + static_cast<std::size_t>(y) * stride_;
}

const std::uint8_t* PixelBuffer::Plane(int plane) const {
  if (owner_) {
    const std::uint8_t* base = owner_->Plane(plane);
    return plane == 0 ? base + static_cast<std::size_t>(y_) * stride_ + x_
                      : base + static_cast<std::size_t>(y_ / 2) * chromaStride_ + x_ / 2;
  }
  if (onDemand_) Make();
  return const_cast<PixelBuffer&>(*this).PlaneStorage(plane);
}

std::uint8_t* PixelBuffer::PlaneStorage(int plane) noexcept {
  auto* base = reinterpret_cast<std::uint8_t*>(storage_.get());
  return plane == 0 ? base : base + chromaOffset_ + (plane == 1 ? 0 : chromaOffset_ / 4);
}

std::uint64_t NewContentStamp() noexcept {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

std::shared_ptr<PixelBuffer> NewPixelBuffer(std::int32_t width, std::int32_t height, PixelLayout layout) {
  auto buffer = PixelMaking::Blank(width, height, layout);
  PixelMaking::Allocate(*buffer);
  return buffer;
}

PixelSnapshot PixelsOnDemand(std::int32_t width, std::int32_t height, PixelLayout layout,
                             std::function<void(PixelBuffer&)> fill) {
  auto buffer = PixelMaking::Blank(width, height, layout);
  PixelMaking::SetRecipe(*buffer, std::move(fill));
  return buffer;
}

PixelSnapshot PixelView(const PixelSnapshot& source, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height) {
  if (x == 0 && y == 0 && width == source->width && height == source->height) return source;
  // Chroma samples cover two pixels each way: an odd corner has none of its own.
  if (source->Layout() == PixelLayout::kYuv420 && (x % 2 != 0 || y % 2 != 0))
    return PixelView(RgbPixels(source), x, y, width, height);
  std::int32_t rootX = 0, rootY = 0;
  PixelMaking::Root(*source, rootX, rootY);
  const PixelSnapshot& root = PixelMaking::Owner(*source) ? PixelMaking::Owner(*source) : source;
  return PixelMaking::View(root, rootX + x, rootY + y, width, height);
}

std::size_t PixelBytes(const PixelBuffer& pixels) noexcept {
  const std::size_t count = static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height);
  return pixels.Layout() == PixelLayout::kYuv420 ? count * 3 / 2 : count * 4;
}

PixelSnapshot RgbPixels(const PixelSnapshot& pixels) {
  if (!pixels || pixels->Layout() == PixelLayout::kRgb32) return pixels;
  return PixelsOnDemand(pixels->width, pixels->height, PixelLayout::kRgb32, [pixels](PixelBuffer& out) {
    // Bands of rows side by side: a photo's conversion is all its pixels.
    constexpr std::int32_t kBand = 256;  // even, so a band starts on a chroma row
    const std::int32_t bands = (out.height + kBand - 1) / kBand;
    task_pool::ParallelFor(static_cast<std::size_t>(bands), [&](std::size_t band) {
      const std::int32_t top = static_cast<std::int32_t>(band) * kBand;
      YuvRowsToRgb(*pixels, top, std::min(out.height, top + kBand), out);
    });
  });
}
