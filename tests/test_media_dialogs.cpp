// File dialogs through the test seam, and the media plug-in members as the
// system looks them up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>

#include "app/plugin_entrypoints.h"
#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "media/effect.h"
#include "media/media_plugins.h"
#include "plugin_signatures.h"
#include "runtime/plugins.h"
#include "runtime/runtime.h"
#include "support/media_fixtures.h"
#include "testing.h"

using namespace media_test;

namespace {

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override { dialog_seam::Enable(true); }
  void TearDown() override { dialog_seam::Enable(false); }
};

}  // namespace

TEST_F(Dialogs, ChoosersAnswerFromTheScriptAndAreLogged) {
  ScratchFolder dir;
  dialog_seam::Answer(dir.Path());
  dialog_seam::Answer(std::nullopt);
  dialog_seam::Answer(dir / "clip.mov");
  Ref<FolderItem> folder = SelectFolder();
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->AbsolutePath(), dir.Path() + "/");
  EXPECT_FALSE(SelectFolder());
  Ref<FolderItem> file = GetOpenFolderItem("");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Name(), "clip.mov");
  EXPECT_FALSE(GetOpenFolderItem(""));  // nothing queued: cancelled
  const auto log = dialog_seam::TakeLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].kind, "SelectFolder");
  EXPECT_EQ(log[1].kind, "SelectFolder");
  EXPECT_EQ(log[2].kind, "GetOpenFolderItem");
}

TEST_F(Dialogs, FolderItemDialogsLogEveryTextTheyWereGiven) {
  Ref<SelectFolderDialog> choose = New<SelectFolderDialog>();
  choose->SetActionButtonCaption("Select");
  choose->SetTitle("Title Property");
  choose->SetPromptText("Select the folder containing the images");
  choose->SetInitialDirectory(Volume(0));
  dialog_seam::Answer("/tmp");
  Ref<FolderItem> chosen = choose->ShowModal();
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->AbsolutePath(), "/tmp/");

  // Made through the class table, as the window makes it.
  Ref<SaveAsDialog> save = RuntimeCheckCastAs<SaveAsDialog>(RuntimeNewObject(SaveAsDialog::StaticClass()),
                                                             SaveAsDialog::StaticClass());
  save->SetInitialDirectory(Volume(0)->Child("Documents"));
  save->SetPromptText("save the movie where?");
  save->SetSuggestedFileName("vindralo.mov");
  save->SetTitle("save movie where?");
  EXPECT_FALSE(save->ShowModal());  // cancelled

  const auto log = dialog_seam::TakeLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].kind, "SelectFolderDialog");
  EXPECT_EQ(log[0].fields.at("ActionButtonCaption"), "Select");
  EXPECT_EQ(log[0].fields.at("Title"), "Title Property");
  EXPECT_EQ(log[0].fields.at("PromptText"), "Select the folder containing the images");
  EXPECT_EQ(log[0].fields.at("InitialDirectory"), "/");
  EXPECT_EQ(log[1].kind, "SaveAsDialog");
  EXPECT_EQ(log[1].fields.at("SuggestedFileName"), "vindralo.mov");
  EXPECT_EQ(log[1].fields.at("Title"), "save movie where?");
  EXPECT_EQ(log[1].fields.at("PromptText"), "save the movie where?");
  EXPECT_EQ(log[1].fields.count("InitialDirectory"), 1u);

  // The class table's properties reach the same texts.
  const PropertyEntry* title = SaveAsDialog::StaticClass()->FindProperty("Title");
  ASSERT_TRUE(title);
  title->setter(*save, std::string("another"));
  EXPECT_EQ(save->Title(), "another");
}

TEST(MediaPlugins, EveryMovieAndEffectDeclarationResolvesWithItsSignature) {
  RegisterMediaPluginMembers();
  int media = 0;
  for (std::string_view declaration : PluginDeclarations()) {
    if (declaration.rfind("BevelButton.", 0) == 0) continue;
    ++media;
    EXPECT_TRUE(RuntimeLookupPluginEntrypoint(declaration).function.has_value()) << declaration;
  }
  EXPECT_EQ(media, 17);

  // Called as the system calls them.
  auto call = [](std::string_view d) { return RuntimeLookupPluginEntrypoint(d); };
  Ref<QTEffect> effect = PluginCall<plugin_sig::GetCrossFadeEffect>(call("GetQTCrossFadeEffect() As QTEffect"));
  ASSERT_TRUE(effect);
  Ref<QTEffectSequence> seq = New<QTEffectSequence>();
  PluginCall<plugin_sig::SequenceConstructor>(
      call("QTEffectSequence.Constructor(effect as QTEffect, image1 as Picture, image2 as Picture, frames as integer)"),
      *seq, effect, Solid(2, 2, Rgb(0, 0, 0)), Solid(2, 2, Rgb(200, 100, 0)), 2);
  PluginCall<plugin_sig::SequenceInt32Set>(call("QTEffectSequence.Frame.Set"), *seq, 1);
  EXPECT_EQ(PluginCall<plugin_sig::SequenceInt32Get>(call("QTEffectSequence.Frame.Get"), *seq), 1);
  Ref<Picture> half = PluginCall<plugin_sig::SequenceImageGet>(call("QTEffectSequence.Image.Get"), *seq);
  ASSERT_TRUE(half);
  EXPECT_LE(Distance(PixelAt(half, 0, 0), Rgb(100, 50, 0)), 1);

  ScratchFolder dir;
  Ref<FolderItem> target = GetFolderItem(dir / "m.mov");
  Ref<EditableMovie> movie =
      PluginCall<plugin_sig::FolderItemMovie>(call("FolderItem.CreateMovie() As EditableMovie"), *target);
  ASSERT_TRUE(movie);
  EXPECT_FALSE(PluginCall<plugin_sig::MovieNewVideoTrack>(
      call("EditableMovie.NewVideoTrack(width As Integer, height As Integer, frameRate As double) As QTVideoTrack"),
      *movie, 4, 4, std::nan("")));
}

TEST(RealDialogs, QtsDialogStartsInAnExistingFolderAndCancelGivesNone) {
  RuntimeInit();
  ScratchFolder dir;
  for (const std::string& asked : {dir.Path(), dir / "does-not-exist"}) {
    QString shownIn;
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
          shownIn = d->directory().absolutePath();
          d->reject();
        }
    });
    Ref<SelectFolderDialog> dialog = New<SelectFolderDialog>();
    dialog->SetInitialDirectory(GetFolderItem(asked));
    EXPECT_FALSE(dialog->ShowModal());
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString fallback = QDir(documents).exists() ? documents : QDir::homePath();
    EXPECT_EQ(shownIn.toStdString(),
              asked == dir.Path() ? QDir(QString::fromStdString(asked)).absolutePath().toStdString()
                                  : QDir(fallback).absolutePath().toStdString());
  }
  RuntimeExit();
}
