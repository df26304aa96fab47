#pragma once
// The text settings that buttons, fields and labels share: font name,
// size and its unit, bold, italic, underline and colour.
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/classes.h"

struct TextStyle {
  std::string font = "System";  // "System" (or empty): the platform's default font
  float size = 0;                // 0: the default font's size
  std::int32_t unit = 0;         // FontUnits: 0 default (points), 1 pixels, 2 points, 3 inches, 4 millimetres;
                                 // a point is a pixel (72 to the inch)
  bool bold = false, italic = false, underline = false;
  Color color{};                 // black
};

class TextStyled {
 public:
  virtual ~TextStyled() = default;

  const std::string& TextFont() const noexcept { return style_.font; }
  void SetTextFont(const std::string& v) { style_.font = v; TextStyleChanged(); }
  float TextSize() const noexcept { return style_.size; }
  void SetTextSize(float v) { style_.size = v; TextStyleChanged(); }
  std::int32_t TextUnit() const noexcept { return style_.unit; }
  void SetTextUnit(std::int32_t v) { style_.unit = v; TextStyleChanged(); }
  bool Bold() const noexcept { return style_.bold; }
  void SetBold(bool v) { style_.bold = v; TextStyleChanged(); }
  bool Italic() const noexcept { return style_.italic; }
  void SetItalic(bool v) { style_.italic = v; TextStyleChanged(); }
  bool Underline() const noexcept { return style_.underline; }
  void SetUnderline(bool v) { style_.underline = v; TextStyleChanged(); }
  Color TextColor() const noexcept { return style_.color; }
  void SetTextColor(Color v) { style_.color = v; TextStyleChanged(); }

  const TextStyle& Style() const noexcept { return style_; }

 protected:
  // Applies the changed style to the widget, if there is one yet.
  virtual void TextStyleChanged() = 0;

 private:
  TextStyle style_;
};

// A TextStyled class's own property entries followed by those of its text
// settings, TextSize aside (a bevel button has none).
std::vector<PropertyEntry> WithTextStyleProperties(std::vector<PropertyEntry> own);
