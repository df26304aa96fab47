// vindralo_floor rgb|yuv FRAMES STILL FADE MARGIN PHOTO...
//
// The machine's floor for the folder run's job, as the benchmark's peer: a
// plain multi-threaded libjpeg-turbo program. The photos, cropped by MARGIN
// on every edge, are faded one into the next in FADE + 1 steps (step j of n
// puts the weight j/n, rounded to 8 bits, on the second photo, so the last
// step is that photo), each photo standing STILL frames in all, written as
// FRAMES/000001.jpg onwards at quality 90, 4:2:0.
//
// Every photo is decoded once, in parallel; then each thread takes the next
// frame, blends it from its two photos, encodes it and writes it. A frame
// that stands several times (a photo and its still copies) is encoded once
// and written under each number. One thread per core.
//   rgb: photos decoded to 4 bytes a pixel (the layout of our pictures).
//   yuv: photos decoded to their YUV planes (they must be 4:2:0 and the
//        margin even), blended and encoded as planes: no colour conversion.
#include <sys/stat.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "handles.h"

namespace {

using bench::File;
using bench::TjHandle;

[[noreturn]] void Fail(const std::string& action, const std::string& reason) {
  throw std::runtime_error("while " + action + ": " + reason);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::vector<unsigned char> ReadFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) Fail("reading " + path, "not a regular file");
  std::vector<unsigned char> bytes(static_cast<std::size_t>(info.st_size));
  File file(std::fopen(path.c_str(), "rb"));
  if (!file || std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
    Fail("reading " + path, std::strerror(errno));
  return bytes;
}

void WriteFile(const std::string& path, const unsigned char* data, unsigned long size) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file || std::fwrite(data, 1, size, file.get()) != size) Fail("writing " + path, std::strerror(errno));
  if (std::fclose(file.release()) != 0) Fail("writing " + path, std::strerror(errno));
}

// Runs work(i) for every i below count on one thread per core, each thread
// taking the next index; `makeWork` gives each thread its own work (its
// handles and buffers). The first failure is rethrown once all have stopped.
template <class MakeWork>
void ForEachIndex(std::size_t count, MakeWork makeWork) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::exception_ptr first;
  {
    std::vector<std::jthread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
      threads.emplace_back([&] {
        try {
          auto work = makeWork();
          for (std::size_t i = next++; i < count && !failed; i = next++) work(i);
        } catch (...) {
          std::lock_guard lock(mutex);
          if (!first) first = std::current_exception();
          failed = true;
        }
      });
  }
  if (first) std::rethrow_exception(first);
}

// Buffers that are written before they are read are not cleared first.
using Bytes = std::unique_ptr<unsigned char[]>;
Bytes NewBytes(std::size_t size) { return std::make_unique_for_overwrite<unsigned char[]>(size); }

// A decoded photo: one plane of 4-byte pixels, or the three YUV planes.
struct Plane {
  Bytes bytes;
  int stride = 0;
};
struct Photo {
  int width = 0, height = 0;
  std::vector<Plane> planes;
};
// A plane of a cropped photo, pointing into the photo.
struct View {
  const unsigned char* data;
  int stride, rowBytes, rows;
};

enum class Layout { kRgb, kYuv };

Photo Decode(tjhandle tj, Layout layout, const std::string& path) {
  const std::vector<unsigned char> jpeg = ReadFile(path);
  const std::string action = "decoding " + BaseName(path);
  Photo p;
  int subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &p.width, &p.height, &subsampling, &colourspace) != 0)
    Fail(action, tjGetErrorStr2(tj));
  if (layout == Layout::kRgb) {
    Plane& plane = p.planes.emplace_back();
    plane.stride = p.width * 4;
    plane.bytes = NewBytes(static_cast<std::size_t>(plane.stride) * p.height);
    if (tjDecompress2(tj, jpeg.data(), jpeg.size(), plane.bytes.get(), p.width, plane.stride, p.height, TJPF_BGRX,
                      0) != 0)
      Fail(action, tjGetErrorStr2(tj));
    return p;
  }
  if (subsampling != TJSAMP_420 || colourspace != TJCS_YCbCr) Fail(action, "the yuv floor needs 4:2:0 YCbCr photos");
  unsigned char* planes[3];
  int strides[3];
  for (int i = 0; i < 3; ++i) {
    Plane& plane = p.planes.emplace_back();
    plane.stride = tjPlaneWidth(i, p.width, TJSAMP_420);
    plane.bytes = NewBytes(static_cast<std::size_t>(plane.stride) * tjPlaneHeight(i, p.height, TJSAMP_420));
  }
  for (int i = 0; i < 3; ++i) planes[i] = p.planes[i].bytes.get(), strides[i] = p.planes[i].stride;
  if (tjDecompressToYUVPlanes(tj, jpeg.data(), jpeg.size(), planes, p.width, strides, p.height, 0) != 0)
    Fail(action, tjGetErrorStr2(tj));
  return p;
}

// The photo less the margin on every edge; chroma planes lose half of it.
std::vector<View> Crop(const Photo& p, Layout layout, int margin) {
  const int width = p.width - 2 * margin, height = p.height - 2 * margin;
  if (layout == Layout::kRgb) {
    const Plane& plane = p.planes[0];
    return {{plane.bytes.get() + static_cast<std::size_t>(margin) * plane.stride + margin * 4, plane.stride,
             width * 4, height}};
  }
  std::vector<View> views;
  for (int i = 0; i < 3; ++i) {
    const int m = i == 0 ? margin : margin / 2;
    const Plane& plane = p.planes[i];
    views.push_back({plane.bytes.get() + static_cast<std::size_t>(m) * plane.stride + m, plane.stride,
                     tjPlaneWidth(i, width, TJSAMP_420), tjPlaneHeight(i, height, TJSAMP_420)});
  }
  return views;
}

// Frame `step` of `steps` between photos from and to; the last step is
// photo `to` itself, written under every number of its still frames.
struct Frame {
  int from, to, step, steps;
  std::vector<int> numbers;
};

std::vector<Frame> Plan(int photos, int still, int fade) {
  std::vector<Frame> plan;
  int number = 1;
  plan.push_back({0, 0, 1, 1, {number++}});
  const int steps = fade + 1;
  for (int k = 1; k < photos; ++k) {
    for (int j = 1; j < steps; ++j) plan.push_back({k - 1, k, j, steps, {number++}});
    Frame photo{k - 1, k, steps, steps, {}};
    for (int c = 0; c < std::max(still, 1); ++c) photo.numbers.push_back(number++);
    plan.push_back(std::move(photo));
  }
  return plan;
}

// out = a * (256 - weight) / 256 + b * weight / 256, rounded, byte by byte.
// (The sizes are copied first: stores through bytes may alias the views,
// which would keep the compiler from vectorising the loop.)
void Blend(const View& a, const View& b, unsigned weight, unsigned char* out) {
  const unsigned keep = 256 - weight;
  const std::size_t rowBytes = static_cast<std::size_t>(a.rowBytes), rows = static_cast<std::size_t>(a.rows);
  for (std::size_t y = 0; y < rows; ++y) {
    const unsigned char* ra = a.data + y * a.stride;
    const unsigned char* rb = b.data + y * b.stride;
    unsigned char* ro = out + y * rowBytes;
    for (std::size_t x = 0; x < rowBytes; ++x)
      ro[x] = static_cast<unsigned char>((ra[x] * keep + rb[x] * weight + 128) >> 8);
  }
}

struct Job {
  Layout layout;
  std::string frames;
  int still, fade, margin;
  std::vector<std::string> photos;
};

// One thread's frames: its encoder, its blend planes and its output buffer.
class FrameWorker {
 public:
  FrameWorker(const Job& job, const std::vector<std::vector<View>>& crops, const std::vector<Frame>& plan, int width,
              int height)
      : job_(job), crops_(crops), plan_(plan), width_(width), height_(height), tj_(tjInitCompress()),
        encodedSize_(tjBufSize(width, height, TJSAMP_420)), encoded_(tjAlloc(static_cast<int>(encodedSize_)), tjFree) {
    if (!tj_) Fail("making an encoder", tjGetErrorStr2(nullptr));
    if (!encoded_) Fail("making an encoder", "out of memory");
    for (const View& v : crops.front()) blend_.push_back(NewBytes(static_cast<std::size_t>(v.rowBytes) * v.rows));
  }

  void operator()(std::size_t index) {
    const Frame& f = plan_[index];
    std::vector<View> planes = crops_[f.to];
    if (f.step < f.steps) {
      const unsigned weight = static_cast<unsigned>((f.step * 256 + f.steps / 2) / f.steps);
      for (std::size_t i = 0; i < planes.size(); ++i) {
        Blend(crops_[f.from][i], crops_[f.to][i], weight, blend_[i].get());
        planes[i] = {blend_[i].get(), planes[i].rowBytes, planes[i].rowBytes, planes[i].rows};
      }
    }
    char name[32];
    std::snprintf(name, sizeof name, "/%06d.jpg", f.numbers.front());
    unsigned char* buffer = encoded_.get();
    unsigned long size = encodedSize_;
    int rc = 0;
    if (job_.layout == Layout::kRgb) {
      rc = tjCompress2(tj_.get(), planes[0].data, width_, planes[0].stride, height_, TJPF_BGRX, &buffer, &size,
                       TJSAMP_420, 90, TJFLAG_NOREALLOC);
    } else {
      const unsigned char* sources[3] = {planes[0].data, planes[1].data, planes[2].data};
      const int strides[3] = {planes[0].stride, planes[1].stride, planes[2].stride};
      rc = tjCompressFromYUVPlanes(tj_.get(), sources, width_, strides, height_, TJSAMP_420, &buffer, &size, 90,
                                   TJFLAG_NOREALLOC);
    }
    if (rc != 0) Fail(std::string("encoding ") + (name + 1), tjGetErrorStr2(tj_.get()));
    for (int number : f.numbers) {
      std::snprintf(name, sizeof name, "/%06d.jpg", number);
      WriteFile(job_.frames + name, buffer, size);
    }
  }

 private:
  const Job& job_;
  const std::vector<std::vector<View>>& crops_;
  const std::vector<Frame>& plan_;
  int width_, height_;
  TjHandle tj_;
  unsigned long encodedSize_;
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> encoded_;
  std::vector<Bytes> blend_;
};

// One thread's photos: its decoder.
class PhotoWorker {
 public:
  PhotoWorker(const Job& job, std::vector<Photo>& photos) : job_(job), photos_(photos), tj_(tjInitDecompress()) {
    if (!tj_) Fail("making a decoder", tjGetErrorStr2(nullptr));
  }
  void operator()(std::size_t i) { photos_[i] = Decode(tj_.get(), job_.layout, job_.photos[i]); }

 private:
  const Job& job_;
  std::vector<Photo>& photos_;
  TjHandle tj_;
};

void Run(const Job& job) {
  std::vector<Photo> photos(job.photos.size());
  ForEachIndex(photos.size(), [&] { return PhotoWorker(job, photos); });
  const int width = photos[0].width - 2 * job.margin, height = photos[0].height - 2 * job.margin;
  if (width <= 0 || height <= 0) Fail("cropping " + BaseName(job.photos[0]), "the margins leave no picture");
  std::vector<std::vector<View>> crops;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    if (photos[i].width != photos[0].width || photos[i].height != photos[0].height)
      Fail("cropping " + BaseName(job.photos[i]), "its size differs from the first photo's");
    crops.push_back(Crop(photos[i], job.layout, job.margin));
  }
  const std::vector<Frame> plan = Plan(static_cast<int>(photos.size()), job.still, job.fade);
  ForEachIndex(plan.size(), [&] { return FrameWorker(job, crops, plan, width, height); });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string layout = argc > 1 ? argv[1] : "";
  if (argc < 7 || (layout != "rgb" && layout != "yuv")) {
    std::fprintf(stderr, "usage: %s rgb|yuv FRAMES STILL FADE MARGIN PHOTO...\n", argv[0]);
    return 2;
  }
  Job job{layout == "rgb" ? Layout::kRgb : Layout::kYuv, argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
          std::atoi(argv[5]), {argv + 6, argv + argc}};
  if (job.fade < 0 || job.margin < 0 || (job.layout == Layout::kYuv && job.margin % 2 != 0)) {
    std::fprintf(stderr, "%s: the fade and margin must not be negative, and the margin even for yuv\n", argv[0]);
    return 2;
  }
  try {
    Run(job);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
