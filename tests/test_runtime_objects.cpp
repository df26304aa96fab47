// Reference counting, class tables, casts, delegates and plug-in entries.
#include <gtest/gtest.h>

#include "runtime/classes.h"
#include "runtime/delegate.h"
#include "runtime/plugins.h"

namespace {

int gFinalised = 0;
std::vector<std::string> gInitOrder;

struct Base : Object {
  int a = 0;
};
struct Derived : Base {
  int b = 0;
};

const ClassTable* BaseTable() {
  static const ClassTable* t = RuntimeNewClass({
      .name = "TestBase",
      .methods = {{.name = "One", .signature = "%i4%"}},
      .events = {{.name = "Open"}, {.name = "Close"}},
      .properties = {{.name = "a", .type = "i4",
                      .getter = [](Object& o) -> Variant { return static_cast<Base&>(o).a; },
                      .setter = [](Object& o, const Variant& v) {
                        static_cast<Base&>(o).a = VariantAs<std::int32_t>(v, "an Int32");
                      }}},
      .vtable = {{.name = "Show"}, {.name = "Hide"}},
      .initializer = [](Object& o) {
        gInitOrder.push_back("base");
        static_cast<Base&>(o).a = 7;
      },
      .finalizer = [](Object&) { ++gFinalised; },
      .factory = [] { return static_cast<Object*>(new Base()); },
  });
  return t;
}

const ClassTable* DerivedTable() {
  static const ClassTable* t = RuntimeNewClass({
      .name = "TestDerived",
      .parent = BaseTable(),
      .methods = {{.name = "Two", .signature = "%%"}},
      .events = {{.name = "Close", .handler = [](Object& o) { static_cast<Derived&>(o).b = 42; }}},
      .vtable = {{.name = "Hide", .function = [](Object&, std::span<const Variant>) -> Variant { return true; }},
                 {.name = "Extra"}},
      .initializer = [](Object&) { gInitOrder.push_back("derived"); },
      .factory = [] { return static_cast<Object*>(new Derived()); },
  });
  return t;
}

}  // namespace

TEST(ClassTables, ParentEntriesComeFirstAndOwnFillTheirSlots) {
  const ClassTable* d = DerivedTable();
  ASSERT_EQ(d->Methods().size(), 2u);
  EXPECT_EQ(d->Methods()[0].name, "One");
  EXPECT_EQ(d->Methods()[1].name, "Two");
  ASSERT_EQ(d->Events().size(), 2u);
  EXPECT_FALSE(d->Events()[0].handler);
  EXPECT_TRUE(d->Events()[1].handler);
  ASSERT_EQ(d->Vtable().size(), 3u);
  EXPECT_EQ(d->Vtable()[1].name, "Hide");
  EXPECT_TRUE(d->Vtable()[1].function);
  EXPECT_EQ(d->Vtable()[2].name, "Extra");
  EXPECT_EQ(d->FindProperty("a")->type, "i4");
  EXPECT_EQ(RuntimeFindClass("TestDerived"), d);
}

TEST(ClassTables, AreBuiltOnceAndLookupsBuildNothing) {
  DerivedTable();
  const std::size_t before = RuntimeClassCount();
  EXPECT_EQ(DerivedTable(), DerivedTable());
  EXPECT_EQ(RuntimeClassCount(), before);
  EXPECT_THROW(RuntimeNewClass({.name = "TestDerived"}), RuntimeException);
}

TEST(Objects, InitialisersRunRootFirstAndTheLastReleaseFinalises) {
  gInitOrder.clear();
  gFinalised = 0;
  Ref<Object> o = RuntimeNewObject(DerivedTable());
  EXPECT_EQ(gInitOrder, (std::vector<std::string>{"base", "derived"}));
  EXPECT_EQ(static_cast<Derived&>(*o).a, 7);
  Ref<Object> second = o;
  o.Reset();
  EXPECT_EQ(gFinalised, 0);
  second.Reset();
  EXPECT_EQ(gFinalised, 1);
}

TEST(Objects, EventsDispatchThroughTheTable) {
  Ref<Object> o = RuntimeNewObject(DerivedTable());
  EXPECT_FALSE(RuntimeRaiseClassEvent(*o, "Open"));
  EXPECT_TRUE(RuntimeRaiseClassEvent(*o, "Close"));
  EXPECT_EQ(static_cast<Derived&>(*o).b, 42);
  EXPECT_EQ(std::get<bool>(RuntimeCallVirtual(*o, "Hide")), true);
  EXPECT_THROW(RuntimeCallVirtual(*o, "Show"), RuntimeException);
}

TEST(Objects, CastsCheckTheClassChain) {
  Ref<Object> base = RuntimeNewObject(BaseTable());
  Ref<Object> derived = RuntimeNewObject(DerivedTable());
  EXPECT_EQ(RuntimeCheckCast(derived, BaseTable()), derived);
  EXPECT_THROW(RuntimeCheckCast(base, DerivedTable()), IllegalCastException);
  EXPECT_THROW(RuntimeCheckCast(Ref<Object>(), BaseTable()), NilObjectException);
  EXPECT_EQ(RuntimeCheckCastAs<Derived>(derived, DerivedTable())->b, 0);
}

TEST(Objects, CallingThroughAnEmptyRefRaises) {
  Ref<Derived> none;
  EXPECT_THROW(none->b = 1, NilObjectException);
  EXPECT_THROW(*none, NilObjectException);
  EXPECT_TRUE(none.IsNil());
}

TEST(Delegates, InvokersCheckTheirArguments) {
  std::string seen;
  auto fn = [&](Object&, std::span<const Variant> args) -> Variant {
    seen = args.empty() ? "none" : std::get<std::string>(args[0]);
    return false;
  };
  Ref<Object> bound = RuntimeNewObject(BaseTable());
  auto keyDown = RuntimeCreateDelegate("Delegate.IM_Invoke%b%s", fn, bound.get(), "( String ) as Boolean");
  Variant key = std::string("a");
  EXPECT_EQ(std::get<bool>(keyDown->Invoke(nullptr, std::span(&key, 1))), false);
  EXPECT_EQ(seen, "a");
  EXPECT_THROW(keyDown->Invoke(nullptr), RuntimeException);
  EXPECT_THROW(RuntimeCreateDelegate("Delegate.IM_Invoke%x", fn, nullptr, "(  )"), RuntimeException);
}

TEST(PluginEntrypoints, ResolvedEntriesCallAndUnresolvedOnesNameTheDeclaration) {
  RuntimeRegisterPluginMember("Test.Twice(x As Integer) As Integer", std::function<int(int)>([](int x) { return 2 * x; }));
  auto table = RuntimeAllocatePluginEntrypointsTable(2);
  table->Entry(1) = RuntimeLookupPluginEntrypoint("Test.Twice(x As Integer) As Integer");
  table->Entry(2) = RuntimeLookupPluginEntrypoint("Test.Missing() As Integer");
  EXPECT_EQ(PluginCall<int(int)>(table->Entry(1), 21), 42);
  try {
    PluginCall<int()>(table->Entry(2));
    FAIL();
  } catch (const RuntimeException& e) {
    EXPECT_NE(e.Message().find("Test.Missing() As Integer"), std::string::npos);
  }
  // A call with the wrong signature fails the same way instead of misbehaving.
  EXPECT_THROW(PluginCall<int(double)>(table->Entry(1), 1.0), RuntimeException);
  EXPECT_THROW(table->Entry(3), RuntimeException);
}
