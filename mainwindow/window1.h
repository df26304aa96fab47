#pragma once
// Window1, the application's one main window: its run state, its window
// events (Layout, CreateControls, Activate), the 29 controls it makes, the
// field rules and the preview painting, the menu-item accessors, and the
// engine's handlers and helper methods.
#include <cstdint>
#include <string>

#include "files/folder_item.h"
#include "media/effect.h"
#include "media/movie.h"
#include "media/picture.h"
#include "runtime/values.h"
#include "ui/controls.h"
#include "ui/menu.h"

class Window1 : public Window {
 public:
  class Timer1;  // the class of the control Timer1 (mainwindow/timer1.h)

  static const ClassTable* __Lookup();
  static void __ctblinit();
  static void __Init(Window1& window);
  static void __Exit(Window1& window);

  // The window's own events.
  void Layout();
  void CreateControls();
  void _CreateControls0();
  void Event_Activate();

  // Control handlers. Those that act on the control that raised the event
  // ("me") take it first.
  void BevelButton1_Action();
  void fadetext_TextChange(TextField& me);
  void BevelButton2_Action();
  void Timer1_Action();
  void BevelButton3_Action();
  void BevelButton4_Action();
  bool sourcefps_KeyDown(TextField& me, const std::string& key);
  void stilltext_TextChange(TextField& me);
  void Canvas1_Paint(Canvas& me, Graphics& g);
  void BevelButton6_Action();

  // The items of the window's menu bar, by Name; none for a Name the bar
  // lacks. NilObjectException when the window has no menu bar.
  Ref<MenuItem> UntitledMenu0();
  Ref<MenuItem> EditClear();
  Ref<MenuItem> EditPaste();
  Ref<MenuItem> EditCopy();
  Ref<MenuItem> EditCut();
  Ref<MenuItem> UntitledMenu1();
  Ref<MenuItem> EditUndo();
  Ref<MenuItem> UntitledMenu2();
  Ref<QuitMenuItem> FileQuit();
  Ref<MenuItem> UntitledMenu3();

  // The video fade run of a "start fading" click, with the click's values.
  void videofade(std::int32_t stillframes, std::int32_t fadeframes, std::int32_t sourcerate);

  // The frame file name of a frame number ("000001.jpg").
  std::string bildname(std::int32_t frame);
  // A new picture: the source less the four margins.
  Ref<Picture> croppicture(const Ref<Picture>& source, std::int32_t top, std::int32_t bottom, std::int32_t left,
                           std::int32_t right);

  // The run state, in declaration order.
  Ref<StringArray> WipeEffects;
  Ref<FolderItem> destfolder;
  Ref<FolderItem> sourcefolder;
  std::int32_t tflag = 0;
  std::int32_t fcnter = 0;
  std::int32_t itemIdx = 0;
  std::int32_t cnt = 0;
  Ref<QTEffect> theEffect;
  Ref<QTEffectSequence> sequence;
  Ref<EditableMovie> sourcevideo;
  std::int32_t firstflag = 0;
};

// The accessor of the implicit instance (Window1.Window1): the main window,
// made and shown when there is none yet; a reference of the caller's own.
Ref<Window1> Window1Accessor();

// The bundle picture "if_k100.png", loaded on first use and held for the
// rest of the process; none when it could not be loaded (the next call
// tries again).
Ref<Picture> if_k100();
