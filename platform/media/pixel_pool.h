#pragma once
// Private to the platform: reuse of big pixel storage. Big pictures come
// and go at a high rate (a decoded photo, an effect step, a movie frame);
// fresh memory of that size costs a page fault per 4 KiB on first touch,
// more than the work done on it. A few freed blocks are kept for the next
// picture of the same size; the pool is bounded.
#include <cstddef>
#include <cstdint>
#include <memory>

// Storage for `count` pixels, contents unspecified.
std::unique_ptr<std::uint32_t[]> TakePixelStorage(std::size_t count);
// Gives storage of `count` pixels back; kept when it is big and the pool has room.
void ReturnPixelStorage(std::unique_ptr<std::uint32_t[]> storage, std::size_t count) noexcept;
