#pragma once
// Private to the platform: every file the platform writes (frames, movies)
// is written to a temporary file in the target's folder and renamed over
// the target once complete, so that no reader ever sees a half-written file.
// Temporary names are hidden, short and of one length whatever the target's
// name (".vindralo-<pid>-<number>.tmp"), so that every name the file system
// allows can be a target. A killed process can leave one behind; the
// process's first write into a folder removes those of processes that have
// ended.
#include <cstddef>
#include <span>
#include <string>

// A temporary name (no folder part), unique among this process's names.
std::string NewTempName();
// The path of a new temporary file beside `target` (a path), for a writer
// that opens its file by path (FFmpeg's): the folder's stale temporary
// files are removed first, as before any temporary file.
std::string NewTempPathBeside(const std::string& target);

// Removes the temporary files that processes which have ended left in the
// folder `folder` (open as `folderFd`, or AT_FDCWD). Runs once per folder
// in a process: call it before the process's first temporary file there.
void RemoveStaleTempFiles(int folderFd, const std::string& folder);

// Failures name the target by its name alone ("while saving 000027.jpg: No
// space left on device"): the files written are frames in the destination
// folder and movies, in folders the user chose.

// A new temporary file in a folder, written in pieces as they come (an
// encoder's bytes while it encodes the rest). Made, it exists; let go
// unfinished, it is removed. A failed write is kept and raised by Finish,
// so that a writer fed from worker threads never throws at them.
class TempFileWriter {
 public:
  // Raises IOException "while saving <targetName>: <reason>" when the file
  // cannot be made.
  TempFileWriter(int folderFd, std::string targetName);
  ~TempFileWriter();
  TempFileWriter(const TempFileWriter&) = delete;
  TempFileWriter& operator=(const TempFileWriter&) = delete;
  // Appends the parts; after a failure, nothing more is written.
  void Append(std::span<const std::span<const unsigned char>> parts) noexcept;
  // Empties the file: what was appended is void.
  void Rewind() noexcept;
  // Closes the file and returns its name; raises IOException "while saving
  // <targetName>: <reason>" (and removes the file) for the first failure.
  std::string Finish();

 private:
  int folderFd_;
  std::string targetName_, temp_;
  int fd_ = -1;
  int error_ = 0;
  bool finished_ = false;
};

// Writes the parts, one after the other, into a new temporary file in the
// folder and returns its name. Raises IOException "while saving
// <targetName>: <reason>" (and leaves no file) when it cannot.
std::string WriteTempFile(int folderFd, const std::string& targetName,
                          std::span<const std::span<const unsigned char>> parts);

// Renames the temporary file over `targetName` in the same folder.
// Raises IOException "while replacing <targetName>: <reason>" and removes
// the temporary file when it cannot.
void ReplaceWithTempFile(int folderFd, const std::string& tempName, const std::string& targetName);
