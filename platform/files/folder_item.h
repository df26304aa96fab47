#pragma once
// Files and folders. A FolderItem names a path, existing or not. A folder's
// listing is sorted the way a file browser sorts (digit runs by value,
// letters case-insensitively, ties by byte order), hides "." and ".." and
// every name starting with ".", and is read again only when the folder's
// modification time changes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/movie.h"
#include "media/picture.h"
#include "runtime/classes.h"

class FolderItem : public Object {
 public:
  // `path` is absolute and normalised (no trailing "/" except the root's).
  explicit FolderItem(std::string path);
  ~FolderItem() override;
  static const ClassTable* StaticClass();

  // The last part of the path ("/" for the root).
  std::string Name();
  // The full path; a folder's ends in "/".
  std::string AbsolutePath();
  // The path without a trailing "/".
  const std::string& Path() const noexcept { return path_; }
  bool Exists();
  bool Directory();

  // The number of listed entries (0 for a file or a missing folder).
  std::int32_t Count();
  // Entry index (1-based) of the listing; none past the end.
  Ref<FolderItem> Item(std::int32_t index);
  // The names of the listed entries in listing order with the listing's
  // version, from one look at the folder (as Count): names[i - 1] is the
  // name of Item(i) until the listing is read anew, which a new version
  // tells (the folder changed), so what was found in the names holds while
  // the version stays. The names are shared, not copied, and stay as they
  // were however the folder changes later. Version 0 and no names for a
  // file or a missing folder.
  struct ListingNames {
    std::uint64_t version = 0;
    std::shared_ptr<const std::vector<std::string>> names;
  };
  ListingNames Names();
  // The item of that name inside this folder, existing or not; none for a
  // name that is empty, "." or "..", or holds a "/".
  Ref<FolderItem> Child(const std::string& name);

  // The file as a picture (JPEG with its EXIF orientation applied, other
  // formats through Qt); none when it does not read as one, and LastError
  // says why. Only a regular file is read; opening never blocks. A file of
  // a folder whose listing was read also starts decoding the next JPEG
  // photos of that listing on the platform's workers, for the likely next
  // openings.
  Ref<Picture> OpenAsPicture();
  // Writes the picture as JPEG (quality 90, 4:2:0) through a temporary file
  // in the same folder renamed over this one. A failure raises IOException
  // naming the file and the reason; an absent picture NilObjectException.
  void SaveAsJPEG(const Ref<Picture>& picture);

  // The file as a movie to read; none when it is no movie (or no regular
  // file: opening never blocks).
  Ref<EditableMovie> OpenEditableMovie();
  // A new, empty movie that will be written to this file.
  Ref<EditableMovie> CreateMovie();

  // Why the last OpenAsPicture gave none, in the system's or the decoder's
  // words ("not a JPEG file", "Permission denied"); empty after a success.
  const std::string& LastError() const noexcept { return lastError_; }

  // A folder's listing as it was read (its parts are the platform's own).
  struct Listing;

 private:
  std::string path_;
  std::string lastError_;
  std::shared_ptr<const Listing> listing_;
  // For an entry made by Item: the listing it came from and its place there.
  std::shared_ptr<const Listing> within_;
  std::size_t place_ = 0;
};

// An item for the path (path type 0: a native path; a relative one is taken
// from the current folder), existing or not; none for an empty path.
Ref<FolderItem> GetFolderItem(const std::string& path, std::int32_t pathType = 0);
// Volume 0 is the root folder "/"; there is no other.
Ref<FolderItem> Volume(std::int32_t index);
// The folder "Resources" in the parent of the folder that holds the
// executable (the bundle), or when there is none, "share/vindralo/Resources"
// there (an installed program); NilObjectException when the executable's
// folder or its parent cannot be found.
Ref<FolderItem> _GetApplicationBundleResources();
