// Folder items: paths, listings in file-browser order, listings that follow
// the folder's changes, and the bundle's resources folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "files/folder_item.h"
#include "files/listing.h"
#include "support/media_fixtures.h"

using namespace media_test;

namespace {

std::vector<std::string> Names(const Ref<FolderItem>& folder) {
  std::vector<std::string> names;
  for (std::int32_t i = 1; i <= folder->Count(); ++i) names.push_back(folder->Item(i)->Name());
  return names;
}

void Touch(const std::string& path) { WriteAll(path, {'x'}); }

}  // namespace

TEST(FolderItems, PathsNamesAndKinds) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir / "sub");
  Touch(dir / "sub/a.jpg");
  Ref<FolderItem> folder = GetFolderItem(dir.Path() + "//sub/");
  EXPECT_EQ(folder->Name(), "sub");
  EXPECT_EQ(folder->AbsolutePath(), dir / "sub/");
  EXPECT_TRUE(folder->Exists());
  EXPECT_TRUE(folder->Directory());
  Ref<FolderItem> file = folder->Child("a.jpg");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->AbsolutePath(), dir / "sub/a.jpg");
  EXPECT_FALSE(file->Directory());
  EXPECT_EQ(file->Count(), 0);
  EXPECT_FALSE(file->Item(1));
  // The path of an entry names the same item again.
  EXPECT_EQ(GetFolderItem(folder->Item(1)->AbsolutePath())->AbsolutePath(), file->AbsolutePath());
  Ref<FolderItem> missing = GetFolderItem(dir / "nothing/here.jpg");
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->Exists());
  EXPECT_EQ(missing->Name(), "here.jpg");
  EXPECT_EQ(missing->Count(), 0);
  for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_FALSE(folder->Child(bad)) << bad;
  EXPECT_FALSE(GetFolderItem(""));

  Ref<FolderItem> root = Volume(0);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->AbsolutePath(), "/");
  EXPECT_EQ(root->Child("tmp")->AbsolutePath(), "/tmp/");
  EXPECT_FALSE(Volume(1));
}

TEST(FolderItems, ListingSortsLikeAFileBrowserAndHidesDotEntries) {
  ScratchFolder dir;
  for (const char* name : {"img10.jpg", "img2.jpg", "IMG1.JPG", "img1.jpg", ".hidden.jpg", "._img3.jpg", "b.jpeg",
                           "a.jpg", "img02.jpg", "Zeta", "alpha10", "alpha9"})
    Touch(dir / name);
  std::filesystem::create_directory(dir / "e.jpg");
  const std::vector<std::string> expected{"a.jpg",    "alpha9",    "alpha10",   "b.jpeg",   "e.jpg",  "IMG1.JPG",
                                          "img1.jpg", "img02.jpg", "img2.jpg", "img10.jpg", "Zeta"};
  EXPECT_EQ(Names(GetFolderItem(dir.Path())), expected);
}

TEST(FolderItems, TheSameOrderEveryTimeWhateverTheStartingOrder) {
  std::vector<std::string> a{"x10", "X2", "x2", "x1", "x01", "x001"}, b(a.rbegin(), a.rend());
  SortLikeFileBrowser(a);
  SortLikeFileBrowser(b);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.back(), "x10");
}

TEST(FolderItems, CountAndItemFollowEntriesThatAppearOrVanish) {
  ScratchFolder dir;
  Touch(dir / "2.jpg");
  Touch(dir / "4.jpg");
  Ref<FolderItem> folder = GetFolderItem(dir.Path());
  ASSERT_EQ(folder->Count(), 2);
  Touch(dir / "3.jpg");
  EXPECT_EQ(Names(folder), (std::vector<std::string>{"2.jpg", "3.jpg", "4.jpg"}));
  std::filesystem::remove(dir / "2.jpg");
  EXPECT_EQ(folder->Count(), 2);
  EXPECT_EQ(folder->Item(1)->Name(), "3.jpg");
  EXPECT_FALSE(folder->Item(3));
  EXPECT_FALSE(folder->Item(0));
  EXPECT_FALSE(folder->Item(-1));
  // A settled folder keeps its listing; a change of its time reads it again.
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, dir.Path().c_str(), old, 0);
  EXPECT_EQ(folder->Count(), 2);
  Touch(dir / "1.jpg");
  EXPECT_EQ(Names(folder), (std::vector<std::string>{"1.jpg", "3.jpg", "4.jpg"}));
  // A hidden file written beside the entries (as a save's temporary file) is never listed.
  Touch(dir / ".1.jpg.tmp");
  EXPECT_EQ(folder->Count(), 3);
  std::filesystem::remove_all(dir / "");
  EXPECT_EQ(folder->Count(), 0);
  EXPECT_FALSE(folder->Item(1));
}

TEST(FolderItems, NamesAreTheListingWithItsVersionAndOutliveIt) {
  ScratchFolder dir;
  for (const char* name : {"b10.jpg", "b9.jpg", "notes.txt"}) Touch(dir / name);
  struct timespec settled[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, dir.Path().c_str(), settled, 0);
  Ref<FolderItem> folder = GetFolderItem(dir.Path());
  const FolderItem::ListingNames before = folder->Names();
  ASSERT_TRUE(before.names);
  EXPECT_EQ(*before.names, Names(folder));
  EXPECT_EQ(*before.names, (std::vector<std::string>{"b9.jpg", "b10.jpg", "notes.txt"}));
  EXPECT_NE(before.version, 0u);
  EXPECT_EQ(folder->Names().version, before.version) << "a settled folder keeps its reading";

  // The folder changes: a new reading with a new version; the names held
  // are still the earlier reading's.
  Touch(dir / "a.jpg");
  struct timespec later[2] = {{1000000100, 0}, {1000000100, 0}};
  utimensat(AT_FDCWD, dir.Path().c_str(), later, 0);
  const FolderItem::ListingNames after = folder->Names();
  EXPECT_EQ(*after.names, (std::vector<std::string>{"a.jpg", "b9.jpg", "b10.jpg", "notes.txt"}));
  EXPECT_NE(after.version, before.version);
  EXPECT_EQ(*before.names, (std::vector<std::string>{"b9.jpg", "b10.jpg", "notes.txt"}));

  for (const std::string& notAFolder : {dir / "a.jpg", dir / "missing"}) {
    const FolderItem::ListingNames none = GetFolderItem(notAFolder)->Names();
    EXPECT_EQ(none.version, 0u) << notAFolder;
    ASSERT_TRUE(none.names);
    EXPECT_TRUE(none.names->empty()) << notAFolder;
  }
}

TEST(FolderItems, ALargeFolderListsOnceAndQuickly) {
  ScratchFolder dir;
  for (int i = 1; i <= 3000; ++i) {
    std::string name = "f";
    name += std::to_string(i);
    name += ".jpg";
    Touch(dir / name);
  }
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, dir.Path().c_str(), old, 0);
  Ref<FolderItem> folder = GetFolderItem(dir.Path());
  ASSERT_EQ(folder->Count(), 3000);
  EXPECT_EQ(folder->Item(1)->Name(), "f1.jpg");
  EXPECT_EQ(folder->Item(10)->Name(), "f10.jpg");
  EXPECT_EQ(folder->Item(3000)->Name(), "f3000.jpg");
}

TEST(FolderItems, TheBundleResourcesFolderIsBesideTheExecutablesFolder) {
  Ref<FolderItem> resources = _GetApplicationBundleResources();
  ASSERT_TRUE(resources);
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string bundle = std::filesystem::path(exe).parent_path().parent_path().string();
  EXPECT_EQ(resources->Name(), "Resources");
  EXPECT_EQ(GetFolderItem(resources->AbsolutePath())->Path(), bundle + "/Resources");
}
