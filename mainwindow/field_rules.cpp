// The input rules of the still, fade and source-rate fields, and the
// preview painting. Each acts on the control that raised its event.
#include "mainwindow/window1.h"

void Window1::fadetext_TextChange(TextField& me) {
  if (Val(me.Text()) < 1.0) me.SetText("1");
}

void Window1::stilltext_TextChange(TextField& me) {
  if (Val(me.Text()) < 1.0) me.SetText("1");
}

bool Window1::sourcefps_KeyDown(TextField& me, const std::string&) {
  // The text before the key is applied; the key then lands on "10".
  if (Val(me.Text()) < 1.0) me.SetText("10");
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
