// The preview's first picture, "if_k100.png" from the bundle's Resources.
#include <new>

#include "mainwindow/window1.h"

namespace {
// The cached picture is held for the rest of the process and never
// destroyed: at exit the runtime that would release it may be gone already.
alignas(Ref<Picture>) unsigned char gPicStorage[sizeof(Ref<Picture>)];
}  // namespace

Ref<Picture> if_k100() {
  static std::uint8_t setUp = 0;
  static Ref<Picture>& pic = *new (gPicStorage) Ref<Picture>();
  if (setUp == 0) {
    setUp = 1;
    pic.Reset();
  }
  // Loading is decided by the cache being empty: a load that gave no
  // picture is tried again on the next call.
  if (!pic) {
    Ref<FolderItem> resources = _GetApplicationBundleResources();
    if (resources) {
      Ref<FolderItem> item = resources->Child("if_k100.png");
      if (!item) RaiseNilObjectException("the item \"if_k100.png\" of the bundle's Resources folder");
      pic = item->OpenAsPicture();
    }
  }
  return pic;
}
