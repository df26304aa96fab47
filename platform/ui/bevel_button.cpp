#include "ui/bevel_button.h"

#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <array>
#include <functional>
#include <type_traits>

#include "plugin_signatures.h"
#include "runtime/plugins.h"
#include "runtime/runtime.h"
#include "ui/control_qt.h"

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
      OnClicked();
    });
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
void BevelButton::SetAcceptFocus(bool v) {
  acceptFocus_ = v;
  ApplyFocusPolicy();
}

void BevelButton::OnClicked() { RaiseInstanceEvent(*this, "Action"); }

// --- the class table and the plug-in members ---------------------------------

const ClassTable* BevelButton::StaticClass() {
  using B = BevelButton;
  static const ClassTable* table = RuntimeNewClass({
      .name = "BevelButton",
      .parent = RectControl::StaticClass(),
      .properties = WithTextStyleProperties({
          Property("AcceptFocus", "b", &B::AcceptFocus, &B::SetAcceptFocus),
          Property("BackColor", "c", &B::BackColor, &B::SetBackColor),
          KeptProperty("Bevel", "i4", std::int32_t{0}),  // 0 small, 1 normal, 2 large
          KeptProperty("ButtonType", "i4", std::int32_t{0}),  // 0 push, 1 toggles, 2 sticks
          Property("Caption", "s", &B::Caption, &B::SetCaption),
          Property("CaptionAlign", "i4", &B::CaptionAlign, &B::SetCaptionAlign),
          KeptProperty("CaptionDelta", "i4", std::int32_t{0}),
          KeptProperty("CaptionPlacement", "i4", std::int32_t{1}),  // relative to the icon
          Property("HasBackColor", "b", &B::HasBackColor, &B::SetHasBackColor),
          KeptProperty("HasMenu", "i4", std::int32_t{0}),
          KeptProperty("IconAlign", "i4", std::int32_t{0}),
          KeptProperty("IconDX", "i4", std::int32_t{0}),
          KeptProperty("IconDY", "i4", std::int32_t{0}),
          KeptProperty("MenuValue", "i4", std::int32_t{0}),
          KeptProperty("Value", "b", false),  // the state of a toggling button
      }),
      .factory = [] { return static_cast<Object*>(new BevelButton()); },
  });
  return table;
}

namespace {

// The getter and setter of one property as plug-in members: they go
// through the property's class-table entry.
template <class GetSig, class SetSig>
void RegisterAccessors(const PropertyEntry& property) {
  using V = std::remove_cvref_t<std::invoke_result_t<GetSig, BevelButton&>>;
  const std::string prefix = "BevelButton." + property.name;
  RuntimeRegisterPluginMember(prefix + ".Get", std::function<GetSig>([&property](BevelButton& b) {
                                return class_entries::Kind<V>::From(property.getter(b));
                              }));
  RuntimeRegisterPluginMember(prefix + ".Set", std::function<SetSig>([&property](BevelButton& b, const auto& v) {
                                property.setter(b, class_entries::Kind<V>::To(v));
                              }));
}

}  // namespace

void RegisterBevelButtonPluginMembers() {
  // The class's own entries (those after RectControl's), which live as long
  // as the table.
  const auto& all = BevelButton::StaticClass()->Properties();
  for (auto p = all.begin() + static_cast<std::ptrdiff_t>(RectControl::StaticClass()->Properties().size());
       p != all.end(); ++p) {
    if (p->type == "i4") RegisterAccessors<plugin_sig::BevelInt32Get, plugin_sig::BevelInt32Set>(*p);
    else if (p->type == "b") RegisterAccessors<plugin_sig::BevelBooleanGet, plugin_sig::BevelBooleanSet>(*p);
    else if (p->type == "c") RegisterAccessors<plugin_sig::BevelColorGet, plugin_sig::BevelColorSet>(*p);
    else RegisterAccessors<plugin_sig::BevelStringGet, plugin_sig::BevelStringSet>(*p);
  }
}
