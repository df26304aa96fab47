#include "ui/text_field.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <array>

#include "runtime/runtime.h"
#include "ui/control_qt.h"

namespace {

constexpr std::array<std::string_view, 2> kEvents{"TextChange", "KeyDown"};

// The key as the KeyDown handler receives it: the character typed, or the
// control character that stands for an editing or arrow key; empty for a
// key that is neither (a modifier alone, a function key).
std::string KeyText(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Backspace: return "\x08";
    case Qt::Key_Tab: case Qt::Key_Backtab: return "\t";
    case Qt::Key_Return: return "\r";
    case Qt::Key_Enter: return "\x03";
    case Qt::Key_Escape: return "\x1b";
    case Qt::Key_Delete: return "\x7f";
    case Qt::Key_Left: return "\x1c";
    case Qt::Key_Right: return "\x1d";
    case Qt::Key_Up: return "\x1e";
    case Qt::Key_Down: return "\x1f";
    case Qt::Key_Home: return "\x01";
    case Qt::Key_End: return "\x04";
    case Qt::Key_PageUp: return "\x0b";
    case Qt::Key_PageDown: return "\x0c";
    default: return FromQString(event.text());
  }
}

// Sees every key before the field applies it.
class KeyDownFilter : public QObject {
 public:
  KeyDownFilter(TextField& field, QLineEdit& line) : QObject(&line), field_(field) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto& key = static_cast<QKeyEvent&>(*event);
    const std::string text = KeyText(key);
    if (text.empty()) return false;
    bool withhold = false;
    RuntimeDispatch([&] {
      Ref<TextField> keep(&field_);
      withhold = field_.OnKeyDown(text);
    });
    return withhold;
  }

 private:
  TextField& field_;
};

Qt::Alignment FieldAlignment(std::int32_t alignment) {
  switch (alignment) {
    case 2: return Qt::AlignHCenter;
    case 3: return Qt::AlignRight;
    default: return Qt::AlignLeft;  // 0 default, 1 left
  }
}

}  // namespace

std::span<const std::string_view> TextField::InstanceEvents() const { return kEvents; }

void TextField::MakeWidget(NativeWidget& native) {
  auto* line = new QLineEdit(native.parent);
  native.widget = line;
  line->installEventFilter(new KeyDownFilter(*this, *line));
  QObject::connect(line, &QLineEdit::textChanged, line, [this] {
    RuntimeDispatch([this] {
      Ref<TextField> keep(this);
      OnTextChanged();
    });
  });
}

void TextField::ApplyAll() {
  RectControl::ApplyAll();
  ApplyLook();
  TextStyleChanged();
  if (auto* line = NativeAs<QLineEdit>(*this)) line->setText(ToQString(text_));
}

void TextField::ApplyLook() {
  auto* line = NativeAs<QLineEdit>(*this);
  if (!line) return;
  line->setPlaceholderText(ToQString(cueText_));
  line->setAlignment(FieldAlignment(alignment_) | Qt::AlignVCenter);
  line->setFrame(border_);
  line->setEchoMode(password_ ? QLineEdit::Password : QLineEdit::Normal);
  line->setReadOnly(readOnly_);
  SetPaletteColor(*line, QPalette::Base, ToQColor(backColor_));
}

void TextField::TextStyleChanged() {
  if (auto* line = NativeAs<QLineEdit>(*this)) ApplyTextStyle(*line, Style(), QPalette::Text);
}

std::string TextField::Text() const {
  auto* line = NativeAs<QLineEdit>(*this);
  return line ? FromQString(line->text()) : text_;
}

void TextField::SetText(const std::string& v) {
  text_ = v;
  // Qt raises the change (and so TextChange) when the text differs.
  if (auto* line = NativeAs<QLineEdit>(*this)) line->setText(ToQString(v));
}

void TextField::SetCueText(const std::string& v) {
  cueText_ = v;
  ApplyLook();
}
void TextField::SetAlignment(std::int32_t v) {
  alignment_ = v;
  ApplyLook();
}
void TextField::SetBorder(bool v) {
  border_ = v;
  ApplyLook();
}
void TextField::SetPassword(bool v) {
  password_ = v;
  ApplyLook();
}
void TextField::SetBackColor(Color v) {
  backColor_ = v;
  ApplyLook();
}
void TextField::SetReadOnly(bool v) {
  readOnly_ = v;
  ApplyLook();
}

void TextField::OnTextChanged() {
  if (auto* line = NativeAs<QLineEdit>(*this)) text_ = FromQString(line->text());
  RaiseInstanceEvent(*this, "TextChange");
}

bool TextField::OnKeyDown(const std::string& key) {
  const Variant args[] = {key};
  Variant result = RaiseInstanceEvent(*this, "KeyDown", args);
  const bool* withhold = std::get_if<bool>(&result);
  return withhold && *withhold;
}

const ClassTable* TextField::StaticClass() {
  using T = TextField;
  static const ClassTable* table = RuntimeNewClass({
      .name = "TextField",
      .parent = RectControl::StaticClass(),
      .properties = WithTextStyleProperties({
          Property("Text", "s", &T::Text, &T::SetText),
          Property("CueText", "s", &T::CueText, &T::SetCueText),
          Property("Alignment", "i4", &T::Alignment, &T::SetAlignment),
          Property("Border", "b", &T::Border, &T::SetBorder),
          Property("Password", "b", &T::Password, &T::SetPassword),
          KeptProperty("UseFocusRing", "b", true),  // Qt's style draws its own focus frame
          Property("BackColor", "c", &T::BackColor, &T::SetBackColor),
          // A display format for numbers and an input mask: the text is shown
          // and taken as typed.
          KeptProperty("Format", "s", std::string()),
          KeptProperty("Mask", "s", std::string()),
          Property("ReadOnly", "b", &T::ReadOnly, &T::SetReadOnly),
          // A limit on the text's length, and tabs typed into the field
          // (the tab key moves the focus; typing is not limited).
          KeptProperty("LimitText", "i4", std::int32_t{0}),
          KeptProperty("AcceptTabs", "b", false),
          // A database binding (no database here).
          KeptProperty("DataSource", "s", std::string()),
          KeptProperty("DataField", "s", std::string()),
          Property("TextSize", "f4", &T::TextSize, &T::SetTextSize),
      }),
      .factory = [] { return static_cast<Object*>(new TextField()); },
  });
  return table;
}
