#pragma once
// A canvas: raises Paint with a Graphics that draws into the canvas while
// it is painted. Its Backdrop is the picture the canvas shows by itself
// when no Paint handler is installed (stretched over the whole canvas);
// with a handler, the handler draws what is shown.
#include "media/picture.h"
#include "ui/control.h"

class Canvas : public RectControl {
 public:
  static const ClassTable* StaticClass();

  const Ref<Picture>& Backdrop() const noexcept { return backdrop_; }
  void SetBackdrop(Ref<Picture> picture);
  bool AcceptFocus() const noexcept { return acceptFocus_; }
  void SetAcceptFocus(bool v);
  // The canvas is filled with the window's background before each paint.
  bool EraseBackground() const noexcept { return eraseBackground_; }
  void SetEraseBackground(bool v);

 protected:
  void MakeWidget(NativeWidget& native) override;
  void ApplyAll() override;
  bool AcceptsFocus() const override { return acceptFocus_; }
  std::span<const std::string_view> InstanceEvents() const override;

 private:
  Ref<Picture> backdrop_;
  bool acceptFocus_ = false;
  bool eraseBackground_ = true;
};
