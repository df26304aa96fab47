#pragma once
// Private to the platform: the Qt widget behind a control, and the helpers
// that put kept values on Qt widgets.
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include "ui/control.h"
#include "ui/text_style.h"

struct NativeWidget {
  QWidget* parent = nullptr;  // the window's content area, where the widget is made
  QPointer<QWidget> widget;   // owned: deleted with the control, or with its Qt parent
  NativeWidget() = default;
  NativeWidget(const NativeWidget&) = delete;
  NativeWidget& operator=(const NativeWidget&) = delete;
  ~NativeWidget() { delete widget.data(); }
};

// The control's widget as W, none before RectControl.Constructor.
template <class W>
W* NativeAs(const RectControl& control) {
  NativeWidget* native = control.Native();
  return native ? static_cast<W*>(native->widget.data()) : nullptr;
}
inline QWidget* RectControlWidget(const RectControl& control) { return NativeAs<QWidget>(control); }

inline QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string FromQString(const QString& s) { return s.toUtf8().toStdString(); }
inline QColor ToQColor(Color c) { return QColor(c.red, c.green, c.blue); }

// The font of a text style: "System" is the application's default font; a
// size of 0 keeps the default size; the unit says how the size counts.
QFont StyleFont(const TextStyle& style);
// Sets the font and the text colour (in `role`) of the widget.
void ApplyTextStyle(QWidget& widget, const TextStyle& style, QPalette::ColorRole role);
void SetPaletteColor(QWidget& widget, QPalette::ColorRole role, QColor color);
