#pragma once
// A one-line text field. It raises TextChange on every change of its text,
// whether the user typed it or code set it, and KeyDown for every key
// pressed in it, before the key is applied: the key is withheld when the
// handler returns True.
#include <cstdint>
#include <string>

#include "ui/control.h"
#include "ui/text_style.h"

class TextField : public RectControl, public TextStyled {
 public:
  static const ClassTable* StaticClass();

  std::string Text() const;
  void SetText(const std::string& v);
  // The text shown greyed while the field is empty.
  const std::string& CueText() const noexcept { return cueText_; }
  void SetCueText(const std::string& v);
  // 0 default (left), 1 left, 2 centred, 3 right.
  std::int32_t Alignment() const noexcept { return alignment_; }
  void SetAlignment(std::int32_t v);
  bool Border() const noexcept { return border_; }
  void SetBorder(bool v);
  // Shows bullets for the characters.
  bool Password() const noexcept { return password_; }
  void SetPassword(bool v);
  Color BackColor() const noexcept { return backColor_; }
  void SetBackColor(Color v);
  bool ReadOnly() const noexcept { return readOnly_; }
  void SetReadOnly(bool v);

  // From the Qt side, each inside RuntimeDispatch: the text changed; a key
  // is about to be applied (true: withhold it).
  void OnTextChanged();
  bool OnKeyDown(const std::string& key);

 protected:
  void MakeWidget(NativeWidget& native) override;
  void ApplyAll() override;
  void TextStyleChanged() override;
  std::span<const std::string_view> InstanceEvents() const override;

 private:
  void ApplyLook();

  std::string text_, cueText_;
  std::int32_t alignment_ = 0;
  bool border_ = true, password_ = false, readOnly_ = false;
  Color backColor_{255, 255, 255};
};
