#pragma once
// Private to the platform: pictures read from and written to files, with
// the two reuse caches (decoded files, encoded pictures).
#include <string>

#include "media/jpeg.h"
#include "media/picture.h"

// The file as a picture; none when it does not read as one.
Ref<Picture> OpenPictureFile(const std::string& path);
// Writes the picture as JPEG through a temporary file renamed over the
// path; raises IOException naming the file and the reason.
void SavePictureAsJPEG(const std::string& path, const Picture& picture);
// Writes the bytes through a temporary file in the same folder renamed over
// the path; raises IOException naming the file and the reason.
void WriteFileReplacing(const std::string& path, const unsigned char* data, std::size_t size);

// The same, with the folder open as `folderFd` (AT_FDCWD: the path's own
// folder): the file lands in that folder even when it has been renamed
// since it was opened. Messages name `path`.
void WriteFileReplacingIn(int folderFd, const std::string& path, const unsigned char* data, std::size_t size);

// The two caches, for the frame-writing pool (platform/files/write_pool.h).
EncodedBytes FindEncodedPicture(std::uint64_t stamp);
void KeepEncodedPicture(std::uint64_t stamp, EncodedBytes bytes);
void ForgetDecodedFile(const std::string& path);

// For tests and the benchmark: forget every cached decode and encode.
void ClearPictureFileCaches();
