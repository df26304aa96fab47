#include <QApplication>
#include <algorithm>

#include "runtime/class_entries.h"
#include "ui/control_qt.h"

QFont StyleFont(const TextStyle& style) {
  QFont font = QApplication::font();
  if (style.font == "SmallSystem") {
    if (font.pointSizeF() > 0) font.setPointSizeF(std::max(1.0, font.pointSizeF() - 2));
  } else if (!style.font.empty() && style.font != "System") {
    font.setFamilies({ToQString(style.font)});
  }
  // A size that is not a sensible positive number keeps the default size.
  // The window layouts count 72 points to the inch, one point to a pixel,
  // so that texts fit the controls they were designed for.
  if (style.size > 0 && style.size <= 1000) {
    double pixels = style.size;                         // 0 default, 1 pixels, 2 points
    if (style.unit == 3) pixels = style.size * 72.0;    // inches
    if (style.unit == 4) pixels = style.size * 72.0 / 25.4;  // millimetres
    font.setPixelSize(std::max(1, static_cast<int>(std::min(pixels, 10000.0) + 0.5)));
  }
  font.setBold(style.bold);
  font.setItalic(style.italic);
  font.setUnderline(style.underline);
  return font;
}

void SetPaletteColor(QWidget& widget, QPalette::ColorRole role, QColor color) {
  // Active and inactive only: disabled controls keep the style's dimmed look.
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Active, role, color);
  palette.setColor(QPalette::Inactive, role, color);
  widget.setPalette(palette);
}

void ApplyTextStyle(QWidget& widget, const TextStyle& style, QPalette::ColorRole role) {
  widget.setFont(StyleFont(style));
  SetPaletteColor(widget, role, ToQColor(style.color));
}

std::vector<PropertyEntry> WithTextStyleProperties(std::vector<PropertyEntry> own) {
  using T = TextStyled;
  for (PropertyEntry& entry : std::vector<PropertyEntry>{
           Property("TextColor", "c", &T::TextColor, &T::SetTextColor),
           Property("TextFont", "s", &T::TextFont, &T::SetTextFont),
           Property("TextUnit", "i4", &T::TextUnit, &T::SetTextUnit),
           Property("Bold", "b", &T::Bold, &T::SetBold),
           Property("Italic", "b", &T::Italic, &T::SetItalic),
           Property("Underline", "b", &T::Underline, &T::SetUnderline),
       })
    own.push_back(std::move(entry));
  return own;
}
