// The class Window1: its class table as the platform reads it, a new
// window's run state, its accessors, and the end of the window when it is
// closed.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTimer>
#include <map>

#include "runtime/runtime.h"
#include "support/app_fixture.h"
#include "ui/window_qt.h"

using namespace app_test;

namespace {

template <class Entries>
std::vector<std::string> Names(const Entries& entries, std::size_t from = 0) {
  std::vector<std::string> names;
  for (std::size_t i = from; i < entries.size(); ++i) names.push_back(entries[i].name);
  return names;
}

const std::vector<std::string> kControlNames = {
    "ProgressBar1", "BevelButton1", "fadetext",     "StaticText1", "BevelButton2", "Timer1",       "BevelButton3",
    "BevelButton4", "StaticText2",  "sourcefps",    "StaticText3", "stilltext",    "StaticText4",  "Canvas1",
    "StaticText12", "StaticText5",  "StaticText6",  "fps",         "StaticText7",  "BevelButton6", "ftop",
    "fbottom",      "fleft",        "fright",       "StaticText8", "StaticText9",  "StaticText10", "StaticText11",
    "TextField1"};

// The class's own operations after the control entries, with their signatures.
const std::vector<std::pair<std::string, std::string>> kOwnOperations = {
    {"BevelButton1_Action", "%%"},
    {"fadetext_TextChange", "%%"},
    {"BevelButton2_Action", "%%"},
    {"Timer1_Action", "%%"},
    {"BevelButton3_Action", "%%"},
    {"BevelButton4_Action", "%%"},
    {"sourcefps_KeyDown", "%b%s"},
    {"stilltext_TextChange", "%%"},
    {"Canvas1_Paint", "%%o<Graphics>"},
    {"BevelButton6_Action", "%%"},
    {"UntitledMenu0", "%o<MenuItem>%"},
    {"EditClear", "%o<MenuItem>%"},
    {"EditPaste", "%o<MenuItem>%"},
    {"EditCopy", "%o<MenuItem>%"},
    {"EditCut", "%o<MenuItem>%"},
    {"UntitledMenu1", "%o<MenuItem>%"},
    {"EditUndo", "%o<MenuItem>%"},
    {"UntitledMenu2", "%o<MenuItem>%"},
    {"FileQuit", "%o<QuitMenuItem>%"},
    {"UntitledMenu3", "%o<MenuItem>%"},
    {"Event_Activate", "%%"},
    {"bildname", "%s%i4"},
    {"croppicture", "%o<Picture>%o<Picture>i4i4i4i4"},
};

const std::vector<std::string> kWindowSlots = {
    "Show",         "ShowWithin",        "ShowModalWithin",   "Hide",
    "Close",        "Refresh",           "RefreshRect",       "ShowModal",
    "NewDragItem",  "AcceptTextDrop",    "AcceptPictureDrop", "AcceptFileDrop",
    "AcceptMacDataDrop", "AcceptRawDataDrop", "Control",      "SetFocus",
    "DrawInto",     "_DrawBackground",   "UpdateNow",         "_AddControl",
    "_AddMenuHandler", "Window",         "Operator_Convert",  "__New",
    "_Move",        "Maximize",          "Minimize",          "Restore",
    "_Update",      "_CallMoved",        "_EnableMenuItems",  "_CallActivated",
    "_CallDeactivated", "_HandleMenuCommand", "_UnifiedClose", "_CallMouseDown",
    "_CallResized", "_CallResizing",     "_RemoveControl",    "_MouseEnter",
    "_MouseExit",   "_MouseMove",        "_Paint",            "_MouseWheel",
    "_KeyDown",     "__DependencyList",  "Constructor",       "TrueWindow",
    "FocusNext",    "FocusPrevious"};

const std::vector<std::string> kWindowEvents = {
    "Layout",    "CreateControls", "AddMenuHandlers", "SetupBindings", "Open",       "Close",
    "CancelClose", "KeyDown",      "KeyUp",           "MouseMove",     "MouseEnter", "MouseExit",
    "Paint",     "MouseDown",      "MouseDrag",       "MouseUp",       "EnableMenuItems", "Resized",
    "Resizing",  "Moved",          "DropObject",      "Activate",      "Deactivate", "Minimize",
    "Maximize",  "Restore",        "MouseWheel",      "ConstructContextualMenu", "ContextualMenuAction",
    "DragEnter", "DragExit",       "DragOver",        "ContentsChanged"};

Ref<Window1> NewWindow1() {
  return RuntimeCheckCastAs<Window1>(RuntimeNewObject(Window1::__Lookup()), Window1::__Lookup());
}

}  // namespace

TEST(Window1Class, MethodEntriesInOrderWithSignaturesAndAttributes) {
  const ClassTable* cls = Window1::__Lookup();
  const ClassTable* window = Window::StaticClass();
  EXPECT_EQ(cls->Name(), "Window1.Window1");
  EXPECT_EQ(cls->Parent(), window);
  EXPECT_EQ(cls->ClassAttributes(), (Attributes{{"__Scope", "Public"}}));
  ASSERT_EQ(cls->Methods().size(), window->Methods().size() + 55);
  EXPECT_EQ(Names(cls->Methods()).front(), window->Methods().front().name) << "Window's entries come first";

  const std::size_t own = window->Methods().size();
  std::vector<std::string> expected = {"Layout", "CreateControls", "_CreateControls0"};
  expected.insert(expected.end(), kControlNames.begin(), kControlNames.end());
  for (auto& [name, signature] : kOwnOperations) expected.push_back(name);
  EXPECT_EQ(Names(cls->Methods(), own), expected);

  for (std::size_t i = own; i < cls->Methods().size(); ++i) {
    const MethodEntry& m = cls->Methods()[i];
    SCOPED_TRACE(m.name);
    EXPECT_TRUE(m.function);
    Attributes attributes{{"__Scope", "Public"}};
    if (m.name == "_CreateControls0") attributes.push_back({"Hidden", ""});
    EXPECT_EQ(m.attributes, attributes);
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(cls->Methods()[own + i].signature, "%%");
  const std::map<std::string, std::string> controlCodes = {
      {"ProgressBar1", "%o<ProgressBar>%s"}, {"BevelButton1", "%o<BevelButton>%s"}, {"fadetext", "%o<TextField>%s"},
      {"StaticText1", "%o<StaticText>%s"},   {"Canvas1", "%o<Canvas>%s"},           {"Timer1", "%o<Timer>%s"}};
  for (auto& [name, code] : controlCodes) EXPECT_EQ(cls->FindMethod(name)->signature, code) << name;
  for (auto& [name, signature] : kOwnOperations) EXPECT_EQ(cls->FindMethod(name)->signature, signature) << name;
}

TEST(Window1Class, PropertiesEventsAndVirtualTable) {
  const ClassTable* cls = Window1::__Lookup();
  const ClassTable* window = Window::StaticClass();
  ASSERT_EQ(cls->Properties().size(), window->Properties().size() + 11);
  const std::vector<std::pair<std::string, std::string>> properties = {
      {"WipeEffects", "A2s"},    {"destfolder", "o<FolderItem>"},       {"sourcefolder", "o<FolderItem>"},
      {"tflag", "i4"},           {"fcnter", "i4"},                      {"itemIdx", "i4"},
      {"cnt", "i4"},             {"theEffect", "o<QTEffect>"},          {"sequence", "o<QTEffectSequence>"},
      {"sourcevideo", "o<EditableMovie>"}, {"firstflag", "i4"}};
  for (std::size_t i = 0; i < properties.size(); ++i) {
    const PropertyEntry& p = cls->Properties()[window->Properties().size() + i];
    EXPECT_EQ(p.name, properties[i].first);
    EXPECT_EQ(p.type, properties[i].second) << p.name;
    EXPECT_EQ(p.attributes, (Attributes{{"__Scope", "Public"}})) << p.name;
    EXPECT_TRUE(p.getter && p.setter) << p.name;
  }

  EXPECT_EQ(Names(cls->Events()), kWindowEvents);
  for (auto& e : cls->Events()) {
    const bool filled = e.name == "Layout" || e.name == "CreateControls" || e.name == "Activate";
    EXPECT_EQ(bool(e.handler), filled) << e.name;
  }
  EXPECT_EQ(Names(window->Events()), kWindowEvents);

  ASSERT_EQ(cls->Vtable().size(), 76u);
  EXPECT_EQ(Names(window->Vtable()), kWindowSlots);
  std::vector<std::string> expectedSlots = kWindowSlots;
  for (const char* name : {"Layout", "CreateControls", "_CreateControls0"}) expectedSlots.push_back(name);
  for (auto& [name, signature] : kOwnOperations) expectedSlots.push_back(name);
  EXPECT_EQ(Names(cls->Vtable()), expectedSlots);
  for (const char* bound : {"Refresh", "_AddControl", "__New", "Constructor", "Show", "Hide", "Close"})
    EXPECT_TRUE(window->FindVirtual(bound)->function) << bound;
}

TEST(Window1Class, ANewWindowsRunStateAndItsRelease) {
  Ref<Window1> window = NewWindow1();
  EXPECT_EQ(window->tflag, 0);
  EXPECT_EQ(window->fcnter, 1);
  EXPECT_EQ(window->itemIdx, 2);
  EXPECT_EQ(window->cnt, 0);
  EXPECT_EQ(window->firstflag, 0);
  EXPECT_FALSE(window->destfolder || window->sourcefolder || window->theEffect || window->sequence ||
               window->sourcevideo);
  ASSERT_TRUE(window->WipeEffects);
  EXPECT_EQ(window->WipeEffects->UpperBounds(), (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(window->WipeEffects->Size(), 2u);
  EXPECT_EQ(window->WipeEffects->At({0, 0}), "");
  EXPECT_EQ(window->WipeEffects->At({0, 1}), "");
  // The properties through the class table, as the introspection layer sees them.
  EXPECT_EQ(std::get<std::int32_t>(window->Class()->FindProperty("itemIdx")->getter(*window)), 2);
  window->Class()->FindProperty("cnt")->setter(*window, std::int32_t{5});
  EXPECT_EQ(window->cnt, 5);

  // Without a menu bar the menu-item accessors find nothing to look in.
  EXPECT_THROW(window->EditUndo(), NilObjectException);

  // The finaliser releases the object properties.
  Ref<StringArray> wipe = window->WipeEffects;
  window->theEffect = New<QTEffect>();
  Ref<QTEffect> effect = window->theEffect;
  window.Reset();
  EXPECT_EQ(wipe->RefCount(), 1);
  EXPECT_EQ(effect->RefCount(), 1);
}

TEST(Window1Class, AfterStartUpLookupsBuildNothingAndTheWindowIsMadeOnce) {
  AppRun run = RunApp([] {
    Window1& window = MainWindow();
    const std::size_t classes = RuntimeClassCount();
    EXPECT_EQ(Window1::__Lookup(), window.Class());
    EXPECT_EQ(RuntimeClassCount(), classes);
    EXPECT_EQ(Window1Accessor().get(), &window) << "the accessor finds the implicit instance";
    EXPECT_EQ(RuntimeOpenWindows().size(), 1u);
    // A control entry of the class gives the control of that name.
    const Variant name[] = {std::string("fadetext")};
    Variant found = window.Class()->FindMethod("fadetext")->function(window, name);
    EXPECT_EQ(std::get<Ref<Object>>(found).get(), RuntimeWindowControlByName(window, "fadetext").get());
    // The menu bar is the one the application object has.
    Ref<QuitMenuItem> quit = window.FileQuit();
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit->Name(), "FileQuit");
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(Window1Class, ClosingTheWindowEndsTheApplicationAndReleasesItsState) {
  Ref<QTEffect> effect;
  Ref<StringArray> wipe;
  AppRun run = RunApp([&] {
    Window1& window = MainWindow();
    ASSERT_TRUE(WaitUntil([&] { return bool(window.theEffect); }, 2000));
    effect = window.theEffect;
    wipe = window.WipeEffects;
    RequestCloseAsTheWindowManagerDoes();  // the close box
    EXPECT_TRUE(WaitUntil([] { return RuntimeIsQuitting(); }, 5000));
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
  // Shut-down let the window go (its timer held it too): its finaliser ran.
  ASSERT_TRUE(effect && wipe);
  EXPECT_EQ(effect->RefCount(), 1);
  EXPECT_EQ(wipe->RefCount(), 1);
  EXPECT_FALSE(_GetImplicitWindow("Window1.Window1"));
}

TEST(Window1Class, ClosingTheWindowDuringALongLoopUnwindsTheHandlerAsANormalQuit) {
  int iterations = 0;
  bool finished = false;
  AppRun run = RunApp([&] {
    QMainWindow* frame = WindowQMainWindow(MainWindow());
    QTimer::singleShot(50, frame, [] { RequestCloseAsTheWindowManagerDoes(); });
    for (;;) {  // a handler in a long loop, as a video run is
      ++iterations;
      RuntimeBackgroundTask();
    }
    finished = true;
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_GT(iterations, 1);
  EXPECT_FALSE(finished);
}
