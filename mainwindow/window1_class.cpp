// The class table of Window1: Window's entries first, then the class's own
// 55 method entries (its event handlers, one accessor per control, the
// other own methods), its 11 properties, its three window events and its
// 26 own virtual operations.
#include "mainwindow/control_table.h"
#include "mainwindow/window1.h"
#include "runtime/class_entries.h"

namespace {

using Args = std::span<const Variant>;
const ClassTable* gWindow1Table = nullptr;  // Window1.Window1.__ctbl

const Attributes kPublic = {{"__Scope", "Public"}};

// A method as the platform calls it: the object it is called with is "me";
// the handler prologue finds the window "me" belongs to, "self", which the
// method works on.
template <class Body>
MethodFunction OwnMethod(Body body) {
  return [body](Object& me, Args a) -> Variant {
    Ref<Window1> self = RuntimeCheckCastAs<Window1>(Ref<Object>(RuntimeSwapSelfAndMe(me)), Window1::__Lookup());
    return body(*self, me, a);
  };
}

// A method that takes nothing and returns nothing.
MethodFunction Plain(void (Window1::*op)()) {
  return OwnMethod([op](Window1& self, Object&, Args) -> Variant {
    (self.*op)();
    return {};
  });
}

// A menu-item accessor.
template <class Item>
MethodFunction Accessor(Ref<Item> (Window1::*op)()) {
  return OwnMethod([op](Window1& self, Object&, Args) -> Variant { return Ref<Object>((self.*op)()); });
}

// A field rule, acting on the field that raised TextChange.
MethodFunction TextChangeHandler(void (Window1::*op)(TextField&)) {
  return OwnMethod([op](Window1& self, Object& me, Args) -> Variant {
    (self.*op)(Receiver<TextField>(me));
    return {};
  });
}

// The class's own operations after Layout, CreateControls and
// _CreateControls0, in slot order: name, signature, function.
struct OwnOperation {
  std::string name;
  std::string signature;
  MethodFunction function;
};

std::vector<OwnOperation> OwnOperations() {
  using W = Window1;
  return {
      {"BevelButton1_Action", "%%", Plain(&W::BevelButton1_Action)},
      {"fadetext_TextChange", "%%", TextChangeHandler(&W::fadetext_TextChange)},
      {"BevelButton2_Action", "%%", Plain(&W::BevelButton2_Action)},
      {"Timer1_Action", "%%", Plain(&W::Timer1_Action)},
      {"BevelButton3_Action", "%%", Plain(&W::BevelButton3_Action)},
      {"BevelButton4_Action", "%%", Plain(&W::BevelButton4_Action)},
      {"sourcefps_KeyDown", "%b%s", OwnMethod([](W& self, Object& me, Args a) -> Variant {
         return self.sourcefps_KeyDown(Receiver<TextField>(me), Arg<std::string>(a, 0));
       })},
      {"stilltext_TextChange", "%%", TextChangeHandler(&W::stilltext_TextChange)},
      {"Canvas1_Paint", "%%o<Graphics>", OwnMethod([](W& self, Object& me, Args a) -> Variant {
         self.Canvas1_Paint(Receiver<Canvas>(me), Arg<Ref<Graphics>>(a, 0).Deref());
         return {};
       })},
      {"BevelButton6_Action", "%%", Plain(&W::BevelButton6_Action)},
      {"UntitledMenu0", "%o<MenuItem>%", Accessor(&W::UntitledMenu0)},
      {"EditClear", "%o<MenuItem>%", Accessor(&W::EditClear)},
      {"EditPaste", "%o<MenuItem>%", Accessor(&W::EditPaste)},
      {"EditCopy", "%o<MenuItem>%", Accessor(&W::EditCopy)},
      {"EditCut", "%o<MenuItem>%", Accessor(&W::EditCut)},
      {"UntitledMenu1", "%o<MenuItem>%", Accessor(&W::UntitledMenu1)},
      {"EditUndo", "%o<MenuItem>%", Accessor(&W::EditUndo)},
      {"UntitledMenu2", "%o<MenuItem>%", Accessor(&W::UntitledMenu2)},
      {"FileQuit", "%o<QuitMenuItem>%", Accessor(&W::FileQuit)},
      {"UntitledMenu3", "%o<MenuItem>%", Accessor(&W::UntitledMenu3)},
      {"Event_Activate", "%%", Plain(&W::Event_Activate)},
      {"bildname", "%s%i4",
       OwnMethod([](W& self, Object&, Args a) -> Variant { return self.bildname(Arg<std::int32_t>(a, 0)); })},
      {"croppicture", "%o<Picture>%o<Picture>i4i4i4i4", OwnMethod([](W& self, Object&, Args a) -> Variant {
         return Ref<Object>(self.croppicture(Arg<Ref<Picture>>(a, 0), Arg<std::int32_t>(a, 1), Arg<std::int32_t>(a, 2),
                                             Arg<std::int32_t>(a, 3), Arg<std::int32_t>(a, 4)));
       })},
  };
}

MethodEntry Entry(std::string name, std::string signature, MethodFunction function, Attributes attributes = kPublic) {
  std::string invoker = "Delegate.IM_Invoke" + signature;
  return {std::move(name), std::move(signature), std::move(function), std::move(invoker), std::move(attributes)};
}

ClassDefinition Definition() {
  ClassDefinition def{.name = "Window1.Window1", .parent = Window::StaticClass()};

  auto first = std::vector<OwnOperation>{
      {"Layout", "%%", Plain(&Window1::Layout)},
      {"CreateControls", "%%", Plain(&Window1::CreateControls)},
      {"_CreateControls0", "%%", Plain(&Window1::_CreateControls0)},
  };
  auto rest = OwnOperations();

  for (auto& op : first)
    def.methods.push_back(Entry(op.name, op.signature, op.function,
                                op.name == "_CreateControls0" ? Attributes{{"__Scope", "Public"}, {"Hidden", ""}}
                                                              : kPublic));
  // The control accessors: the control the window holds under the name.
  const MethodFunction controlByName = OwnMethod([](Window1& self, Object&, Args a) -> Variant {
    return RuntimeWindowControlByName(self, Arg<std::string>(a, 0));
  });
  for (const ControlRow& row : Window1Controls())
    def.methods.push_back(
        Entry(std::string(row.name), std::string(InfoOf(row.cls).accessorSignature), controlByName));
  for (auto& op : rest) def.methods.push_back(Entry(op.name, op.signature, op.function));

  for (auto* list : {&first, &rest})
    for (auto& op : *list) def.vtable.push_back({op.name, op.function});

  def.events = {
      {"Layout", [](Object& o) { Receiver<Window1>(o).Layout(); }},
      {"CreateControls", [](Object& o) { Receiver<Window1>(o).CreateControls(); }},
      {"Activate", [](Object& o) { Receiver<Window1>(o).Event_Activate(); }},
  };

  using W = Window1;
  def.properties = {
      Property("WipeEffects", "A2s", &W::WipeEffects, kPublic),
      Property("destfolder", "o<FolderItem>", &W::destfolder, kPublic),
      Property("sourcefolder", "o<FolderItem>", &W::sourcefolder, kPublic),
      Property("tflag", "i4", &W::tflag, kPublic),
      Property("fcnter", "i4", &W::fcnter, kPublic),
      Property("itemIdx", "i4", &W::itemIdx, kPublic),
      Property("cnt", "i4", &W::cnt, kPublic),
      Property("theEffect", "o<QTEffect>", &W::theEffect, kPublic),
      Property("sequence", "o<QTEffectSequence>", &W::sequence, kPublic),
      Property("sourcevideo", "o<EditableMovie>", &W::sourcevideo, kPublic),
      Property("firstflag", "i4", &W::firstflag, kPublic),
  };
  def.attributes = kPublic;
  def.initializer = [](Object& o) { Window1::__Init(Receiver<Window1>(o)); };
  def.finalizer = [](Object& o) { Window1::__Exit(Receiver<Window1>(o)); };
  def.factory = [] { return static_cast<Object*>(new Window1()); };
  return def;
}

}  // namespace

const ClassTable* Window1::__Lookup() {
  if (!gWindow1Table) __ctblinit();
  return gWindow1Table;
}

void Window1::__ctblinit() {
  if (gWindow1Table) return;
  gWindow1Table = RuntimeNewClass(Definition());
}

void Window1::__Init(Window1& window) {
  window.WipeEffects = CreateArray({0, 1});
  window.tflag = 0;
  window.fcnter = 1;
  window.itemIdx = 2;
  window.firstflag = 0;
}

void Window1::__Exit(Window1& window) {
  window.WipeEffects.Reset();
  window.destfolder.Reset();
  window.sourcefolder.Reset();
  window.theEffect.Reset();
  window.sequence.Reset();
  window.sourcevideo.Reset();
}
