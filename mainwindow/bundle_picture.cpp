// The preview's first picture, "if_k100.png" from the bundle's Resources.
#include "mainwindow/window1.h"

Ref<Picture> if_k100() {
  // Held for the rest of the process and never destroyed: at exit the
  // runtime that would release it may be gone already.
  static Ref<Picture>& pic = *new Ref<Picture>();
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
