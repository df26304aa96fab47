#pragma once
// Private to the platform: the pieces of paths, and file times, as the
// platform's file code uses them. Paths are absolute and normalised (no
// trailing "/" but the root's).
#include <time.h>

#include <cstdint>
#include <string>

// The folder that holds the path ("/" for an entry of the root, "." for a
// bare name).
std::string FolderOfPath(const std::string& path);
// The last part of the path.
std::string NameOfPath(const std::string& path);
// The path of the name inside the folder.
std::string JoinedPath(const std::string& folder, const std::string& name);

std::int64_t Nanoseconds(const timespec& time) noexcept;
std::int64_t NowNanoseconds() noexcept;
// Whether what was read at `readAt` (a folder's listing, a file's pixels)
// can be kept while the time `changed` stays the same: file times tick
// coarsely, so a change made in the same tick as the reading would not
// change the time, and only a time clearly before the reading is trusted.
bool SettledWhenRead(std::int64_t changed, std::int64_t readAt) noexcept;
