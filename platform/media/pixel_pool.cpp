#include "media/pixel_pool.h"

#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>

namespace {

// Blocks from 64 KiB (a strip of an encoding) to whole photos are kept, up
// to 128 MiB in all: a pixel pool that keeps more counts against the
// memory a run holds.
constexpr std::size_t kMinPooledPixels = std::size_t{1} << 14;
constexpr std::size_t kMaxBlocks = 32;
constexpr std::size_t kMaxPooledPixels = std::size_t{1} << 25;

struct Block {
  std::unique_ptr<std::uint32_t[]> storage;
  std::size_t pixels = 0;
};

// The blocks kept for reuse, oldest first, in places set aside once:
// giving a block back never allocates, so it cannot fail (it runs in the
// destructors of pictures and encodings).
struct KeptBlocks {
  std::mutex mutex;
  std::array<Block, kMaxBlocks> blocks;  // [0, used) hold blocks
  std::size_t used = 0;
  std::size_t pixels = 0;  // in all the blocks held

  // Lets go of the block in that place (freed, unless taken out before).
  void Drop(std::size_t place) noexcept {
    pixels -= blocks[place].pixels;
    std::move(blocks.begin() + place + 1, blocks.begin() + used, blocks.begin() + place);
    blocks[--used] = {};
  }
};

KeptBlocks& KeptPixelBlocks() {
  static KeptBlocks* kept = [] {
    // Blocks of a MiB and more (the pool's, a photo file read whole) are
    // mapped on their own and go back to the system when freed. Left to
    // itself glibc raises its mapping threshold to the largest block freed
    // (up to 32 MiB) and then serves such blocks from its per-thread arenas,
    // which keep the pages they touched: a 24-megapixel run's memory then
    // grew with its frames (by 130 MiB and more over a few hundred).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    return new KeptBlocks;
  }();  // lives for the process; buffers may be freed at exit
  return *kept;
}

}  // namespace

std::unique_ptr<std::uint32_t[]> TakePixelStorage(std::size_t count) {
  if (count >= kMinPooledPixels) {
    KeptBlocks& kept = KeptPixelBlocks();
    std::lock_guard lock(kept.mutex);
    for (std::size_t place = 0; place < kept.used; ++place) {
      if (kept.blocks[place].pixels != count) continue;
      auto storage = std::move(kept.blocks[place].storage);
      kept.Drop(place);
      return storage;
    }
  }
  // Fresh storage is left to the system's 4 KiB pages. Asking for huge
  // pages (MADV_HUGEPAGE) was measured slower here: a 24-megapixel
  // cross-fade took 397 ms instead of 334, the kernel clearing whole 2 MiB
  // pages, of which an encoder's worst-case output block touches a few.
  return std::make_unique_for_overwrite<std::uint32_t[]>(count);
}

void ReturnPixelStorage(std::unique_ptr<std::uint32_t[]> storage, std::size_t count) noexcept {
  if (!storage || count < kMinPooledPixels || count > kMaxPooledPixels) return;
  KeptBlocks& kept = KeptPixelBlocks();
  std::lock_guard lock(kept.mutex);
  // The oldest blocks make room for the newest: sizes in use change over time.
  while (kept.used > 0 && (kept.used == kMaxBlocks || kept.pixels + count > kMaxPooledPixels)) kept.Drop(0);
  kept.blocks[kept.used++] = {std::move(storage), count};
  kept.pixels += count;
}
