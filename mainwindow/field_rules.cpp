// The input rules of the still, fade and source-rate fields, and the
// preview painting. Each acts on the control that raised its event.
#include "mainwindow/window1.h"

namespace {
// A field whose value is below 1 gets the text `reset`.
void KeepAtLeastOne(TextField& field, const char* reset) {
  if (Val(field.Text()) < 1.0) field.SetText(reset);
}
}  // namespace

void Window1::fadetext_TextChange(TextField& me) { KeepAtLeastOne(me, "1"); }

void Window1::stilltext_TextChange(TextField& me) { KeepAtLeastOne(me, "1"); }

bool Window1::sourcefps_KeyDown(TextField& me, const std::string&) {
  // The text before the key is applied; the key then lands on "10".
  KeepAtLeastOne(me, "10");
  return false;
}

void Window1::Canvas1_Paint(Canvas& me, Graphics& g) {
  Ref<Picture> backdrop = me.Backdrop();
  if (!backdrop) return;
  const std::int32_t w = me.Width(), h = me.Height();
  const std::int32_t pw = backdrop->Width(), ph = backdrop->Height();
  // The whole picture into W - 1 by H - 1 at the top-left corner.
  g.DrawPicture(backdrop, 0, 0, WrapSub(w, 1), WrapSub(h, 1), 0, 0, pw, ph);
}
