#pragma once
// The bevel button, a plug-in control: a push button whose caption can be
// aligned and that raises Action when clicked. Its own properties are
// plug-in members, registered under "BevelButton.<Property>.Get" and
// ".Set"; those about an icon, the bevel, a pop-up menu and toggling
// (ButtonType, Value) are only kept: it shows no icon, Qt's style draws one
// bevel, no menu is attached and it is always a push button.
#include <cstdint>
#include <string>

#include "ui/control.h"
#include "ui/text_style.h"

class BevelButton : public RectControl, public TextStyled {
 public:
  static const ClassTable* StaticClass();

  const std::string& Caption() const noexcept { return caption_; }
  void SetCaption(const std::string& v);
  // 0 the system's direction (left), 1 flush left, 2 flush right, 3 centred.
  std::int32_t CaptionAlign() const noexcept { return captionAlign_; }
  void SetCaptionAlign(std::int32_t v);
  bool HasBackColor() const noexcept { return hasBackColor_; }
  void SetHasBackColor(bool v);
  Color BackColor() const noexcept { return backColor_; }
  void SetBackColor(Color v);
  // Whether the button takes keyboard focus (with TabStop).
  bool AcceptFocus() const noexcept { return acceptFocus_; }
  void SetAcceptFocus(bool v);

  // The button was clicked (inside RuntimeDispatch).
  void OnClicked();

 protected:
  void MakeWidget(NativeWidget& native) override;
  void ApplyAll() override;
  bool AcceptsFocus() const override { return acceptFocus_; }
  void TextStyleChanged() override;
  std::span<const std::string_view> InstanceEvents() const override;

 private:
  void ApplyLook();

  std::string caption_;
  std::int32_t captionAlign_ = 3;
  bool hasBackColor_ = false, acceptFocus_ = false;
  Color backColor_{};
};

// Registers the getter and setter of each of BevelButton's own properties
// as plug-in members (called by _RuntimeInitExternalClasses).
void RegisterBevelButtonPluginMembers();
