// Rows for the media platform inside this process, ours and the reference
// timed from the same point on the same pictures: JPEG against raw
// TurboJPEG, a cross-fade step against a copy of a picture, and saving an
// unchanged picture again against saving it fresh.
#include <cstdlib>
#include <cstring>
#include <random>

#include "bench.h"
#include "handles.h"
#include "files/folder_item.h"
#include "media/effect.h"
#include "media/jpeg.h"
#include "testing.h"

namespace {

// A photo-like picture: smooth light with fine grain, so JPEG works as hard
// as on a camera picture.
Ref<Picture> PhotoLike(std::int32_t w, std::int32_t h, unsigned seed) {
  Ref<Picture> p = NewPicture(w, h);
  std::uint32_t* bits = p->Bits();
  std::minstd_rand noise(seed);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      const int n = static_cast<int>(noise() % 24);
      const int r = (x * 200 / w + n) & 0xff, g = (y * 180 / h + n) & 0xff, b = ((x + y) * 120 / (w + h) + 60 + n) & 0xff;
      bits[static_cast<std::size_t>(y) * w + x] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
  return p;
}

struct Size {
  const char* name;
  std::int32_t w, h;
};

std::vector<Size> PhotoSizes(const bench::Options& o) {
  if (o.smoke) return {{"64x48", 64, 48}};
  return {{"1080p", 1920, 1080}, {"24MP", 6000, 4000}};
}

std::vector<bench::Result> JpegRows(const bench::Options& o) {
  std::vector<bench::Result> out;
  const int repeat = o.smoke ? 1 : 5;
  const bench::TjHandle dec(tjInitDecompress()), enc(tjInitCompress());
  for (const Size& s : PhotoSizes(o)) {
    const std::string decodeName = std::string("jpeg decode ") + s.name, encodeName = std::string("jpeg encode ") + s.name;
    if (!o.Wants(decodeName) && !o.Wants(encodeName)) continue;
    const double load = bench::LoadAverage();
    Ref<Picture> photo = PhotoLike(s.w, s.h, 1);
    const std::vector<unsigned char> bytes = EncodeJPEG(*photo->Snapshot())->Bytes();
    std::vector<unsigned char> raw(tjBufSizeYUV2(s.w, 4, s.h, TJSAMP_420));
    // Decoding a 4:2:0 photo: ours keeps its YUV planes, makes a new picture
    // each time and reads the EXIF orientation; the peer decodes the same
    // planes.
    if (o.Wants(decodeName)) {
      const double ours = bench::Best(repeat, [&] { DecodeJPEG(bytes.data(), bytes.size()); });
      const double ref = bench::Best(repeat, [&] {
        tjDecompressToYUV2(dec.get(), bytes.data(), bytes.size(), raw.data(), s.w, 4, s.h, 0);
      });
      out.push_back({decodeName, ours, ref, "tjDecompressToYUV2", load, 0, 0, 1.10});
    }
    if (!o.Wants(encodeName)) continue;
    // Encoding.
    std::vector<unsigned char> encoded(tjBufSize(s.w, s.h, TJSAMP_420));
    const double oursEnc = bench::Best(repeat, [&] { EncodeJPEG(*photo->Snapshot()); });
    const double refEnc = bench::Best(repeat, [&] {
      unsigned char* buf = encoded.data();
      unsigned long size = encoded.size();
      tjCompress2(enc.get(), reinterpret_cast<const unsigned char*>(photo->Snapshot()->Row(0)), s.w, s.w * 4, s.h,
                  TJPF_BGRX, &buf, &size, TJSAMP_420, 90, TJFLAG_NOREALLOC);
    });
    // Ours encodes a big picture in strips side by side on the workers: not
    // like for like, and the row says so.
    out.push_back({encodeName, oursEnc, refEnc, "tjCompress2, one thread", load, 0, 0, 1.10, 0, 0,
                   "(ours on all cores: not like for like)"});
  }
  return out;
}

std::vector<bench::Result> SequenceRows(const bench::Options& o) {
  const Size s = o.smoke ? Size{"64x48", 64, 48} : Size{"24MP", 6000, 4000};
  const std::string name = std::string("sequence step ") + s.name;
  if (!o.Wants(name)) return {};
  const double load = bench::LoadAverage();
  Ref<Picture> a = PhotoLike(s.w, s.h, 1), b = PhotoLike(s.w, s.h, 2);
  Ref<QTEffectSequence> seq = New<QTEffectSequence>();
  seq->Constructor(GetQTCrossFadeEffect(), a, b, 1000);
  std::int32_t step = 1;
  const int repeat = o.smoke ? 1 : 10;
  seq->SetFrame(step++);
  seq->Image();  // the first step; the next ones reuse its storage
  // A step is made when its pixels are first read (by the encoder, when
  // saved): the row counts the blend.
  const double ours = bench::Best(repeat, [&] {
    seq->SetFrame(step++);
    Ref<Picture> image = seq->Image();
    if (!image || !image->Snapshot()->Row(0)) std::abort();
  });
  std::vector<std::uint32_t> copy(static_cast<std::size_t>(s.w) * s.h);
  const double ref = bench::Best(repeat, [&] { std::memcpy(copy.data(), a->Snapshot()->Row(0), copy.size() * 4); });
  // Ours blends in bands on the workers: not like for like, and the row
  // says so.
  return {{name, ours, ref, "memcpy of one picture", load, 0, 0, 2.0, 0, 0,
           "(ours on all cores, the copy on one: not like for like)"}};
}

std::vector<bench::Result> SaveAgainRows(const bench::Options& o) {
  const Size s = o.smoke ? Size{"64x48", 64, 48} : Size{"24MP", 6000, 4000};
  const std::string name = std::string("save unchanged again ") + s.name;
  if (!o.Wants(name)) return {};
  const int repeat = o.smoke ? 1 : 5;
  const double load = bench::LoadAverage();
  Ref<FolderItem> first = GetFolderItem(o.scratch + "/first.jpg");
  Ref<FolderItem> again = GetFolderItem(o.scratch + "/again.jpg");
  Ref<Picture> photo = PhotoLike(s.w, s.h, 3);
  const double fresh = bench::Best(repeat, [&] {
    ClearPictureFileCaches();
    first->SaveAsJPEG(photo);
  });
  const double reused = bench::Best(repeat, [&] { again->SaveAsJPEG(photo); });
  return {{name, reused, fresh, "fresh encode and save", load, 0, 0, 0.2}};
}

bench::Register jpeg("1 jpeg", JpegRows);
bench::Register sequence("2 sequence", SequenceRows);
bench::Register saveAgain("3 save again", SaveAgainRows);

}  // namespace
