#pragma once
// A label. A CR (or LF, or CR LF) in its text breaks the line; Multiline
// also wraps long lines at the label's width.
#include <cstdint>
#include <string>

#include "ui/control.h"
#include "ui/text_style.h"

class StaticText : public RectControl, public TextStyled {
 public:
  static const ClassTable* StaticClass();

  const std::string& Text() const noexcept { return text_; }
  void SetText(const std::string& v);
  // 0 left, 1 centred, 2 right.
  std::int32_t TextAlign() const noexcept { return textAlign_; }
  void SetTextAlign(std::int32_t v);
  bool Multiline() const noexcept { return multiline_; }
  void SetMultiline(bool v);
  // The user can select and copy the text.
  bool Selectable() const noexcept { return selectable_; }
  void SetSelectable(bool v);
  // False: the label fills its rectangle with the window's background.
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool v);

 protected:
  void MakeWidget(NativeWidget& native) override;
  void ApplyAll() override;
  bool AcceptsFocus() const override { return false; }
  void TextStyleChanged() override;
  std::span<const std::string_view> InstanceEvents() const override { return {}; }

 private:
  void ApplyLook();

  std::string text_;
  std::int32_t textAlign_ = 0;
  bool multiline_ = false, selectable_ = false, transparent_ = false;
};
