#include "ui/bevel_button.h"

#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <array>
#include <functional>

#include "plugin_signatures.h"
#include "runtime/plugins.h"
#include "runtime/runtime.h"
#include "ui/control_qt.h"
#include "ui/property_entries.h"

namespace {

// A push button that draws its caption itself: aligned as CaptionAlign
// says, elided when it does not fit, and with "&" shown as it is (a
// folder's name is no mnemonic).
class BevelButtonWidget : public QPushButton {
 public:
  explicit BevelButtonWidget(QWidget* parent) : QPushButton(parent) {}

  void SetCaption(const QString& caption) {
    caption_ = caption;
    QString escaped = caption;
    setText(escaped.replace('&', "&&"));  // for the size hint and accessibility
    update();
  }
  void SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    area.adjust(2, 0, -2, 0);
    const QString shown = fontMetrics().elidedText(caption_, Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment_ | Qt::AlignVCenter), palette(), isEnabled(),
                          shown, QPalette::ButtonText);
  }

 private:
  QString caption_;
  Qt::Alignment alignment_ = Qt::AlignHCenter;
};

Qt::Alignment CaptionAlignment(std::int32_t align) {
  switch (align) {
    case 2: return Qt::AlignRight;
    case 3: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;  // 0, the system's direction, and 1
  }
}

constexpr std::array<std::string_view, 1> kEvents{"Action"};

}  // namespace

std::span<const std::string_view> BevelButton::InstanceEvents() const { return kEvents; }

void BevelButton::MakeWidget(NativeWidget& native) {
  auto* button = new BevelButtonWidget(native.parent);
  native.widget = button;
  QObject::connect(button, &QPushButton::clicked, button, [this] {
    RuntimeDispatch([this] {
      Ref<BevelButton> keep(this);
      _Clicked();
    });
  });
  QObject::connect(button, &QPushButton::toggled, button, [this, button](bool on) {
    if (!on && buttonType_ == 2) button->setChecked(true);  // a sticky button stays down
  });
}

void BevelButton::ApplyAll() {
  RectControl::ApplyAll();
  ApplyLook();
  TextStyleChanged();
}

void BevelButton::ApplyLook() {
  auto* button = NativeAs<BevelButtonWidget>(*this);
  if (!button) return;
  button->SetCaption(ToQString(caption_));
  button->SetAlignment(CaptionAlignment(captionAlign_));
  button->setCheckable(buttonType_ == 1 || buttonType_ == 2);
  if (button->isCheckable()) button->setChecked(value_);
  if (hasBackColor_) {
    SetPaletteColor(*button, QPalette::Button, ToQColor(backColor_));
  } else {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, QPalette().color(QPalette::Button));
    button->setPalette(palette);
  }
}

void BevelButton::TextStyleChanged() {
  if (auto* button = NativeAs<BevelButtonWidget>(*this)) ApplyTextStyle(*button, Style(), QPalette::ButtonText);
}

void BevelButton::SetCaption(const std::string& v) {
  caption_ = v;
  if (auto* button = NativeAs<BevelButtonWidget>(*this)) button->SetCaption(ToQString(v));
}
void BevelButton::SetCaptionAlign(std::int32_t v) {
  captionAlign_ = v;
  ApplyLook();
}
void BevelButton::SetHasBackColor(bool v) {
  hasBackColor_ = v;
  ApplyLook();
}
void BevelButton::SetBackColor(Color v) {
  backColor_ = v;
  ApplyLook();
}
bool BevelButton::Value() const {
  auto* button = NativeAs<BevelButtonWidget>(*this);
  return button && button->isCheckable() ? button->isChecked() : value_;
}
void BevelButton::SetValue(bool v) {
  value_ = v;
  ApplyLook();
}
void BevelButton::SetButtonType(std::int32_t v) {
  buttonType_ = v;
  value_ = Value();
  ApplyLook();
}
void BevelButton::SetAcceptFocus(bool v) {
  acceptFocus_ = v;
  ApplyFocusPolicy();
}

void BevelButton::_Clicked() { RaiseInstanceEvent(*this, "Action"); }

// --- the plug-in members and the class table ----------------------------------

namespace {

// BevelButton's own properties, by kind: the class table's entries and the
// plug-in members are made from these tables. C is the class that declares
// the accessors (the text settings are TextStyled's).
template <class V, class A, class C = BevelButton>
struct Accessor {
  using Class = C;
  const char* name;
  V (C::*get)() const;
  void (C::*set)(A);
};

using B = BevelButton;
using T = TextStyled;

const std::array<Accessor<std::int32_t, std::int32_t>, 10> kInt32{{
    {"Bevel", &B::Bevel, &B::SetBevel},
    {"ButtonType", &B::ButtonType, &B::SetButtonType},
    {"CaptionAlign", &B::CaptionAlign, &B::SetCaptionAlign},
    {"CaptionDelta", &B::CaptionDelta, &B::SetCaptionDelta},
    {"CaptionPlacement", &B::CaptionPlacement, &B::SetCaptionPlacement},
    {"HasMenu", &B::HasMenu, &B::SetHasMenu},
    {"IconAlign", &B::IconAlign, &B::SetIconAlign},
    {"IconDX", &B::IconDX, &B::SetIconDX},
    {"IconDY", &B::IconDY, &B::SetIconDY},
    {"MenuValue", &B::MenuValue, &B::SetMenuValue},
}};
const std::array<Accessor<std::int32_t, std::int32_t, T>, 1> kTextInt32{{
    {"TextUnit", &T::TextUnit, &T::SetTextUnit},
}};
const std::array<Accessor<bool, bool>, 3> kBoolean{{
    {"AcceptFocus", &B::AcceptFocus, &B::SetAcceptFocus},
    {"HasBackColor", &B::HasBackColor, &B::SetHasBackColor},
    {"Value", &B::Value, &B::SetValue},
}};
const std::array<Accessor<bool, bool, T>, 3> kTextBoolean{{
    {"Bold", &T::Bold, &T::SetBold},
    {"Italic", &T::Italic, &T::SetItalic},
    {"Underline", &T::Underline, &T::SetUnderline},
}};
const std::array<Accessor<Color, Color>, 1> kColor{{
    {"BackColor", &B::BackColor, &B::SetBackColor},
}};
const std::array<Accessor<Color, Color, T>, 1> kTextColor{{
    {"TextColor", &T::TextColor, &T::SetTextColor},
}};
const std::array<Accessor<const std::string&, const std::string&>, 1> kString{{
    {"Caption", &B::Caption, &B::SetCaption},
}};
const std::array<Accessor<const std::string&, const std::string&, T>, 1> kTextString{{
    {"TextFont", &T::TextFont, &T::SetTextFont},
}};

template <class Table>
void AddEntries(std::vector<PropertyEntry>& out, const Table& table, const char* type) {
  for (auto& a : table) out.push_back(Property<BevelButton>(a.name, type, a.get, a.set));
}

template <class GetSig, class SetSig, class Table>
void Register(const Table& table) {
  for (auto& a : table) {
    using C = typename Table::value_type::Class;
    const std::string prefix = std::string("BevelButton.") + a.name;
    RuntimeRegisterPluginMember(prefix + ".Get", std::function<GetSig>([get = a.get](BevelButton& b) {
                                  return (static_cast<const C&>(b).*get)();
                                }));
    RuntimeRegisterPluginMember(prefix + ".Set", std::function<SetSig>([set = a.set](BevelButton& b, auto v) {
                                  (static_cast<C&>(b).*set)(v);
                                }));
  }
}

}  // namespace

void RegisterBevelButtonPluginMembers() {
  Register<plugin_sig::BevelInt32Get, plugin_sig::BevelInt32Set>(kInt32);
  Register<plugin_sig::BevelInt32Get, plugin_sig::BevelInt32Set>(kTextInt32);
  Register<plugin_sig::BevelBooleanGet, plugin_sig::BevelBooleanSet>(kBoolean);
  Register<plugin_sig::BevelBooleanGet, plugin_sig::BevelBooleanSet>(kTextBoolean);
  Register<plugin_sig::BevelColorGet, plugin_sig::BevelColorSet>(kColor);
  Register<plugin_sig::BevelColorGet, plugin_sig::BevelColorSet>(kTextColor);
  Register<plugin_sig::BevelStringGet, plugin_sig::BevelStringSet>(kString);
  Register<plugin_sig::BevelStringGet, plugin_sig::BevelStringSet>(kTextString);
}

const ClassTable* BevelButton::StaticClass() {
  static const ClassTable* table = [] {
    std::vector<PropertyEntry> properties;
    AddEntries(properties, kInt32, "i4");
    AddEntries(properties, kTextInt32, "i4");
    AddEntries(properties, kBoolean, "b");
    AddEntries(properties, kTextBoolean, "b");
    AddEntries(properties, kColor, "c");
    AddEntries(properties, kTextColor, "c");
    AddEntries(properties, kString, "s");
    AddEntries(properties, kTextString, "s");
    return RuntimeNewClass({
        .name = "BevelButton",
        .parent = RectControl::StaticClass(),
        .properties = std::move(properties),
        .factory = [] { return static_cast<Object*>(new BevelButton()); },
    });
  }();
  return table;
}
