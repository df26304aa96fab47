#pragma once
// Private to the platform: pictures read from and written to files, with
// the two reuse caches (decoded files, encoded pictures).
#include <string>

#include "media/jpeg.h"
#include "media/picture.h"

// The file as a picture; none when it does not read as one, and then
// `whyNot` says why (the system's or the decoder's reason). Only regular
// files are read, never blocking and never more than a picture could need.
Ref<Picture> OpenPictureFile(const std::string& path, std::string& whyNot);
// Starts decoding the file on the platform's workers, so that opening it
// soon finds its pixels made (or waits for them). Does nothing outside a
// handler, and for a file that cannot be opened as a picture, is already
// decoded, or still changes.
void DecodeAhead(const std::string& path);
// Writes the picture as JPEG through a temporary file renamed over the
// path (absolute); raises IOException naming the file and the reason.
void SavePictureAsJPEG(const std::string& path, const Picture& picture);

// The two caches, for the frame-writing pool (platform/files/write_pool.h).
EncodedBytes FindEncodedPicture(std::uint64_t stamp);
void KeepEncodedPicture(std::uint64_t stamp, EncodedBytes bytes);
void ForgetDecodedFile(const std::string& path);
