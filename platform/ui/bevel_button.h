#pragma once
// The bevel button, a plug-in control: a push button whose caption can be
// aligned, that can toggle or stick (ButtonType 1 or 2, its state in Value),
// and that raises Action when clicked. Its own properties are plug-in
// members, registered under "BevelButton.<Property>.Get" and ".Set".
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
  // Where the caption sits relative to an icon, and its distance; kept (no icon).
  std::int32_t CaptionPlacement() const noexcept { return captionPlacement_; }
  void SetCaptionPlacement(std::int32_t v) noexcept { captionPlacement_ = v; }
  std::int32_t CaptionDelta() const noexcept { return captionDelta_; }
  void SetCaptionDelta(std::int32_t v) noexcept { captionDelta_ = v; }
  std::int32_t IconAlign() const noexcept { return iconAlign_; }
  void SetIconAlign(std::int32_t v) noexcept { iconAlign_ = v; }
  std::int32_t IconDX() const noexcept { return iconDX_; }
  void SetIconDX(std::int32_t v) noexcept { iconDX_ = v; }
  std::int32_t IconDY() const noexcept { return iconDY_; }
  void SetIconDY(std::int32_t v) noexcept { iconDY_ = v; }
  // The bevel's size: 0 small, 1 normal, 2 large; kept (Qt's style draws one bevel).
  std::int32_t Bevel() const noexcept { return bevel_; }
  void SetBevel(std::int32_t v) noexcept { bevel_ = v; }
  // A pop-up menu on the button (0 none); kept, no menu is attached.
  std::int32_t HasMenu() const noexcept { return hasMenu_; }
  void SetHasMenu(std::int32_t v) noexcept { hasMenu_ = v; }
  std::int32_t MenuValue() const noexcept { return menuValue_; }
  void SetMenuValue(std::int32_t v) noexcept { menuValue_ = v; }
  bool HasBackColor() const noexcept { return hasBackColor_; }
  void SetHasBackColor(bool v);
  Color BackColor() const noexcept { return backColor_; }
  void SetBackColor(Color v);
  // Pressed state of a toggling or sticky button.
  bool Value() const;
  void SetValue(bool v);
  // 0 a push button, 1 toggles, 2 sticks down once pressed.
  std::int32_t ButtonType() const noexcept { return buttonType_; }
  void SetButtonType(std::int32_t v);
  // Whether the button takes keyboard focus (with TabStop).
  bool AcceptFocus() const noexcept { return acceptFocus_; }
  void SetAcceptFocus(bool v);

  // The button was clicked (inside RuntimeDispatch).
  void _Clicked();

 protected:
  void MakeWidget(NativeWidget& native) override;
  void ApplyAll() override;
  bool AcceptsFocus() const override { return acceptFocus_; }
  void TextStyleChanged() override;
  std::span<const std::string_view> InstanceEvents() const override;

 private:
  void ApplyLook();

  std::string caption_;
  std::int32_t captionAlign_ = 3, captionPlacement_ = 1, captionDelta_ = 0;
  std::int32_t iconAlign_ = 0, iconDX_ = 0, iconDY_ = 0, bevel_ = 0, hasMenu_ = 0, menuValue_ = 0;
  std::int32_t buttonType_ = 0;
  bool hasBackColor_ = false, value_ = false, acceptFocus_ = false;
  Color backColor_{};
};

// Registers BevelButton's property accessors as plug-in members (called by
// _RuntimeInitExternalClasses).
void RegisterBevelButtonPluginMembers();
