#include "ui/static_text.h"

#include <QLabel>

#include "ui/control_qt.h"

namespace {

// The text as the label shows it: every CR, LF or CR LF is one line break.
QString ShownText(const std::string& text) {
  QString shown = ToQString(text);
  shown.replace("\r\n", "\n");
  shown.replace('\r', '\n');
  return shown;
}

Qt::Alignment LabelAlignment(std::int32_t align) {
  switch (align) {
    case 1: return Qt::AlignHCenter;
    case 2: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

}  // namespace

void StaticText::MakeWidget(NativeWidget& native) {
  auto* label = new QLabel(native.parent);
  label->setTextFormat(Qt::PlainText);
  native.widget = label;
}

void StaticText::ApplyAll() {
  RectControl::ApplyAll();
  ApplyLook();
  TextStyleChanged();
}

void StaticText::ApplyLook() {
  auto* label = NativeAs<QLabel>(*this);
  if (!label) return;
  label->setText(ShownText(text_));
  label->setAlignment(LabelAlignment(textAlign_) | Qt::AlignTop);
  label->setWordWrap(multiline_);
  label->setTextInteractionFlags(selectable_ ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
  label->setAutoFillBackground(!transparent_);
}

void StaticText::TextStyleChanged() {
  if (auto* label = NativeAs<QLabel>(*this)) ApplyTextStyle(*label, Style(), QPalette::WindowText);
}

void StaticText::SetText(const std::string& v) {
  text_ = v;
  if (auto* label = NativeAs<QLabel>(*this)) label->setText(ShownText(v));
}
void StaticText::SetTextAlign(std::int32_t v) {
  textAlign_ = v;
  ApplyLook();
}
void StaticText::SetMultiline(bool v) {
  multiline_ = v;
  ApplyLook();
}
void StaticText::SetSelectable(bool v) {
  selectable_ = v;
  ApplyLook();
}
void StaticText::SetTransparent(bool v) {
  transparent_ = v;
  ApplyLook();
}

const ClassTable* StaticText::StaticClass() {
  using T = StaticText;
  static const ClassTable* table = RuntimeNewClass({
      .name = "StaticText",
      .parent = RectControl::StaticClass(),
      .properties = WithTextStyleProperties({
          Property("Text", "s", &T::Text, &T::SetText),
          Property("TextAlign", "i4", &T::TextAlign, &T::SetTextAlign),
          Property("Multiline", "b", &T::Multiline, &T::SetMultiline),
          Property("Selectable", "b", &T::Selectable, &T::SetSelectable),
          Property("Transparent", "b", &T::Transparent, &T::SetTransparent),
          // A database binding (no database here).
          KeptProperty("DataSource", "s", std::string()),
          KeptProperty("DataField", "s", std::string()),
          Property("TextSize", "f4", &T::TextSize, &T::SetTextSize),
      }),
      .factory = [] { return static_cast<Object*>(new StaticText()); },
  });
  return table;
}
