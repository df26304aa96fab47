// Frame file names and cropping.
#include "engine/run_failure.h"
#include "mainwindow/window1.h"
#include "runtime/values.h"

std::string Window1::bildname(std::int32_t n) {
  // Leading zeros by band; every bound is strict.
  std::string zeros;
  if (n < 10) zeros = "00000";
  else if (n < 100) zeros = "0000";
  else if (n < 1000) zeros = "000";
  else if (n < 10000) zeros = "00";
  else if (n < 100000) zeros = "0";
  return zeros + Str(n) + ".jpg";
}

Ref<Picture> Window1::croppicture(const Ref<Picture>& source, std::int32_t top, std::int32_t bottom,
                                  std::int32_t left, std::int32_t right) {
  const std::int32_t width = source->Width();
  const std::int32_t height = source->Height();
  const std::int32_t newWidth = WrapSub(WrapSub(width, left), right);
  const std::int32_t newHeight = WrapSub(WrapSub(height, top), bottom);
  const std::string margins =
      "the margins top " + Str(top) + ", bottom " + Str(bottom) + ", left " + Str(left) + ", right " + Str(right);
  if (newWidth <= 0 || newHeight <= 0)
    throw RunFailure(margins + " leave nothing of a picture of " + Str(width) + " x " + Str(height));
  if (std::int64_t{newWidth} * newHeight > kMaxPicturePixels)
    throw RunFailure(margins + " make a picture of " + Str(newWidth) + " x " + Str(newHeight) + ", too large to hold");
  Ref<Picture> cropped = NewPicture(newWidth, newHeight, 32);
  Ref<Graphics> g = cropped->Graphics();
  g->DrawPicture(source, 0, 0, newWidth, newHeight, left, top, newWidth, newHeight);
  return cropped;
}
