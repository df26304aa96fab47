#include "ui/static_text.h"

#include <QLabel>

#include "ui/control_qt.h"
#include "ui/method_entries.h"

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
      .properties =
          {
              Property<T>("Text", "s", &T::Text, &T::SetText),
              Property<T>("TextAlign", "i4", &T::TextAlign, &T::SetTextAlign),
              Property<T>("TextColor", "c", &T::TextColor, &T::SetTextColor),
              Property<T>("Multiline", "b", &T::Multiline, &T::SetMultiline),
              Property<T>("Selectable", "b", &T::Selectable, &T::SetSelectable),
              Property<T>("Transparent", "b", &T::Transparent, &T::SetTransparent),
              Property<T>("DataSource", "s", &T::DataSource, &T::SetDataSource),
              Property<T>("DataField", "s", &T::DataField, &T::SetDataField),
              Property<T>("TextFont", "s", &T::TextFont, &T::SetTextFont),
              Property<T>("TextSize", "f4", &T::TextSize, &T::SetTextSize),
              Property<T>("TextUnit", "i4", &T::TextUnit, &T::SetTextUnit),
              Property<T>("Bold", "b", &T::Bold, &T::SetBold),
              Property<T>("Italic", "b", &T::Italic, &T::SetItalic),
              Property<T>("Underline", "b", &T::Underline, &T::SetUnderline),
          },
      .factory = [] { return static_cast<Object*>(new StaticText()); },
  });
  return table;
}
