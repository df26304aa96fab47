#include "ui/canvas.h"

#include <QPaintEvent>
#include <QWidget>
#include <array>

#include "media/picture_qt.h"
#include "runtime/runtime.h"
#include "ui/canvas_qt.h"
#include "ui/control_qt.h"

void PainterGraphics::DrawPlacement(const Picture& source, const Placement& placement) {
  if (!painter_) RaiseNilObjectException("the canvas's graphics, used after its Paint event");
  PaintPlacement(*painter_, source, placement);
}

namespace {

constexpr std::array<std::string_view, 1> kEvents{"Paint"};

class CanvasWidget : public QWidget {
 public:
  CanvasWidget(QWidget* parent, std::function<void(QPainter&)> paint) : QWidget(parent), paint_(std::move(paint)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    paint_(painter);
  }

 private:
  std::function<void(QPainter&)> paint_;
};

}  // namespace

std::span<const std::string_view> Canvas::InstanceEvents() const { return kEvents; }

void Canvas::MakeWidget(NativeWidget& native) {
  native.widget = new CanvasWidget(native.parent, [this](QPainter& painter) {
    RuntimeDispatch([this, &painter] {
      Ref<Canvas> keep(this);
      QWidget* widget = RectControlWidget(*this);
      if (!widget) return;
      Ref<PainterGraphics> g = New<PainterGraphics>(painter, widget->width(), widget->height());
      struct EndPaint {
        PainterGraphics& g;
        ~EndPaint() { g.End(); }
      } end{*g};
      if (!InstalledHandler("Paint")) {
        if (backdrop_) g->DrawPicture(backdrop_, 0, 0, widget->width(), widget->height(), 0, 0, backdrop_->Width(),
                                      backdrop_->Height());
        return;
      }
      const Variant args[] = {Ref<Object>(g)};
      RaiseInstanceEvent(*this, "Paint", args);
    });
  });
}

void Canvas::ApplyAll() {
  RectControl::ApplyAll();
  if (QWidget* w = RectControlWidget(*this)) w->setAutoFillBackground(eraseBackground_);
}

void Canvas::SetBackdrop(Ref<Picture> picture) {
  backdrop_ = std::move(picture);
  if (QWidget* w = RectControlWidget(*this)) w->update();
}

void Canvas::SetAcceptFocus(bool v) {
  acceptFocus_ = v;
  ApplyFocusPolicy();
}

void Canvas::SetEraseBackground(bool v) {
  eraseBackground_ = v;
  if (QWidget* w = RectControlWidget(*this)) w->setAutoFillBackground(v);
}

const ClassTable* Canvas::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Canvas",
      .parent = RectControl::StaticClass(),
      .properties =
          {
              Property("Backdrop", "o<Picture>", &Canvas::Backdrop, &Canvas::SetBackdrop),
              KeptProperty("UseFocusRing", "b", true),  // Qt's style draws its own focus frame
              Property("AcceptFocus", "b", &Canvas::AcceptFocus, &Canvas::SetAcceptFocus),
              KeptProperty("AcceptTabs", "b", false),
              KeptProperty("DoubleBuffer", "b", false),  // Qt paints through a back buffer anyway
              Property("EraseBackground", "b", &Canvas::EraseBackground, &Canvas::SetEraseBackground),
          },
      .factory = [] { return static_cast<Object*>(new Canvas()); },
  });
  return table;
}
