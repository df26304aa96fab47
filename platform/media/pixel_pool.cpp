#include "media/pixel_pool.h"

#include <mutex>
#include <vector>

#include "media/picture.h"

namespace {

constexpr std::size_t kMinPooledPixels = std::size_t{1} << 18;  // 1 MiB
constexpr std::size_t kMaxBlocks = 3;
constexpr std::size_t kMaxPooledPixels = std::size_t{1} << 27;  // 512 MiB in all

struct Block {
  std::unique_ptr<std::uint32_t[]> storage;
  std::size_t count;
};

struct Pool {
  std::mutex mutex;
  std::vector<Block> blocks;
  std::size_t pixels = 0;
};

Pool& P() {
  static Pool* pool = new Pool;  // lives for the process; buffers may be freed at exit
  return *pool;
}

}  // namespace

std::unique_ptr<std::uint32_t[]> TakePixelStorage(std::size_t count) {
  if (count >= kMinPooledPixels) {
    Pool& pool = P();
    std::lock_guard lock(pool.mutex);
    for (auto it = pool.blocks.begin(); it != pool.blocks.end(); ++it) {
      if (it->count != count) continue;
      auto storage = std::move(it->storage);
      pool.pixels -= it->count;
      pool.blocks.erase(it);
      return storage;
    }
  }
  return std::make_unique_for_overwrite<std::uint32_t[]>(count);
}

void ReturnPixelStorage(std::unique_ptr<std::uint32_t[]> storage, std::size_t count) noexcept {
  if (!storage || count < kMinPooledPixels || count > kMaxPooledPixels) return;
  Pool& pool = P();
  std::lock_guard lock(pool.mutex);
  // The oldest blocks make room for the newest: sizes in use change over time.
  while (!pool.blocks.empty() && (pool.blocks.size() >= kMaxBlocks || pool.pixels + count > kMaxPooledPixels)) {
    pool.pixels -= pool.blocks.front().count;
    pool.blocks.erase(pool.blocks.begin());
  }
  pool.pixels += count;
  try {
    pool.blocks.push_back({std::move(storage), count});
  } catch (...) {
    pool.pixels -= count;
  }
}

PixelBuffer::~PixelBuffer() {
  ReturnPixelStorage(std::move(pixels), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}
