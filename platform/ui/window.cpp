#include "ui/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QTimer>
#include <algorithm>

#include "runtime/runtime.h"
#include "runtime/trace.h"
#include "ui/control.h"
#include "ui/control_qt.h"
#include "ui/window_qt.h"

namespace {

// The framework's window lists.
struct WindowLists {
  bool created = false;
  std::vector<Ref<Window>> implicit;  // the first window of each class
  std::vector<Ref<Window>> open;      // in the order they were constructed
  Window* main = nullptr;             // the first window of the run
};

WindowLists& Lists() {
  static WindowLists lists;
  return lists;
}

void RegisterWindow(Window& window) {
  auto& l = Lists();
  if (!l.created) RuntimeCreateWindowLists();
  l.open.emplace_back(&window);
  const std::string& cls = window.Class() ? window.Class()->Name() : std::string();
  if (!_GetImplicitWindow(cls)) l.implicit.emplace_back(&window);
  if (!l.main) l.main = &window;
}

void UnregisterWindow(Window& window) {
  auto& l = Lists();
  auto drop = [&](std::vector<Ref<Window>>& list) {
    std::erase_if(list, [&](const Ref<Window>& w) { return w.get() == &window; });
  };
  if (l.main == &window) l.main = nullptr;
  // Keep the window alive while it is taken out of both lists.
  Ref<Window> keep(&window);
  drop(l.implicit);
  drop(l.open);
}

int ClampSize(std::int32_t v) { return std::clamp<std::int32_t>(v, 0, QWIDGETSIZE_MAX); }

}  // namespace

// --- the Qt side ------------------------------------------------------------

bool WindowFrame::event(QEvent* event) {
  if (owner_) {
    Window* owner = owner_;
    if (event->type() == QEvent::WindowActivate)
      RuntimeDispatch([owner] {
        Ref<Window> keep(owner);
        owner->OnActivated();
      });
    else if (event->type() == QEvent::WindowDeactivate)
      RuntimeDispatch([owner] {
        Ref<Window> keep(owner);
        owner->OnDeactivated();
      });
  }
  return QMainWindow::event(event);
}

void WindowFrame::closeEvent(QCloseEvent* event) {
  if (Window* owner = owner_)
    RuntimeDispatch([owner] {
      Ref<Window> keep(owner);
      owner->OnCloseRequested();
    });
  event->accept();
}

// --- Window -----------------------------------------------------------------

Window::Window() = default;

Window::~Window() { Dispose(); }

void Window::Constructor() {
  if (native_) throw RuntimeException("RuntimeException", "the window \"" + title_ + "\" is already constructed");
  auto native = std::make_unique<WindowNative>();
  native->frame = std::make_unique<WindowFrame>(*this);
  native->content = new QWidget(native->frame.get());
  native->frame->setCentralWidget(native->content);
  native->frame->setWindowTitle(ToQString(title_));
  native_ = std::move(native);
  contentsChanged_ = false;
  ApplyFlags();
  ApplySizeLimits();
  ApplyBackground();
  if (menuBar_) MenuBarSet(0, menuBar_);
  RegisterWindow(*this);

  RuntimeRaiseClassEvent(*this, "Layout");
  RuntimeRaiseClassEvent(*this, "CreateControls");
  constructed_ = true;
  UpdateTabOrder();
  RuntimeRaiseClassEvent(*this, "Open");
  if (visible_) ShowNow();
}

void Window::ShowNow() {
  if (!native_) return;
  WindowFrame& frame = *native_->frame;
  const bool first = !shown_;
  shown_ = true;
  ApplyFlags();
  frame.show();
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) frame.raise();  // it has no stacking
  frame.activateWindow();
  if (first) {
    // The first showing counts as an activation even where the window
    // system does not hand the window the focus, so that Activate arrives
    // before the user can act; a real activation that follows is the same one.
    QTimer::singleShot(0, &frame, [this] {
      RuntimeDispatch([this] {
        Ref<Window> keep(this);
        if (visible_) OnActivated();
      });
    });
  }
}

void Window::Show() {
  visible_ = true;
  if (constructed_) ShowNow();
}

void Window::Hide() {
  visible_ = false;
  if (native_) native_->frame->hide();
}

void Window::Close() {
  if (native_) native_->frame->close();
  else OnCloseRequested();
}

void Window::Refresh(bool now) {
  if (!native_) return;
  WindowFrame& frame = *native_->frame;
  QElapsedTimer& last = native_->lastRepaint;
  if (now && (!last.isValid() || last.elapsed() >= 15)) {
    frame.repaint();
    last.restart();
  } else {
    frame.update();
  }
}

Ref<Object> Window::__New(const ClassTable* table) {
  Ref<Object> object = RuntimeNewObject(table);
  if (auto* control = dynamic_cast<::Control*>(object.get())) AdoptControl(*control);
  return object;
}

void Window::_AddControl(const std::string& name, const Ref<Object>& control) {
  if (!control) RaiseNilObjectException("the control to add as \"" + name + "\"");
  controls_.emplace_back(name, control);
  if (auto* events = dynamic_cast<InstanceEventTarget*>(control.get())) events->SetEventSourceName(name);
  const ClassTable* cls = control->Class();
  if (auto* c = dynamic_cast<::Control*>(control.get())) {
    if (c->window_ != this) AdoptControl(*c);
  } else if (const InterfaceRecord* pane = cls ? cls->FindInterface("_PaneChild") : nullptr) {
    // A pane child learns its window before any of its events can arrive.
    if (const MethodFunction* setWindow = pane->Find("_SetWindow")) {
      const Variant args[] = {Ref<Object>(this)};
      (*setWindow)(*control, args);
    }
  }
  if (constructed_) UpdateTabOrder();
}

void Window::MenuBarSet(std::int32_t, Ref<MenuBar> bar) {
  menuBar_ = std::move(bar);
  if (!native_) return;  // attached by Constructor
  AttachMenuBarToWindow(*this, menuBar_);
  SetMenuBarVisible(menuBarVisible_);
}

// --- properties -------------------------------------------------------------

void Window::SetWidth(std::int32_t v) {
  width_ = v;
  ApplySizeLimits();
}
void Window::SetHeight(std::int32_t v) {
  height_ = v;
  ApplySizeLimits();
}
void Window::SetMinWidth(std::int32_t v) {
  minWidth_ = v;
  ApplySizeLimits();
}
void Window::SetMinHeight(std::int32_t v) {
  minHeight_ = v;
  ApplySizeLimits();
}
void Window::SetMaxWidth(std::int32_t v) {
  maxWidth_ = v;
  ApplySizeLimits();
}
void Window::SetMaxHeight(std::int32_t v) {
  maxHeight_ = v;
  ApplySizeLimits();
}
void Window::SetHasBackColor(bool v) {
  hasBackColor_ = v;
  ApplyBackground();
}
void Window::SetBackColor(Color v) {
  backColor_ = v;
  ApplyBackground();
}
void Window::SetTitle(const std::string& v) {
  title_ = v;
  if (native_) native_->frame->setWindowTitle(ToQString(v));
}
bool Window::Visible() const { return visible_; }
void Window::SetVisible(bool v) {
  if (!constructed_) visible_ = v;  // Constructor shows the window
  else if (v) Show();
  else Hide();
}
void Window::SetMenuBarVisible(bool v) {
  menuBarVisible_ = v;
  if (native_ && native_->frame->menuWidget()) native_->frame->menuWidget()->setVisible(v);
}
void Window::SetCloseButton(bool v) {
  closeButton_ = v;
  ApplyFlags();
}
void Window::SetResizeable(bool v) {
  resizeable_ = v;
  ApplyFlags();
  ApplySizeLimits();
}
void Window::SetMaximizeButton(bool v) {
  maximizeButton_ = v;
  ApplyFlags();
}
void Window::SetMinimizeButton(bool v) {
  minimizeButton_ = v;
  ApplyFlags();
}

bool Window::IsMainWindow() const noexcept { return Lists().main == this; }

QWidget* MainWindowFrame() { return Lists().main ? WindowQMainWindow(*Lists().main) : nullptr; }

void Window::ApplySizeLimits() {
  if (!native_) return;
  WindowFrame& frame = *native_->frame;
  QWidget& content = *native_->content;
  const int w = std::max(1, ClampSize(width_)), h = std::max(1, ClampSize(height_));
  if (!resizeable_) {
    content.setFixedSize(w, h);
    frame.layout()->setSizeConstraint(QLayout::SetFixedSize);
    return;
  }
  frame.layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
  frame.setMinimumSize(0, 0);
  frame.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  const int minW = ClampSize(minWidth_), minH = ClampSize(minHeight_);
  content.setMinimumSize(minW, minH);
  content.setMaximumSize(std::max(minW, ClampSize(maxWidth_)), std::max(minH, ClampSize(maxHeight_)));
  const int menu = frame.menuWidget() && frame.menuWidget()->isVisibleTo(&frame)
                       ? frame.menuWidget()->sizeHint().height()
                       : 0;
  frame.resize(w, h + menu);
  content.resize(w, h);
}

void Window::ApplyFlags() {
  if (!native_) return;
  WindowFrame& frame = *native_->frame;
  // A document window, the one frame the windows here have.
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  if (closeButton_) flags |= Qt::WindowCloseButtonHint;
  if (minimizeButton_) flags |= Qt::WindowMinimizeButtonHint;
  if (maximizeButton_ && resizeable_) flags |= Qt::WindowMaximizeButtonHint;
  if (frame.windowFlags() == flags) return;
  const bool wasVisible = frame.isVisible();
  frame.setWindowFlags(flags);
  if (wasVisible) frame.show();  // changing the flags hides a window
}

void Window::ApplyBackground() {
  if (!native_) return;
  QWidget& content = *native_->content;
  content.setAutoFillBackground(hasBackColor_);
  if (hasBackColor_) SetPaletteColor(content, QPalette::Window, ToQColor(backColor_));
  else content.setPalette(QPalette());
}

// --- events from the Qt side ------------------------------------------------

void Window::OnActivated() {
  if (active_) return;
  active_ = true;
  RuntimeRaiseClassEvent(*this, "Activate");
}

void Window::OnDeactivated() {
  if (!active_) return;
  active_ = false;
  RuntimeRaiseClassEvent(*this, "Deactivate");
}

void Window::OnCloseRequested() {
  RuntimeRaiseClassEvent(*this, "Close");
  visible_ = false;
  if (IsMainWindow()) {
    // There is no application without its main window.
    RuntimeRequestQuit();
    return;
  }
  // Another window ends once the event that closed it is over.
  QTimer::singleShot(0, [window = Ref<Window>(this)] {
    RuntimeDispatch([&] {
      UnregisterWindow(*window);
      window->Dispose();
    });
  });
}

void Window::UpdateTabOrder() {
  if (!constructed_) return;
  std::vector<RectControl*> order;
  for (auto& [name, object] : controls_)
    if (auto* rc = dynamic_cast<RectControl*>(object.get()))
      if (QWidget* w = RectControlWidget(*rc); w && (w->focusPolicy() & Qt::TabFocus)) order.push_back(rc);
  std::stable_sort(order.begin(), order.end(),
                   [](RectControl* a, RectControl* b) { return a->TabIndex() < b->TabIndex(); });
  for (std::size_t i = 1; i < order.size(); ++i)
    QWidget::setTabOrder(RectControlWidget(*order[i - 1]), RectControlWidget(*order[i]));
}

void Window::AdoptControl(::Control& control) {
  if (control.window_ == this) return;
  if (control.window_) control.window_->ForgetControl(control);
  control.window_ = this;
  adopted_.push_back(&control);
}

void Window::ForgetControl(::Control& control) noexcept {
  std::erase(adopted_, &control);
  if (control.window_ == this) control.window_ = nullptr;
}

void Window::Dispose() noexcept {
  // The controls go first: their widgets live inside the Qt window.
  auto controls = std::move(controls_);
  controls_.clear();
  controls.clear();
  for (::Control* c : std::exchange(adopted_, {})) c->window_ = nullptr;
  menuBar_.Reset();
  if (native_) {
    native_->frame->Detach();
    native_.reset();
  }
  constructed_ = false;
  active_ = false;
}

// --- the window lists -------------------------------------------------------

Ref<Object> RuntimeWindowControlByName(const Window& window, std::string_view name) {
  for (auto& [held, control] : window.Controls())
    if (held == name) return control;
  return {};
}

Ref<Window> _GetImplicitWindow(std::string_view className) {
  for (auto& w : Lists().implicit)
    if (w->Class() && w->Class()->Name() == className) return w;
  return {};
}

std::vector<Ref<Window>> RuntimeOpenWindows() { return Lists().open; }

void RuntimeCreateWindowLists() {
  auto& l = Lists();
  if (l.created) return;
  l.created = true;
  RuntimeTrace("window lists created");
}

void RuntimeReleaseWindowLists() {
  auto& l = Lists();
  l.main = nullptr;
  auto implicit = std::exchange(l.implicit, {});
  implicit.clear();
  auto open = std::exchange(l.open, {});
  for (auto& w : open) w->Dispose();
  open.clear();
  l.created = false;
}
