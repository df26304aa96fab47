#pragma once
// Windows. A window is a top-level Qt window whose content area holds the
// controls at pixel positions; its size is the content area's. Window's
// class table carries its events (Layout, CreateControls, Activate, ...),
// which a subclass fills with its handlers; Window.Constructor builds the
// Qt window, raises Layout and CreateControls, and shows and activates the
// window when its Visible property says so. Every Qt event of the window
// that runs system code goes through RuntimeDispatch.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/class_entries.h"
#include "ui/menu.h"

class Control;
struct WindowNative;  // the Qt side (ui/window_qt.h)

class Window : public Object, public KeptValues {
 public:
  Window();
  ~Window() override;
  static const ClassTable* StaticClass();

  // Window.Constructor: builds the Qt window, registers it among the open
  // windows (the first window of each class is its implicit instance, the
  // first of the run the main window), raises Layout and CreateControls
  // through the class's event entries, and shows and activates it when
  // Visible is set. Raises for a window constructed twice.
  void Constructor();
  bool Constructed() const noexcept { return native_ != nullptr; }

  void Show();
  void Hide();
  // Closes the window as its close box does: raises Close; closing the main
  // window ends the application.
  void Close();
  // Redraws the window: now with True (at most about 60 times a second,
  // later calls are painted at the next event pass), at the next pass with False.
  void Refresh(bool now = false);

  // Window.__New: a new object of the class (storage zeroed, initialisers
  // run), not yet constructed; a control belongs to this window from now on.
  Ref<Object> __New(const ClassTable* table);
  // Window._AddControl: the window holds the object under the name from now
  // on; a pane child (an object that is no control, such as a timer) is
  // told its window through its class's _PaneChild interface.
  void _AddControl(const std::string& name, const Ref<Object>& control);
  std::int32_t ControlCount() const noexcept { return static_cast<std::int32_t>(controls_.size()); }
  const std::vector<std::pair<std::string, Ref<Object>>>& Controls() const noexcept { return controls_; }

  // Window.MenuBar.Set (window, 0, bar) and Get: the window shows the bar.
  void MenuBarSet(std::int32_t index, Ref<MenuBar> bar);
  Ref<MenuBar> MenuBarGet() const { return menuBar_; }

  // The window's block properties that it acts on (the others it only
  // keeps). Width and Height are the content area's.
  std::int32_t Width() const noexcept { return width_; }
  void SetWidth(std::int32_t v);
  std::int32_t Height() const noexcept { return height_; }
  void SetHeight(std::int32_t v);
  std::int32_t MinWidth() const noexcept { return minWidth_; }
  void SetMinWidth(std::int32_t v);
  std::int32_t MinHeight() const noexcept { return minHeight_; }
  void SetMinHeight(std::int32_t v);
  std::int32_t MaxWidth() const noexcept { return maxWidth_; }
  void SetMaxWidth(std::int32_t v);
  std::int32_t MaxHeight() const noexcept { return maxHeight_; }
  void SetMaxHeight(std::int32_t v);
  bool HasBackColor() const noexcept { return hasBackColor_; }
  void SetHasBackColor(bool v);
  Color BackColor() const noexcept { return backColor_; }
  void SetBackColor(Color v);
  const std::string& Title() const noexcept { return title_; }
  void SetTitle(const std::string& v);
  bool Visible() const;
  void SetVisible(bool v);
  bool MenuBarVisible() const noexcept { return menuBarVisible_; }
  void SetMenuBarVisible(bool v);
  bool CloseButton() const noexcept { return closeButton_; }
  void SetCloseButton(bool v);
  bool Resizeable() const noexcept { return resizeable_; }
  void SetResizeable(bool v);
  bool MaximizeButton() const noexcept { return maximizeButton_; }
  void SetMaximizeButton(bool v);
  bool MinimizeButton() const noexcept { return minimizeButton_; }
  void SetMinimizeButton(bool v);
  // Set by the system when the window's document changed; cleared by Constructor.
  bool ContentsChanged() const noexcept { return contentsChanged_; }
  void SetContentsChanged(bool v) noexcept { contentsChanged_ = v; }

  // Whether the platform counts the window as the active one (it raised
  // Activate and no Deactivate since).
  bool IsActive() const noexcept { return active_; }
  bool IsMainWindow() const noexcept;

  // The Qt side, none before Constructor.
  WindowNative* Native() const noexcept { return native_.get(); }

  // Called by the Qt side, each inside RuntimeDispatch.
  void OnActivated();
  void OnDeactivated();
  void OnCloseRequested();
  // Recomputes the keyboard focus order from the controls' TabIndex.
  void UpdateTabOrder();
  // Controls made by __New register here so that they learn when the window ends.
  void AdoptControl(Control& control);
  void ForgetControl(Control& control) noexcept;
  // Lets go of every control and the Qt window (the window has ended).
  void Dispose() noexcept;

 private:
  void ApplySizeLimits();
  void ApplyFlags();
  void ApplyBackground();
  void ShowNow();

  std::unique_ptr<WindowNative> native_;
  std::vector<std::pair<std::string, Ref<Object>>> controls_;
  std::vector<Control*> adopted_;  // not owned: controls made by __New
  Ref<MenuBar> menuBar_;

  std::int32_t width_ = 300, height_ = 300;
  std::int32_t minWidth_ = 64, minHeight_ = 64, maxWidth_ = 32000, maxHeight_ = 32000;
  bool hasBackColor_ = false;
  Color backColor_{255, 255, 255};
  std::string title_;
  bool visible_ = true, menuBarVisible_ = true, closeButton_ = true;
  bool resizeable_ = true, maximizeButton_ = true, minimizeButton_ = true;
  bool contentsChanged_ = false, active_ = false, shown_ = false, constructed_ = false;
};

// The first object that the window holds under the name, or none.
Ref<Object> RuntimeWindowControlByName(const Window& window, std::string_view name);

// The framework's window lists: the implicit instance of each window class
// (the first window of the class constructed), and the open windows.
// The implicit instance of the class of that name, or none.
Ref<Window> _GetImplicitWindow(std::string_view className);
// The open windows in the order they were constructed.
std::vector<Ref<Window>> RuntimeOpenWindows();
// Creates the list of open windows (process start-up, after Window's class).
void RuntimeCreateWindowLists();
// Releases the lists: every listed window ends (its controls and its Qt
// window are let go), in the order implicit windows, open windows.
void RuntimeReleaseWindowLists();

// Shows the menu bar in the window's Qt window (platform/ui/window_menubar.cpp).
void AttachMenuBarToWindow(Window& window, const Ref<MenuBar>& bar);
