// The declared file types: what the platform receives at start-up, what it
// is told at shut-down, and the FileType class's own registration rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/file_types.h"
#include "app/startup.h"
#include "runtime/runtime.h"
#include "support/app_fixture.h"

using app_test::IndexOf;

namespace {

// Name, MacCreator, MacType, Extensions: the registration call's argument order.
const std::vector<FileTypeRegistration> kDeclared = {
    {"image/jpeg", "prvw", "JPEG", ".jfif;.jpe;.jpeg;.jpg"},
    {"video/quicktime", "TVOD", "MooV", ".moov;.mov;.qt;.mqv"},
    {"video/avi", "TVOD", "VfW ", ".avi;.vfw;.avi"},
    {"video/mpeg", "TVOD", "MPEG", ".mpe;.mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa"},
    {"video/mp4", "TVOD", "mpg4", ".mp4"},
    {"image/jpeg2000", "ogle", "jp2 ", ".jp2"},
    {"image/pict", "ttxt", "PICT", ".pict;.pic;.pct"},
    {"image/png", "ogle", "PNGf", ".png"},
    {"video/x-m4v", "hook", "M4V ", ".m4v"},
    {"video/x-mpeg", "TVOD", "MPEG", ".mpeg;.mpg;.m1s;.m1v;.m1a;.m75;.m15;.mp2;.mpm;.mpv;.mpa"},
    {"video/x-msvideo", "TVOD", "VfW ", ".avi;.vfw;.avi"},
};

std::vector<Ref<FileType>*> AllGlobals() {
  auto& m = FileTypes::Module();
  return {&m.pJpeg,      &m.pQuicktime, &m.pVideoAvi,  &m.pMpeg,        &m.pVideoMp4,     &m.pImageJpeg2000,
          &m.pImagePict, &m.pImagePng,  &m.pVideoXM4v, &m.pVideoXMpeg, &m.pVideoXMsvideo};
}

}  // namespace

TEST(FileTypeSet, StartUpRegistersElevenTypesInTableOrderAndShutDownWithdrawsThemAll) {
  RuntimeEnableTrace(true);
  RuntimeTakeTrace();
  dialog_seam::Enable(true);
  file_type_seam::TakeLog();
  std::vector<file_type_seam::Call> atStartup;
  std::vector<FileTypeRegistration> registeredWhileRunning;
  bool everyGlobalHeld = true;
  RuntimeOnLoopEntered([&] {
    atStartup = file_type_seam::TakeLog();
    registeredWhileRunning = file_type_seam::Registered();
    for (auto* g : AllGlobals()) everyGlobalHeld = everyGlobalHeld && *g && (*g)->Registered();
    RuntimeRequestQuit();
  });
  const int status = vindralo_main();
  const auto atShutdown = file_type_seam::TakeLog();
  const auto trace = RuntimeTakeTrace();

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(dialog_seam::Messages().empty());
  // Exactly one registration per type, with the table's texts byte for byte.
  ASSERT_EQ(atStartup.size(), kDeclared.size());
  for (std::size_t i = 0; i < kDeclared.size(); ++i) {
    EXPECT_FALSE(atStartup[i].withdraw) << i;
    EXPECT_EQ(atStartup[i].type, kDeclared[i]) << "registration " << i;
  }
  EXPECT_EQ(registeredWhileRunning, kDeclared);
  EXPECT_TRUE(everyGlobalHeld);

  // Shut-down withdraws every type, in table order, and leaves nothing.
  ASSERT_EQ(atShutdown.size(), kDeclared.size());
  for (std::size_t i = 0; i < kDeclared.size(); ++i) {
    EXPECT_TRUE(atShutdown[i].withdraw) << i;
    EXPECT_EQ(atShutdown[i].type.name, kDeclared[i].name);
  }
  EXPECT_TRUE(file_type_seam::Registered().empty());
  for (auto* g : AllGlobals()) EXPECT_TRUE(g->IsNil());

  // The types exist before the application object; they are released after
  // the framework's globals and before the menu bar.
  EXPECT_LT(IndexOf(trace, "file type registered video/x-msvideo"), IndexOf(trace, "application object registered"));
  std::ptrdiff_t last = IndexOf(trace, "release framework globals");
  ASSERT_GE(last, 0);
  for (auto& type : kDeclared) {
    const auto i = IndexOf(trace, "file type withdrawn " + type.name);
    EXPECT_GT(i, last) << type.name;
    last = i;
  }
  EXPECT_GT(IndexOf(trace, "release Menu._implicitInstance"), last);
}

class FileTypeObject : public ::testing::Test {
 protected:
  void SetUp() override { file_type_seam::TakeLog(); }
  void TearDown() override { file_type_seam::TakeLog(); }

  static Ref<FileType> MakeType() {
    Ref<FileType> t = DynamicRef<FileType>(RuntimeNewObject(FileType::StaticClass()));
    t->SetName("image/x-test");
    t->SetExtensions(".tst");
    t->SetMacType("TST ");
    t->SetMacCreator("tstc");
    return t;
  }
};

TEST_F(FileTypeObject, ANewTypeIsEmptyAndRegistersOnceOnFirstConversion) {
  Ref<FileType> fresh = DynamicRef<FileType>(RuntimeNewObject(FileType::StaticClass()));
  ASSERT_TRUE(fresh);
  EXPECT_FALSE(fresh->Registered());
  EXPECT_EQ(fresh->Name() + fresh->Extensions() + fresh->MacType() + fresh->MacCreator(), "");

  Ref<FileType> t = MakeType();
  EXPECT_TRUE(file_type_seam::TakeLog().empty()) << "setting properties registers nothing";
  EXPECT_EQ(t->Operator_Convert(), "image/x-test");
  EXPECT_EQ(t->Operator_Convert(), "image/x-test");
  auto log = file_type_seam::TakeLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].type, (FileTypeRegistration{"image/x-test", "tstc", "TST ", ".tst"}));
  EXPECT_TRUE(t->Registered());
}

TEST_F(FileTypeObject, EverySetterWithdrawsTheOldRegistrationFirst) {
  struct Case {
    const char* property;
    void (FileType::*set)(std::string);
    FileTypeRegistration expected;  // what the next conversion registers
  };
  const Case cases[] = {
      {"Name", &FileType::SetName, {"image/x-new", "tstc", "TST ", ".tst"}},
      {"Extensions", &FileType::SetExtensions, {"image/x-test", "tstc", "TST ", "new"}},
      {"MacType", &FileType::SetMacType, {"image/x-test", "tstc", "new", ".tst"}},
      {"MacCreator", &FileType::SetMacCreator, {"image/x-test", "new", "TST ", ".tst"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.property);
    Ref<FileType> t = MakeType();
    t->Operator_Convert();
    file_type_seam::TakeLog();
    ((*t).*c.set)(c.property == std::string("Name") ? "image/x-new" : "new");
    auto log = file_type_seam::TakeLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].withdraw);
    EXPECT_EQ(log[0].type.name, "image/x-test") << "withdrawn under the Name it was registered with";
    EXPECT_FALSE(t->Registered());
    t->Operator_Convert();
    log = file_type_seam::TakeLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].type, c.expected);
    t.Reset();
    file_type_seam::TakeLog();
  }
}

TEST_F(FileTypeObject, TheLastReferenceWithdrawsARegisteredTypeAndOnlyThat) {
  Ref<FileType> t = MakeType();
  t->Operator_Convert();
  Ref<FileType> second = t;
  file_type_seam::TakeLog();
  t.Reset();
  EXPECT_TRUE(file_type_seam::TakeLog().empty()) << "another reference still holds it";
  second.Reset();
  auto log = file_type_seam::TakeLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(log[0].withdraw);
  EXPECT_EQ(log[0].type.name, "image/x-test");

  MakeType().Reset();  // never registered: nothing to withdraw
  EXPECT_TRUE(file_type_seam::TakeLog().empty());
}
