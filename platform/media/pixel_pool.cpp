#include "media/pixel_pool.h"

#include <malloc.h>
#include <sys/mman.h>

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

// Fresh big storage faults in one 4 KiB page at a time on first touch;
// huge pages (where the system gives them on request) take 512 times fewer
// faults. Only the whole 2 MiB stretches inside the block can be asked for.
void AskForHugePages(void* start, std::size_t bytes) noexcept {
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const auto from = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
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
  auto storage = std::make_unique_for_overwrite<std::uint32_t[]>(count);
  if (count >= kMinPooledPixels) AskForHugePages(storage.get(), count * sizeof(std::uint32_t));
  return storage;
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
