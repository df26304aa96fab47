#include "files/folder_item.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <unordered_map>
#include <vector>

#include "files/listing.h"
#include "files/paths.h"
#include "files/picture_files.h"
#include "files/write_pool.h"
#include "runtime/class_entries.h"
#include "runtime/runtime.h"

namespace {

// Whether the name ends like a JPEG file's, case-insensitively, or holds
// ".jpg" as the run's photos do.
bool LooksLikeJpegName(const std::string& name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find(".jpg") != std::string::npos || lower.ends_with(".jpeg");
}

std::string Normalised(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::current_path() / p;
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text.empty() ? "/" : text;
}

}  // namespace

struct FolderItem::Listing {
  std::vector<std::string> names;
  std::vector<std::size_t> jpegPlaces;  // where the names that look like JPEG photos' are
  mutable std::unordered_map<std::string, std::size_t> places;  // by name, made when first asked
  std::string folder;
  std::int64_t mtime = 0;
  bool trusted = false;
  std::uint64_t version = 0;
};

namespace {
// The last listing read of each folder, while some item holds it: an item
// made from a path (not by Item) finds its place in its folder there.
std::map<std::string, std::weak_ptr<const FolderItem::Listing>>& KnownListings() {
  static std::map<std::string, std::weak_ptr<const FolderItem::Listing>> listings;
  return listings;
}
}  // namespace

FolderItem::FolderItem(std::string path) : path_(std::move(path)) {}
FolderItem::~FolderItem() = default;

const ClassTable* FolderItem::StaticClass() {
  using T = FolderItem;
  static const ClassTable* table = RuntimeNewClass({
      .name = "FolderItem",
      .properties = {ReadOnlyProperty("Name", "s", &T::Name), ReadOnlyProperty("AbsolutePath", "s", &T::AbsolutePath),
                     ReadOnlyProperty("Exists", "b", &T::Exists), ReadOnlyProperty("Directory", "b", &T::Directory),
                     ReadOnlyProperty("Count", "i4", &T::Count)},
      .factory = [] { return static_cast<Object*>(new FolderItem("/")); },
  });
  return table;
}

std::string FolderItem::Name() { return NameOfPath(path_); }

std::string FolderItem::AbsolutePath() {
  if (path_ == "/") return "/";
  return Directory() ? path_ + "/" : path_;
}

bool FolderItem::Exists() {
  write_pool::WaitForPath(path_);
  struct stat st{};
  return stat(path_.c_str(), &st) == 0;
}

bool FolderItem::Directory() {
  struct stat st{};
  return stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int32_t FolderItem::Count() {
  write_pool::WaitForFolder(path_);
  struct stat st{};
  if (stat(path_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    listing_.reset();
    return 0;
  }
  const std::int64_t mtime = Nanoseconds(st.st_mtim);
  if (!listing_ || !listing_->trusted || listing_->mtime != mtime) {
    static std::uint64_t versions = 0;
    auto fresh = std::make_shared<Listing>();
    fresh->version = ++versions;
    fresh->folder = path_;
    const std::int64_t readAt = NowNanoseconds();
    fresh->names = ReadSortedListing(path_);
    for (std::size_t i = 0; i < fresh->names.size(); ++i)
      if (LooksLikeJpegName(fresh->names[i])) fresh->jpegPlaces.push_back(i);
    fresh->mtime = mtime;
    fresh->trusted = SettledWhenRead(mtime, readAt);
    std::erase_if(KnownListings(), [](const auto& known) { return known.second.expired(); });
    KnownListings()[path_] = fresh;
    listing_ = std::move(fresh);
  }
  const std::size_t n = listing_->names.size();
  return n > 0x7fffffff ? 0x7fffffff : static_cast<std::int32_t>(n);
}

Ref<FolderItem> FolderItem::Item(std::int32_t index) {
  if (index < 1 || index > Count()) return nullptr;
  const std::size_t place = static_cast<std::size_t>(index) - 1;
  Ref<FolderItem> item = New<FolderItem>(JoinedPath(path_, listing_->names[place]));
  item->within_ = listing_;
  item->place_ = place;
  return item;
}

FolderItem::ListingNames FolderItem::Names() {
  Count();
  if (!listing_) return {0, std::make_shared<const std::vector<std::string>>()};
  // Shares the listing's own vector, keeping the listing alive while held.
  return {listing_->version, std::shared_ptr<const std::vector<std::string>>(listing_, &listing_->names)};
}

Ref<FolderItem> FolderItem::Child(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return nullptr;
  return New<FolderItem>(JoinedPath(path_, name));
}

Ref<Picture> FolderItem::OpenAsPicture() {
  write_pool::WaitForPath(path_);
  lastError_.clear();
  // The next entries whose names say they are JPEG photos are likely
  // opened next (a run walks a folder of photos): their decoding starts
  // now, beside this one's, as far ahead as memory allows.
  std::shared_ptr<const Listing> listing = within_;
  std::size_t place = place_;
  if (!listing) {
    // Made from a path: its folder's listing, if one was read, knows it.
    auto known = KnownListings().find(FolderOfPath(path_));
    listing = known == KnownListings().end() ? nullptr : known->second.lock();
    if (listing) {
      if (listing->places.empty())
        for (std::size_t i = 0; i < listing->names.size(); ++i) listing->places.emplace(listing->names[i], i);
      auto found = listing->places.find(NameOfPath(path_));
      if (found == listing->places.end()) listing = nullptr;
      else place = found->second;
    }
  }
  if (listing) {
    auto next = std::upper_bound(listing->jpegPlaces.begin(), listing->jpegPlaces.end(), place);
    for (int ahead = 0; ahead < 4 && next != listing->jpegPlaces.end(); ++ahead, ++next)
      DecodeAhead(JoinedPath(listing->folder, listing->names[*next]));
  }
  return OpenPictureFile(path_, lastError_);
}

void FolderItem::SaveAsJPEG(const Ref<Picture>& picture) {
  if (!picture) RaiseNilObjectException("the picture to save as " + path_);
  // Inside a handler the workers encode and write it while the handler
  // goes on; the dispatch's end waits for them. Outside any handler there
  // is no such end: the save is done before it returns.
  if (RuntimeDispatchDepth() > 0) return write_pool::Submit(path_, *picture);
  write_pool::WaitForPath(path_);
  SavePictureAsJPEG(path_, *picture);
}

// A movie is read from, or made of, files that may still be being written.
Ref<EditableMovie> FolderItem::OpenEditableMovie() {
  write_pool::WaitForAll();
  return EditableMovie::Open(path_);
}
Ref<EditableMovie> FolderItem::CreateMovie() {
  write_pool::WaitForAll();
  return EditableMovie::Create(path_);
}

Ref<FolderItem> GetFolderItem(const std::string& path, std::int32_t) {
  if (path.empty()) return nullptr;
  return New<FolderItem>(Normalised(path));
}

Ref<FolderItem> Volume(std::int32_t index) {
  if (index != 0) return nullptr;
  return New<FolderItem>("/");
}

Ref<FolderItem> _GetApplicationBundleResources() {
  std::string exeFolder;
  if (QCoreApplication::instance()) {
    exeFolder = QCoreApplication::applicationDirPath().toStdString();
  } else {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) exeFolder = exe.parent_path().string();
  }
  if (exeFolder.empty()) RaiseNilObjectException("the folder of the executable");
  Ref<FolderItem> folder = GetFolderItem(exeFolder);
  if (!folder || !folder->Directory()) RaiseNilObjectException("the folder of the executable");
  Ref<FolderItem> parent = GetFolderItem(FolderOfPath(folder->Path()));
  if (!parent || parent->Path() == folder->Path() || !parent->Directory())
    RaiseNilObjectException("the parent of the executable's folder");
  // The build's bundle keeps Resources beside bin; an installed program
  // (P/bin/vindralo) finds its own in P/share/vindralo.
  Ref<FolderItem> bundled = parent->Child("Resources");
  if (!bundled->Directory()) {
    Ref<FolderItem> installed = parent->Child("share")->Child("vindralo")->Child("Resources");
    if (installed->Directory()) return installed;
  }
  return bundled;
}
